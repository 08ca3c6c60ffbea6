#include "SceneLayout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float magnetHeight = 0.01f;
constexpr float bobSize = 0.01f;
constexpr float collarDiameter = 0.02f;
constexpr float collarHeight = 0.002f;
// Post and arm are boxes turned a quarter of a right angle about their axis.
constexpr float standAngle = 45.0f;
constexpr vec3 upAxis{0.0f, 0.0f, 1.0f};

} // namespace

SceneLayout::SceneLayout(double pendulumLength, double pendulumHeight)
    : length(pendulumLength), height(pendulumHeight)
{
}

mat4 SceneLayout::plate() const
{
    return scale(translate(mat4::identity(), {0.0f, 0.0f, -0.03f}), {1.0f, 1.0f, 0.02f});
}

mat4 SceneLayout::post() const
{
    const mat4 placed = translate(mat4::identity(), {-0.5f, 0.5f, -0.03f});
    return rotate(scale(placed, {0.05f, 0.05f, float(length)}), standAngle, upAxis);
}

mat4 SceneLayout::arm() const
{
    const mat4 placed = translate(mat4::identity(), {-0.25f, 0.25f, float(height - 0.03)});
    return scale(rotate(placed, standAngle, upAxis), {0.1f, 1.0f, 0.05f});
}

mat4 SceneLayout::magnet(float x, float y)
{
    return scale(translate(mat4::identity(), {x, y, -magnetHeight / 2}),
                 {magnetHeight, magnetHeight, magnetHeight});
}

mat4 SceneLayout::collar(float x, float y)
{
    return scale(translate(mat4::identity(), {x, y, plateTop + collarHeight / 2}),
                 {collarDiameter, collarDiameter, collarHeight});
}

float SceneLayout::bobHeight(float x, float y) const
{
    const double r = std::sqrt(double(x) * x + double(y) * y);
    const double ratio = length > 0.0 ? std::min(r / length, 1.0) : 1.0;
    return float(height - length * std::cos(std::asin(ratio)));
}

mat4 SceneLayout::bob(float x, float y) const
{
    return scale(translate(mat4::identity(), {x, y, bobHeight(x, y)}), {bobSize, bobSize, bobSize});
}
