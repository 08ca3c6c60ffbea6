#include "Camera.h"

#include <algorithm>
#include <cmath>

namespace {

// The orbit stays strictly away from the poles, where dir x z would vanish.
constexpr double kHalfPi = 1.570796326794897;

float halfFovRadians(float fovYDegrees)
{
    return static_cast<float>(static_cast<double>(radians(fovYDegrees)) * 0.5);
}

} // namespace

Camera::Camera()
{
    reset();
}

Camera::~Camera() = default;

void Camera::reset()
{
    eyePos = {1.0f, 0.0f, 0.0f};
    dir = {-1.0f, 0.0f, 0.0f};
    up = {0.0f, 0.0f, 1.0f};
    right = cross(dir, up);
    poi = eyePos + dir;
    width = 100;
    height = 100;
    nearZ = 0.01f;
    farZ = 100.0f;
    aspect = 1.0f;
    fovY = 45.0f;
    orbitFrame[0] = {1.0f, 0.0f, 0.0f};
    orbitFrame[1] = {0.0f, 1.0f, 0.0f};
    orbitFrame[2] = {0.0f, 0.0f, 1.0f};
}

void Camera::setFovY(float degrees)
{
    fovY = degrees;
}

void Camera::setSize(int w, int h)
{
    width = w;
    height = h;
    // A collapsed widget draws nothing; keep the last finite aspect for when it grows again.
    if (h != 0)
        aspect = static_cast<float>(w) / static_cast<float>(h);
}

vec3 Camera::getEyePos() const
{
    return eyePos;
}

vec3 Camera::getPOI() const
{
    return poi;
}

float Camera::getDistance() const
{
    return length(eyePos - poi);
}

void Camera::setEyePos(float x, float y, float z)
{
    eyePos = {x, y, z};
    distance = length(eyePos - poi);
}

void Camera::setPOI(float x, float y, float z)
{
    const vec3 target{x, y, z};
    const vec3 d = target - eyePos;
    if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f)
        return;
    poi = target;
    dir = normalize(d);
    right = cross(dir, up);
}

void Camera::setDistance(float d)
{
    if (!(d > 0.0f))
        return;
    distance = std::clamp(d, minDistance, maxDistance);
    eyePos = poi - distance * dir;
}

void Camera::setDistanceRange(float nearest, float farthest)
{
    minDistance = nearest;
    maxDistance = farthest;
}

void Camera::orbit(float elevation, float azimuth)
{
    const double el = elevation;
    if (!(el > -kHalfPi && el < kHalfPi))
        return;

    const float ce = std::cos(elevation);
    const vec3 w = (ce * std::cos(azimuth)) * orbitFrame[0] +
                   (ce * std::sin(azimuth)) * orbitFrame[1] + std::sin(elevation) * orbitFrame[2];
    eyePos = poi + distance * w;
    dir = normalize(poi - eyePos);
    right = normalize(cross(dir, vec3{0.0f, 0.0f, 1.0f}));
    up = cross(right, dir);
}

void Camera::shift(vec3 offset)
{
    eyePos = eyePos + offset;
    poi = poi + offset;
}

vec3 Camera::getRayDir(int x, int y) const
{
    const float h = std::tan(halfFovRadians(fovY)) * nearZ;
    const float xs = (2.0f * static_cast<float>(x) / static_cast<float>(width) - 1.0f) * aspect * h;
    // Window rows grow downwards.
    const float ys =
        (2.0f * static_cast<float>(height - y) / static_cast<float>(height) - 1.0f) * h;
    return normalize(nearZ * dir + ys * up + xs * right);
}

mat4 Camera::getViewMatrix() const
{
    return lookAt(eyePos, poi, up);
}

mat4 Camera::getProjMatrix() const
{
    return perspective(fovY, aspect, nearZ, farZ);
}
