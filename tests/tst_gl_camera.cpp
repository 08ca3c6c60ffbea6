#include "Camera.h"
#include "VecMath.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

vec4 mul(const mat4& m, vec4 v)
{
    const float in[4] = {v.x, v.y, v.z, v.w};
    float out[4] = {0, 0, 0, 0};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            out[row] += m.m[col * 4 + row] * in[col];
    return {out[0], out[1], out[2], out[3]};
}

vec3 transformPoint(const mat4& m, vec3 p)
{
    const vec4 r = mul(m, {p.x, p.y, p.z, 1.0f});
    return {r.x / r.w, r.y / r.w, r.z / r.w};
}

bool near(float a, float b, float eps = 1e-5f)
{
    return std::fabs(a - b) <= eps;
}

bool near(vec3 a, vec3 b, float eps = 1e-5f)
{
    return near(a.x, b.x, eps) && near(a.y, b.y, eps) && near(a.z, b.z, eps);
}

bool near(const mat4& a, const mat4& b, float eps = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        if (!near(a.m[i], b.m[i], eps))
            return false;
    return true;
}

bool same(vec3 a, vec3 b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

QByteArray str(vec3 v)
{
    return QByteArray("(") + QByteArray::number(v.x, 'g', 9) + ", " +
           QByteArray::number(v.y, 'g', 9) + ", " + QByteArray::number(v.z, 'g', 9) + ")";
}

#define VERIFY_NEAR3(actual, expected, eps)                                                        \
    QVERIFY2(near((actual), (expected), (eps)), str(actual) + " expected " + str(expected))

// The camera the 3D view sets up on its reset.
Camera defaultOrbit()
{
    Camera cam;
    cam.setPOI(0.0f, 0.0f, 0.0f);
    cam.setEyePos(0.3f, 0.0f, 0.0f);
    cam.orbit(1.0471976f, -1.5707964f);
    return cam;
}

} // namespace

class TestCamera : public QObject
{
    Q_OBJECT

private slots:
    void constructedState();
    void constructedMatrices();
    void defaultOrbitFrame();
    void orbitGuards();
    void orbitUsesStoredDistance();
    void setDistance();
    void setPOIOntoEye();
    void rayDirMatchesProjection();
    void sizeAndAspect();

    void vectorBasics();
    void rotateIsRightHandedAndPostMultiplied();
    void inverse();
    void lookAtAndPerspective();
    void orthoMatrixMapsWindow();
};

void TestCamera::constructedState()
{
    const Camera cam;
    QVERIFY(same(cam.getEyePos(), {1, 0, 0}));
    QVERIFY(same(cam.getPOI(), {0, 0, 0}));
    QVERIFY(same(cam.getDir(), {-1, 0, 0}));
    QVERIFY(same(cam.getUp(), {0, 0, 1}));
    QVERIFY(same(cam.getRight(), {0, 1, 0}));
    QCOMPARE(cam.getFovY(), 45.0f);
    QCOMPARE(cam.getAspect(), 1.0f);
    QCOMPARE(cam.getWidth(), 100);
    QCOMPARE(cam.getHeight(), 100);
    QCOMPARE(cam.getDistance(), 1.0f);
}

void TestCamera::constructedMatrices()
{
    const Camera cam;
    const mat4 view = cam.getViewMatrix();
    // Looking from +x towards the origin with +z up: world +y is to the right.
    VERIFY_NEAR3(transformPoint(view, {1, 0, 0}), (vec3{0, 0, 0}), 1e-6f);
    VERIFY_NEAR3(transformPoint(view, {0, 0, 0}), (vec3{0, 0, -1}), 1e-6f);
    VERIFY_NEAR3(transformPoint(view, {0, 0, 1}), (vec3{0, 1, -1}), 1e-6f);
    VERIFY_NEAR3(transformPoint(view, {0, 1, 0}), (vec3{1, 0, -1}), 1e-6f);
    QCOMPARE(view.m[15], 1.0f);

    const mat4 proj = cam.getProjMatrix();
    const float f = static_cast<float>(1.0 / std::tan(22.5 * M_PI / 180.0));
    QVERIFY(near(proj.m[0], f));
    QVERIFY(near(proj.m[5], f));
    QVERIFY(near(proj.m[10], -100.01f / 99.99f));
    QVERIFY(near(proj.m[14], -2.0f * 100.0f * 0.01f / 99.99f));
    QCOMPARE(proj.m[11], -1.0f);
    QCOMPARE(proj.m[15], 0.0f);
    QCOMPARE(proj.m[1], 0.0f);
    QCOMPARE(proj.m[8], 0.0f);
}

