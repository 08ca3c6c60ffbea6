// The scene's shapes and where they stand, checked on the CPU: the box is
// closed and wound outwards (back faces are culled), the cylinder's pairs and
// normals are what its strip and fan draws read, and the parts meet where the
// picking and the drags expect them.
#include "SceneLayout.h"
#include "SceneMesh.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

vec3 vertex(const SceneMesh& mesh, int i)
{
    const float* p = &mesh.positions[std::size_t(i) * 4];
    return {p[0], p[1], p[2]};
}

vec3 transformed(const mat4& m, vec3 p)
{
    return {m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12],
            m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13],
            m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14]};
}

struct Bounds
{
    vec3 low{1e9f, 1e9f, 1e9f};
    vec3 high{-1e9f, -1e9f, -1e9f};
};

// Bounds of a mesh placed by `m`.
Bounds boundsOf(const SceneMesh& mesh, const mat4& m = mat4::identity())
{
    Bounds b;
    for (int i = 0; i < mesh.vertexCount(); ++i) {
        const vec3 p = transformed(m, vertex(mesh, i));
        b.low = {std::min(b.low.x, p.x), std::min(b.low.y, p.y), std::min(b.low.z, p.z)};
        b.high = {std::max(b.high.x, p.x), std::max(b.high.y, p.y), std::max(b.high.z, p.z)};
    }
    return b;
}

bool near(float a, float b, float tolerance = 1e-6f)
{
    return std::fabs(a - b) <= tolerance;
}

constexpr int ringSamples = 50;

} // namespace

class TestSceneMesh : public QObject
{
    Q_OBJECT

private slots:
    void boxIsClosedAndWoundOutwards();
    void cylinderPairsFormRimAndCaps();
    void magnetsStandOnThePlate();
    void armReachesOverThePivot();
    void bobHangsOnItsRod();
};

void TestSceneMesh::boxIsClosedAndWoundOutwards()
{
    const SceneMesh box = SceneMesh::box();
    QCOMPARE(box.vertexCount(), 8);
    QCOMPARE(box.indices.size(), std::size_t(36));
    QVERIFY(box.normals.empty());
    const Bounds b = boundsOf(box);
    QCOMPARE(b.low.x, -0.5f);
    QCOMPARE(b.low.y, -0.5f);
    QCOMPARE(b.low.z, 0.0f);
    QCOMPARE(b.high.x, 0.5f);
    QCOMPARE(b.high.y, 0.5f);
    QCOMPARE(b.high.z, 1.0f);
    for (int i = 0; i < box.vertexCount(); ++i)
        QCOMPARE(box.positions[std::size_t(i) * 4 + 3], 1.0f);

    // Every edge is used once in each direction: closed, and wound one way throughout.
    std::map<std::pair<unsigned, unsigned>, int> edges;
    const vec3 centre{0.0f, 0.0f, 0.5f};
    for (std::size_t t = 0; t < box.indices.size(); t += 3) {
        const unsigned k[3] = {box.indices[t], box.indices[t + 1], box.indices[t + 2]};
        for (int e = 0; e < 3; ++e) {
            QVERIFY(k[e] < 8u);
            ++edges[{k[e], k[(e + 1) % 3]}];
        }
        // Counter-clockwise seen from outside: the face normal points away from the centre.
        const vec3 a = vertex(box, int(k[0]));
        const vec3 n = cross(vertex(box, int(k[1])) - a, vertex(box, int(k[2])) - a);
        const vec3 middle = (1.0f / 3.0f) * (a + vertex(box, int(k[1])) + vertex(box, int(k[2])));
        QVERIFY2(dot(n, middle - centre) > 0.0f, qPrintable(QString::number(t / 3)));
    }
    QCOMPARE(edges.size(), std::size_t(36));
    for (const auto& [edge, uses] : edges) {
        QCOMPARE(uses, 1);
        QVERIFY(edges.count({edge.second, edge.first}) == 1);
    }
}

