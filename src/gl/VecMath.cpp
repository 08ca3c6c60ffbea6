#include "VecMath.h"

#include <cmath>

namespace {

float& at(mat4& a, int col, int row)
{
    return a.m[col * 4 + row];
}

mat4 zero()
{
    mat4 r{};
    return r;
}

} // namespace

float radians(float degrees)
{
    constexpr float kDegToRad = 0.017453293f; // pi/180 in single precision
    return static_cast<float>(static_cast<double>(degrees) * static_cast<double>(kDegToRad));
}

mat4 mat4::identity()
{
    mat4 r = zero();
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

vec3 operator+(vec3 a, vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

vec3 operator-(vec3 a, vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

vec3 operator*(vec3 v, float s)
{
    return {v.x * s, v.y * s, v.z * s};
}

vec3 operator*(float s, vec3 v)
{
    return v * s;
}

float dot(vec3 a, vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

vec3 cross(vec3 a, vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float length(vec3 v)
{
    return std::sqrt(dot(v, v));
}

vec3 normalize(vec3 v)
{
    return v * (1.0f / length(v));
}

mat4 operator*(const mat4& a, const mat4& b)
{
    mat4 r = zero();
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[col * 4 + k];
            at(r, col, row) = sum;
        }
    }
    return r;
}

mat4 translate(const mat4& m, vec3 t)
{
    mat4 tm = mat4::identity();
    tm.m[12] = t.x;
    tm.m[13] = t.y;
    tm.m[14] = t.z;
    return m * tm;
}

mat4 scale(const mat4& m, vec3 s)
{
    mat4 sm = mat4::identity();
    sm.m[0] = s.x;
    sm.m[5] = s.y;
    sm.m[10] = s.z;
    return m * sm;
}

mat4 rotate(const mat4& m, float degrees, vec3 axis)
{
    const float angle = radians(degrees);
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float ic = 1.0f - c;
    const vec3 a = normalize(axis);

    mat4 r = mat4::identity();
    at(r, 0, 0) = a.x * a.x * ic + c;
    at(r, 0, 1) = a.y * a.x * ic + a.z * s;
    at(r, 0, 2) = a.z * a.x * ic - a.y * s;
    at(r, 1, 0) = a.x * a.y * ic - a.z * s;
    at(r, 1, 1) = a.y * a.y * ic + c;
    at(r, 1, 2) = a.z * a.y * ic + a.x * s;
    at(r, 2, 0) = a.x * a.z * ic + a.y * s;
    at(r, 2, 1) = a.y * a.z * ic - a.x * s;
    at(r, 2, 2) = a.z * a.z * ic + c;
    return m * r;
}

mat4 inverse(const mat4& a)
{
    // Cofactor expansion over 2x2 sub-determinants of the upper and lower halves.
    const float* m = a.m;
    const float s0 = m[0] * m[5] - m[4] * m[1];
    const float s1 = m[0] * m[6] - m[4] * m[2];
    const float s2 = m[0] * m[7] - m[4] * m[3];
    const float s3 = m[1] * m[6] - m[5] * m[2];
    const float s4 = m[1] * m[7] - m[5] * m[3];
    const float s5 = m[2] * m[7] - m[6] * m[3];
    const float c5 = m[10] * m[15] - m[14] * m[11];
    const float c4 = m[9] * m[15] - m[13] * m[11];
    const float c3 = m[9] * m[14] - m[13] * m[10];
    const float c2 = m[8] * m[15] - m[12] * m[11];
    const float c1 = m[8] * m[14] - m[12] * m[10];
    const float c0 = m[8] * m[13] - m[12] * m[9];

    const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    // A singular matrix has no inverse; the identity keeps callers' transforms finite.
    if (det == 0.0f)
        return mat4::identity();
    const float inv = 1.0f / det;

    mat4 r;
    r.m[0] = (m[5] * c5 - m[6] * c4 + m[7] * c3) * inv;
    r.m[1] = (-m[1] * c5 + m[2] * c4 - m[3] * c3) * inv;
    r.m[2] = (m[13] * s5 - m[14] * s4 + m[15] * s3) * inv;
    r.m[3] = (-m[9] * s5 + m[10] * s4 - m[11] * s3) * inv;
    r.m[4] = (-m[4] * c5 + m[6] * c2 - m[7] * c1) * inv;
    r.m[5] = (m[0] * c5 - m[2] * c2 + m[3] * c1) * inv;
    r.m[6] = (-m[12] * s5 + m[14] * s2 - m[15] * s1) * inv;
    r.m[7] = (m[8] * s5 - m[10] * s2 + m[11] * s1) * inv;
    r.m[8] = (m[4] * c4 - m[5] * c2 + m[7] * c0) * inv;
    r.m[9] = (-m[0] * c4 + m[1] * c2 - m[3] * c0) * inv;
    r.m[10] = (m[12] * s4 - m[13] * s2 + m[15] * s0) * inv;
    r.m[11] = (-m[8] * s4 + m[9] * s2 - m[11] * s0) * inv;
    r.m[12] = (-m[4] * c3 + m[5] * c1 - m[6] * c0) * inv;
    r.m[13] = (m[0] * c3 - m[1] * c1 + m[2] * c0) * inv;
    r.m[14] = (-m[12] * s3 + m[13] * s1 - m[14] * s0) * inv;
    r.m[15] = (m[8] * s3 - m[9] * s1 + m[10] * s0) * inv;
    return r;
}

mat4 transpose(const mat4& a)
{
    mat4 r;
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            r.m[row * 4 + col] = a.m[col * 4 + row];
    return r;
}

mat4 lookAt(vec3 eye, vec3 centre, vec3 up)
{
    const vec3 f = normalize(centre - eye);
    const vec3 s = normalize(cross(f, normalize(up)));
    const vec3 u = cross(s, f);

    mat4 r = mat4::identity();
    at(r, 0, 0) = s.x;
    at(r, 1, 0) = s.y;
    at(r, 2, 0) = s.z;
    at(r, 0, 1) = u.x;
    at(r, 1, 1) = u.y;
    at(r, 2, 1) = u.z;
    at(r, 0, 2) = -f.x;
    at(r, 1, 2) = -f.y;
    at(r, 2, 2) = -f.z;
    at(r, 3, 0) = -dot(s, eye);
    at(r, 3, 1) = -dot(u, eye);
    at(r, 3, 2) = dot(f, eye);
    return r;
}

mat4 perspective(float fovYDegrees, float aspect, float zNear, float zFar)
{
    const float halfAngle = static_cast<float>(static_cast<double>(radians(fovYDegrees)) * 0.5);
    const float f = 1.0f / std::tan(halfAngle);

    mat4 r = zero();
    at(r, 0, 0) = f / aspect;
    at(r, 1, 1) = f;
    at(r, 2, 2) = -(zFar + zNear) / (zFar - zNear);
    at(r, 3, 2) = -2.0f * zFar * zNear / (zFar - zNear);
    at(r, 2, 3) = -1.0f;
    return r;
}

mat4 orthoMatrix(float left, float right, float bottom, float top)
{
    mat4 r = zero();
    r.m[0] = 2.0f / (right - left);
    r.m[5] = 2.0f / (top - bottom);
    r.m[10] = -1.0f;
    r.m[12] = -(right + left) / (right - left);
    r.m[13] = -(top + bottom) / (top - bottom);
    r.m[15] = 1.0f;
    return r;
}