void TestCamera::defaultOrbitFrame()
{
    const Camera cam = defaultOrbit();
    const float s = std::sqrt(3.0f) / 2.0f;
    VERIFY_NEAR3(cam.getEyePos(), (vec3{0, -0.15f, 0.3f * s}), 1e-6f);
    VERIFY_NEAR3(cam.getDir(), (vec3{0, 0.5f, -s}), 1e-6f);
    VERIFY_NEAR3(cam.getRight(), (vec3{1, 0, 0}), 1e-6f);
    VERIFY_NEAR3(cam.getUp(), (vec3{0, s, 0.5f}), 1e-6f);
    QVERIFY(same(cam.getPOI(), {0, 0, 0}));
    QVERIFY(near(cam.getDistance(), 0.3f, 1e-6f));
}

void TestCamera::orbitGuards()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // 1.5707964f lies just above pi/2, 1.5707963f just below it.
    for (float el : {1.5707964f, -1.5707964f, 2.0f, nan}) {
        Camera cam = defaultOrbit();
        const vec3 eye = cam.getEyePos();
        const vec3 dir = cam.getDir();
        cam.orbit(el, 0.3f);
        QVERIFY2(same(cam.getEyePos(), eye), QByteArray::number(el));
        QVERIFY(same(cam.getDir(), dir));
    }
    Camera cam = defaultOrbit();
    cam.orbit(1.5707963f, 0.0f);
    QVERIFY(cam.getEyePos().z > 0.2999f);
    QVERIFY(std::isfinite(cam.getRight().x));
}

void TestCamera::orbitUsesStoredDistance()
{
    Camera cam;
    cam.setPOI(0, 0, 0);
    cam.setEyePos(0.3f, 0, 0);
    // Moving the target does not update the orbit radius.
    cam.setPOI(0, 0, 0.4f);
    QVERIFY(near(cam.getDistance(), 0.5f));
    cam.orbit(0.0f, 0.0f);
    VERIFY_NEAR3(cam.getEyePos(), (vec3{0.3f, 0, 0.4f}), 1e-6f);
    VERIFY_NEAR3(cam.getDir(), (vec3{-1, 0, 0}), 1e-6f);

    // reset leaves the radius alone.
    cam.reset();
    cam.orbit(0.0f, 1.5707964f);
    VERIFY_NEAR3(cam.getEyePos(), (vec3{0, 0.3f, 0}), 1e-6f);
}

void TestCamera::setDistance()
{
    for (float d : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        Camera cam = defaultOrbit();
        const vec3 eye = cam.getEyePos();
        cam.setDistance(d);
        QVERIFY(same(cam.getEyePos(), eye));
        cam.orbit(0.0f, 0.0f);
        QVERIFY(near(cam.getDistance(), 0.3f));
    }
    Camera cam = defaultOrbit();
    const vec3 dir = cam.getDir();
    cam.setDistance(0.5f);
    QVERIFY(same(cam.getPOI(), {0, 0, 0}));
    QVERIFY(same(cam.getDir(), dir));
    VERIFY_NEAR3(cam.getEyePos(), -0.5f * dir, 1e-6f);
    QVERIFY(near(cam.getDistance(), 0.5f));
}

