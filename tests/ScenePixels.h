#ifndef ORVALIS_TESTS_SCENEPIXELS_H
#define ORVALIS_TESTS_SCENEPIXELS_H

#include "OpenGL3d.h"

#include "Camera.h"
#include "VecMath.h"

#include <QPoint>

// Widget pixel (y from the top) where the 3D view's camera puts a world point.
inline QPoint project(const OpenGL3d& view, vec3 p)
{
    const Camera& c = view.getCamera();
    const mat4 m = c.getProjMatrix() * c.getViewMatrix();
    float clip[4];
    for (int row = 0; row < 4; ++row)
        clip[row] = m.m[row] * p.x + m.m[4 + row] * p.y + m.m[8 + row] * p.z + m.m[12 + row];
    const float x = clip[0] / clip[3];
    const float y = clip[1] / clip[3];
    return {int((x + 1.0f) * 0.5f * view.width()), int((1.0f - y) * 0.5f * view.height())};
}

#endif
