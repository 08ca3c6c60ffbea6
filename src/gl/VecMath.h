#ifndef ORVALIS_VECMATH_H
#define ORVALIS_VECMATH_H

// Single-precision vectors and 4x4 matrices in the layout OpenGL takes untransposed.

struct vec2
{
    float x, y;
};

struct vec3
{
    float x, y, z;
};

struct vec4
{
    float x, y, z, w;
};

struct mat4
{
    float m[16]; // column-major: m[col * 4 + row]
    const float* data() const { return m; }
    static mat4 identity();
};

vec3 operator+(vec3 a, vec3 b);
vec3 operator-(vec3 a, vec3 b);
vec3 operator*(vec3 v, float s);
vec3 operator*(float s, vec3 v);
float dot(vec3 a, vec3 b);
vec3 cross(vec3 a, vec3 b); // right-handed
float length(vec3 v);
vec3 normalize(vec3 v); // no zero check

// Degrees to radians with pi/180 rounded to single precision and applied in
// double precision; the result is rounded to single precision.
float radians(float degrees);

mat4 operator*(const mat4& a, const mat4& b);
mat4 translate(const mat4& m, vec3 t);                // m * T(t)
mat4 scale(const mat4& m, vec3 s);                    // m * S(s)
mat4 rotate(const mat4& m, float degrees, vec3 axis); // m * R(deg, normalised axis), right-handed
mat4 inverse(const mat4& m);
mat4 transpose(const mat4& m);
mat4 lookAt(vec3 eye, vec3 centre, vec3 up); // right-handed
mat4 perspective(float fovYDegrees, float aspect, float zNear, float zFar);
mat4 orthoMatrix(float left, float right, float bottom, float top); // near -1, far 1

#endif // ORVALIS_VECMATH_H