void TestCamera::setPOIOntoEye()
{
    Camera cam = defaultOrbit();
    const vec3 eye = cam.getEyePos();
    const vec3 dir = cam.getDir();
    const vec3 right = cam.getRight();
    cam.setPOI(eye.x, eye.y, eye.z);
    QVERIFY(same(cam.getPOI(), {0, 0, 0}));
    QVERIFY(same(cam.getDir(), dir));
    QVERIFY(same(cam.getRight(), right));

    // A real retarget keeps up and leaves right unnormalised.
    cam.setPOI(0, 0, eye.z);
    VERIFY_NEAR3(cam.getDir(), (vec3{0, 1, 0}), 1e-6f);
    VERIFY_NEAR3(cam.getRight(), cross(vec3{0, 1, 0}, cam.getUp()), 1e-6f);
    QVERIFY(length(cam.getRight()) < 0.99f);
}

void TestCamera::rayDirMatchesProjection()
{
    Camera cam = defaultOrbit();
    cam.setFovY(60.0f);
    cam.setSize(800, 600);
    VERIFY_NEAR3(cam.getRayDir(400, 300), cam.getDir(), 1e-6f);

    // A point along the ray must land on the pixel's edge position in NDC.
    const mat4 pv = cam.getProjMatrix() * cam.getViewMatrix();
    const int pixels[][2] = {{0, 0}, {800, 600}, {200, 450}, {799, 1}};
    for (const auto& px : pixels) {
        const vec3 ray = cam.getRayDir(px[0], px[1]);
        QVERIFY(near(length(ray), 1.0f));
        const vec3 ndc = transformPoint(pv, cam.getEyePos() + 0.2f * ray);
        QVERIFY2(near(ndc.x, 2.0f * px[0] / 800.0f - 1.0f, 1e-4f), str(ndc));
        QVERIFY2(near(ndc.y, 1.0f - 2.0f * px[1] / 600.0f, 1e-4f), str(ndc));
    }
}

void TestCamera::sizeAndAspect()
{
    Camera cam;
    cam.setSize(800, 600);
    QCOMPARE(cam.getAspect(), 1.3333334f);
    QCOMPARE(cam.getProjMatrix().m[0], cam.getProjMatrix().m[5] / 1.3333334f);
    // A collapsed widget keeps the last usable aspect.
    cam.setSize(800, 0);
    QCOMPARE(cam.getWidth(), 800);
    QCOMPARE(cam.getHeight(), 0);
    QCOMPARE(cam.getAspect(), 1.3333334f);
    QVERIFY(std::isfinite(cam.getProjMatrix().m[0]));
}

void TestCamera::vectorBasics()
{
    VERIFY_NEAR3(cross({1, 0, 0}, {0, 1, 0}), (vec3{0, 0, 1}), 0.0f);
    VERIFY_NEAR3(cross({0, 0, 1}, {1, 0, 0}), (vec3{0, 1, 0}), 0.0f);
    VERIFY_NEAR3(normalize({0, 3, 4}), (vec3{0, 0.6f, 0.8f}), 1e-7f);
    mat4 m = mat4::identity();
    m.m[1] = 7.0f; // column 0, row 1
    QCOMPARE(transpose(m).m[4], 7.0f);
    QCOMPARE(transpose(m).m[1], 0.0f);
}

void TestCamera::rotateIsRightHandedAndPostMultiplied()
{
    const mat4 rz = rotate(mat4::identity(), 90.0f, {0, 0, 5});
    VERIFY_NEAR3(transformPoint(rz, {1, 0, 0}), (vec3{0, 1, 0}), 1e-6f);
    const mat4 rx = rotate(mat4::identity(), 90.0f, {1, 0, 0});
    VERIFY_NEAR3(transformPoint(rx, {0, 1, 0}), (vec3{0, 0, 1}), 1e-6f);

    // 120 degrees about (1,1,1) permutes the axes x -> y -> z.
    const mat4 r = rotate(mat4::identity(), 120.0f, {1, 1, 1});
    VERIFY_NEAR3(transformPoint(r, {1, 0, 0}), (vec3{0, 1, 0}), 1e-6f);
    VERIFY_NEAR3(transformPoint(r, {0, 0, 1}), (vec3{1, 0, 0}), 1e-6f);

    // Each helper applies its transform on the right: T * R * S acts on a point as T(R(S p)).
    const mat4 m =
        scale(rotate(translate(mat4::identity(), {1, 2, 3}), 90.0f, {0, 0, 1}), {2, 2, 2});
    VERIFY_NEAR3(transformPoint(m, {1, 0, 0}), (vec3{1, 4, 3}), 1e-6f);
}