void TestSceneMesh::cylinderPairsFormRimAndCaps()
{
    for (const int samples : {5, ringSamples}) {
        const SceneMesh cylinder = SceneMesh::cylinder(samples);
        // The cap centres, then the rim: pairs of (top, bottom).
        QCOMPARE(cylinder.vertexCount(), 2 * (samples + 1));
        QCOMPARE(cylinder.normals.size(), std::size_t(cylinder.vertexCount()) * 3);
        QVERIFY(cylinder.indices.empty());
        const Bounds b = boundsOf(cylinder);
        QVERIFY(b.low.x >= -0.5f && b.high.x <= 0.5f && b.low.y >= -0.5f && b.high.y <= 0.5f);
        QCOMPARE(b.low.z, -0.5f);
        QCOMPARE(b.high.z, 0.5f);

        for (int i = 0; i < cylinder.vertexCount(); ++i) {
            const float* n = &cylinder.normals[std::size_t(i) * 3];
            QVERIFY(near(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, 1e-6f));
            QCOMPARE(cylinder.positions[std::size_t(i) * 4 + 3], 1.0f);
        }
        QCOMPARE(cylinder.normals[2], 1.0f);
        QCOMPARE(cylinder.normals[5], -1.0f);
        QCOMPARE(vertex(cylinder, 0).z, 0.5f);
        QCOMPARE(vertex(cylinder, 1).z, -0.5f);

        for (int pair = 1; pair <= samples; ++pair) {
            const vec3 top = vertex(cylinder, 2 * pair);
            const vec3 bottom = vertex(cylinder, 2 * pair + 1);
            QCOMPARE(top.x, bottom.x);
            QCOMPARE(top.y, bottom.y);
            QVERIFY(near(top.z, 0.5f) && near(bottom.z, -0.5f));
            QVERIFY(near(length({top.x, top.y, 0.0f}), 0.5f));
            // Rim normals point straight out from the axis.
            const float* n = &cylinder.normals[std::size_t(2 * pair) * 3];
            QVERIFY(near(n[0], 2.0f * top.x) && near(n[1], 2.0f * top.y) && n[2] == 0.0f);
        }
        // The rim goes round once, evenly, and its last sample closes it.
        const vec3 first = vertex(cylinder, 2);
        const vec3 last = vertex(cylinder, 2 * samples);
        QVERIFY(near(first.x, last.x) && near(first.y, last.y));
        const vec3 second = vertex(cylinder, 4);
        const float turn = 6.2831853f / float(samples - 1);
        QVERIFY(near(std::atan2(second.y, second.x), turn, 1e-5f));
    }
}

void TestSceneMesh::magnetsStandOnThePlate()
{
    const SceneLayout layout(2.0, 2.02);
    const Bounds plate = boundsOf(SceneMesh::box(), layout.plate());
    QVERIFY(near(plate.high.z, SceneLayout::plateTop));
    QVERIFY(plate.low.z < plate.high.z);
    QVERIFY(near(plate.low.x, -0.5f) && near(plate.high.y, 0.5f));

    // Foot on the plate's top, top in the plane z = 0, where the drags move it.
    const SceneMesh cylinder = SceneMesh::cylinder(ringSamples);
    const Bounds magnet = boundsOf(cylinder, SceneLayout::magnet(0.03f, -0.02f));
    QVERIFY(near(magnet.low.z, SceneLayout::plateTop));
    QVERIFY(near(magnet.high.z, 0.0f));
    // (The rim's samples are not symmetric about every axis.)
    QVERIFY(near((magnet.low.x + magnet.high.x) / 2, 0.03f, 1e-4f));
    QVERIFY(near((magnet.low.y + magnet.high.y) / 2, -0.02f, 1e-4f));

    // The collar lies on the plate around the magnet's foot, wider than it.
    const Bounds collar = boundsOf(cylinder, SceneLayout::collar(0.03f, -0.02f));
    QVERIFY(near(collar.low.z, SceneLayout::plateTop));
    QVERIFY(collar.high.z > collar.low.z && collar.high.z < magnet.high.z);
    QVERIFY(collar.low.x < magnet.low.x && collar.high.x > magnet.high.x);
}

void TestSceneMesh::armReachesOverThePivot()
{
    for (const auto& [length, height] : {std::pair{2.0, 2.02}, std::pair{0.05, 0.2}}) {
        const SceneLayout layout(length, height);
        const vec3 pivot = transformed(inverse(layout.arm()), {0.0f, 0.0f, float(height)});
        QVERIFY2(std::fabs(pivot.x) <= 0.5f && std::fabs(pivot.y) <= 0.5f && pivot.z >= 0.0f &&
                     pivot.z <= 1.0f,
                 qPrintable(QStringLiteral("pivot at (%1, %2, %3) of the arm")
                                .arg(pivot.x)
                                .arg(pivot.y)
                                .arg(pivot.z)));
    }
}

void TestSceneMesh::bobHangsOnItsRod()
{
    const double length = 2.0;
    const double height = 2.02;
    const SceneLayout layout(length, height);
    QVERIFY(near(layout.bobHeight(0.0f, 0.0f), float(height - length)));
    for (const auto& [x, y] : {std::pair{0.05f, 0.0f}, std::pair{-0.3f, 0.4f}}) {
        const float z = layout.bobHeight(x, y);
        const double dz = z - height;
        QVERIFY(near(float(std::sqrt(double(x) * x + double(y) * y + dz * dz)), 2.0f, 1e-5f));
        QVERIFY(z < height);
        const vec3 centre = transformed(layout.bob(x, y), {0.0f, 0.0f, 0.0f});
        QCOMPARE(centre.x, x);
        QCOMPARE(centre.y, y);
        QCOMPARE(centre.z, z);
    }
    // Beyond the rod's reach, and for a rod of no length, level with the pivot.
    QCOMPARE(layout.bobHeight(3.0f, 0.0f), float(height));
    QCOMPARE(SceneLayout(0.0, 0.5).bobHeight(0.1f, 0.0f), 0.5f);
}

QTEST_GUILESS_MAIN(TestSceneMesh)
#include "tst_view3d_mesh.moc"