void TestCamera::inverse()
{
    const mat4 t = translate(mat4::identity(), {1, 2, 3});
    QVERIFY(near(::inverse(t), translate(mat4::identity(), {-1, -2, -3}), 1e-7f));
    const mat4 s = scale(mat4::identity(), {2, 4, 8});
    QVERIFY(near(::inverse(s), scale(mat4::identity(), {0.5f, 0.25f, 0.125f}), 0.0f));

    // A general matrix, perspective part included.
    mat4 m = scale(rotate(translate(mat4::identity(), {1, -2, 5}), 30.0f, {1, 2, 3}), {2, 3, 4});
    m.m[3] = 0.1f;
    m.m[7] = -0.2f;
    const mat4 inv = ::inverse(m);
    QVERIFY(near(inv * m, mat4::identity(), 1e-5f));
    QVERIFY(near(m * inv, mat4::identity(), 1e-5f));

    // A rotation's inverse is its transpose.
    const mat4 r = rotate(mat4::identity(), 37.0f, {0.3f, -1, 2});
    QVERIFY(near(::inverse(r), transpose(r), 1e-6f));

    mat4 singular = mat4::identity();
    singular.m[5] = 0.0f;
    QVERIFY(near(::inverse(singular), mat4::identity(), 0.0f));
}

void TestCamera::lookAtAndPerspective()
{
    const vec3 eye{2, -1, 3};
    const vec3 centre{-1, 3, 3};
    const mat4 v = lookAt(eye, centre, {0, 0, 2});
    VERIFY_NEAR3(transformPoint(v, eye), (vec3{0, 0, 0}), 1e-6f);
    VERIFY_NEAR3(transformPoint(v, centre), (vec3{0, 0, -5}), 1e-5f);
    VERIFY_NEAR3(transformPoint(v, eye + vec3{0, 0, 1}), (vec3{0, 1, 0}), 1e-6f);
    // Right of the viewing direction (-0.6, 0.8, 0) with z up is (0.8, 0.6, 0).
    VERIFY_NEAR3(transformPoint(v, eye + vec3{0.8f, 0.6f, 0}), (vec3{1, 0, 0}), 1e-6f);

    const mat4 p = perspective(90.0f, 2.0f, 1.0f, 10.0f);
    VERIFY_NEAR3(transformPoint(p, {0, 0, -1}), (vec3{0, 0, -1}), 1e-6f);
    VERIFY_NEAR3(transformPoint(p, {0, 0, -10}), (vec3{0, 0, 1}), 1e-5f);
    // 90 degrees: the top edge at distance d is at height d; width is twice the height.
    VERIFY_NEAR3(transformPoint(p, {4, 2, -2}), (vec3{1, 1, transformPoint(p, {0, 0, -2}).z}),
                 1e-6f);
}

void TestCamera::orthoMatrixMapsWindow()
{
    const mat4 o = orthoMatrix(-3, 5, 1, 2);
    VERIFY_NEAR3(transformPoint(o, {-3, 1, 0}), (vec3{-1, -1, 0}), 1e-6f);
    VERIFY_NEAR3(transformPoint(o, {5, 2, 0.5f}), (vec3{1, 1, -0.5f}), 1e-6f);
    QCOMPARE(o.m[15], 1.0f);
}

QTEST_GUILESS_MAIN(TestCamera)
#include "tst_gl_camera.moc"
