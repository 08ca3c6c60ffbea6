// The basin-of-attraction engine: the potential's critical points, the
// energy argument behind a capture, maps against paths, lanes against
// lanes, levels and cancellation.
#include "BasinCache.h"
#include "BasinEngine.h"
#include "BasinLanes.h"
#include "CaptureTable.h"
#include "MagnetModel.h"
#include "ModelState.h"
#include "PotentialLandscape.h"
#include "SystemData.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace {

QString configFile(const char* name)
{
    return QStringLiteral(ORVALIS_SOURCE_DIR "/config/%1.par").arg(QLatin1String(name));
}

BasinRequest smallRequest(const SystemData& d, int size)
{
    BasinRequest r = ModelState::of(d).basinRequest();
    r.width = r.height = size;
    r.threads = 2;
    return r;
}

// What the lanes run on for a request: the model's constants and the capture
// discs of its landscape, with the tolerance of the paths. The setup points
// into the others, so they live together.
struct Kernel
{
    Kernel(const BasinRequest& r, double stampLimit)
        : model(r.model), landscape(r.model), table(landscape.attractors())
    {
        setup.field = model.constants();
        setup.discs = table.discs();
        setup.capture = true;
        setup.eps = 1e-8;
        setup.stampLimit = stampLimit;
        setup.stepLimit = 1e9;
    }
    Kernel(const Kernel&) = delete;
    Kernel& operator=(const Kernel&) = delete;

    const MagnetModel model;
    const PotentialLandscape landscape;
    const CaptureTable table;
    basin::KernelSetup setup;
};

// The nearest attractor to (x, y).
int nearestAttractor(const std::vector<Attractor>& attractors, double x, double y)
{
    int best = -1;
    double bestDistance = 1e300;
    for (int k = 0; k < int(attractors.size()); ++k) {
        const double d =
            std::hypot(x - attractors[std::size_t(k)].x, y - attractors[std::size_t(k)].y);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

} // namespace

class TestCoreBasin : public QObject
{
    Q_OBJECT

private slots:
    void gradientIsMinusAcceleration();
    void criticalPoints_data();
    void criticalPoints();
    void energyNeverIncreases();

    void mapAgreesWithPaths();
    void laneIsThePathInDouble();
    void vectorLanesMatchPortable_data();
    void vectorLanesMatchPortable();
    void undampedIsUndecided();
    void levelsAndCancellation();
    void continuedMapKeepsItsPixels();
    void cacheFindsOnlyTheSameGrid();
    void cacheStaysWithinItsBound();
};

void TestCoreBasin::gradientIsMinusAcceleration()
{
    // Without damping and at rest, derivs gives the acceleration -grad U.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> position(-0.1, 0.1);
    for (const double kappa : {1.0, 2.0, 1.5, -1.0}) {
        SystemData d;
        d.damping = 0.0;
        d.kappa = kappa;
        d.appendMagnet(0.02f, 0.05f, -0.5f, 1, 1, 1);
        const PotentialLandscape u(ModelState::of(d).basinRequest().model);
        for (int trial = 0; trial < 20; ++trial) {
            const double y[4] = {position(random), position(random), 0.0, 0.0};
            double dydx[4], gx, gy;
            d.derivs(y, dydx);
            u.gradient(y[0], y[1], gx, gy);
            const double scale = std::fabs(dydx[2]) + std::fabs(dydx[3]);
            QVERIFY2(std::fabs(dydx[2] + gx) <= 1e-12 * scale, qPrintable(QString::number(kappa)));
            QVERIFY(std::fabs(dydx[3] + gy) <= 1e-12 * scale);
            // And the gradient is that of the potential (central differences).
            const double e = 1e-6;
            const double ngx =
                (u.potential(y[0] + e, y[1]) - u.potential(y[0] - e, y[1])) / (2 * e);
            QVERIFY2(std::fabs(ngx - gx) <= 1e-5 * scale, qPrintable(QString::number(ngx - gx)));
        }
    }
}

void TestCoreBasin::criticalPoints_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("minima");
    QTest::addColumn<int>("saddles");
    QTest::addColumn<int>("maxima");
    // Three wells over the magnets joined by two passes; four wells around a
    // central hill; the repelling middle magnet adds a hill and no well.
    QTest::newRow("default") << configFile("default") << 3 << 2 << 0;
    QTest::newRow("square") << configFile("square") << 4 << 4 << 1;
    QTest::newRow("repel") << configFile("repel") << 3 << 3 << 1;
}

void TestCoreBasin::criticalPoints()
{
    QFETCH(QString, file);
    QFETCH(int, minima);
    QFETCH(int, saddles);
    QFETCH(int, maxima);
    SystemData d;
    d.readParams(file);
    const PotentialLandscape u(ModelState::of(d).basinRequest().model);

    int count[3] = {0, 0, 0};
    for (const CriticalPoint& c : u.criticalPoints()) {
        ++count[c.kind];
        double gx, gy;
        u.gradient(c.x, c.y, gx, gy);
        QVERIFY(std::hypot(gx, gy) < 1e-9);
    }
    QCOMPARE(count[CriticalPoint::Minimum], minima);
    QCOMPARE(count[CriticalPoint::Saddle], saddles);
    QCOMPARE(count[CriticalPoint::Maximum], maxima);

    // Every well lies over an attracting magnet, one per magnet in magnet
    // order, and has a capture disc.
    const std::vector<Attractor>& a = u.attractors();
    QCOMPARE(int(a.size()), minima);
    for (int k = 0; k < int(a.size()); ++k) {
        QCOMPARE(a[std::size_t(k)].magnet, k);
        const Magnet& m = d.magnets[k];
        QVERIFY(std::hypot(a[std::size_t(k)].x - m.posX, a[std::size_t(k)].y - m.posY) < 0.02);
        QVERIFY(a[std::size_t(k)].radius > 0.0);
        QVERIFY(a[std::size_t(k)].barrier > a[std::size_t(k)].potential);
        // The disc holds no other critical point, and U on its rim stays
        // above the barrier.
        for (const CriticalPoint& c : u.criticalPoints())
            if (c.kind != CriticalPoint::Minimum || c.x != a[std::size_t(k)].x)
                QVERIFY(std::hypot(c.x - a[std::size_t(k)].x, c.y - a[std::size_t(k)].y) >
                        a[std::size_t(k)].radius);
        for (int s = 0; s < 997; ++s) {
            const double angle = 2 * M_PI * (s + 0.31) / 997;
            const double r = a[std::size_t(k)].radius;
            QVERIFY(u.potential(a[std::size_t(k)].x + r * std::cos(angle),
                                a[std::size_t(k)].y + r * std::sin(angle)) >
                    a[std::size_t(k)].barrier);
        }
    }
}

void TestCoreBasin::energyNeverIncreases()
{
    SystemData d;
    d.readParams(configFile("repel"));
    const PotentialLandscape u(ModelState::of(d).basinRequest().model);
    double y[4] = {0.13, -0.07, 0.0, 0.0};
    double t = 0.0, h = 0.005;
    double energy = u.potential(y[0], y[1]);
    for (int i = 0; i < 3000; ++i) {
        double dydx[4], yscal[4], hdid, hnext;
        d.derivs(y, dydx);
        for (int j = 0; j < 4; ++j)
            yscal[j] = std::fabs(y[j]) + std::fabs(h * dydx[j]) + 1e-30;
        d.rkqs(y, dydx, 4, t, h, 1e-8, yscal, hdid, hnext);
        h = hnext;
        const double e = 0.5 * (y[2] * y[2] + y[3] * y[3]) + u.potential(y[0], y[1]);
        QVERIFY2(e <= energy + 1e-9 * std::fabs(energy), qPrintable(QString::number(i)));
        energy = e;
    }
}

void TestCoreBasin::mapAgreesWithPaths()
{
    // A pixel's outcome is where the path from its centre comes to rest, and
    // it is caught at one of that path's own samples.
    SystemData d;
    BasinRequest r = smallRequest(d, 64);
    BasinEngine engine;
    QVERIFY(engine.run(r));
    const BasinResult& map = engine.result();

    std::mt19937 random(2024);
    std::uniform_int_distribution<int> pixel(0, r.width - 1);
    for (int trial = 0; trial < 300; ++trial) {
        const int i = pixel(random);
        const int j = pixel(random);
        const std::size_t k = map.index(i, j);
        const int a = map.attractor[k];
        QVERIFY2(a >= 0, qPrintable(QStringLiteral("pixel %1, %2 undecided").arg(i).arg(j)));
        const int n = map.steps[k];
        d.maxNumPoints = n + 4000;
        d.computeTrajectory(r.pixelX(i), r.pixelY(j));
        QCOMPARE(d.numTrajPoints, d.maxNumPoints);
        QCOMPARE(d.trajTimes[std::size_t(n)], 2.0f * map.time[k]);
        const Attractor& w = map.attractors[std::size_t(a)];
        const auto& caught = d.trajPoints[std::size_t(n)];
        QVERIFY(std::hypot(caught[0] - w.x, caught[1] - w.y) < w.radius * (1 + 1e-6));
        const auto& rest = d.trajPoints[std::size_t(d.numTrajPoints - 1)];
        QCOMPARE(nearestAttractor(map.attractors, rest[0], rest[1]), a);
        QVERIFY(std::hypot(rest[0] - w.x, rest[1] - w.y) < 0.1 * w.radius);
    }
}

void TestCoreBasin::laneIsThePathInDouble()
{
    // The state at which a lane is caught is the path's state after as many
    // controlled steps, double for double (the samples keep only floats).
    SystemData d;
    const BasinRequest r = smallRequest(d, 64);
    const Kernel kernel(r, 200.0);
    const basin::KernelSetup& setup = kernel.setup;
    basin::LaneBatch batch;
    for (int l = 0; l < basin::kLanes; ++l)
        batch.release(l, r.pixelX(7 * l + 3), r.pixelY(5 * l + 11));
    for (int l = 0; l < basin::kLanes; ++l) {
        while (batch.outcome[l] == basin::kRunning)
            basin::advancePortable(setup, batch, 1000);
        QVERIFY(batch.outcome[l] > 0.0);
        double y[4] = {r.pixelX(7 * l + 3), r.pixelY(5 * l + 11), 0.0, 0.0};
        double t = 0.0, h = 0.005;
        for (int n = 0; n < int(batch.steps[l]); ++n) {
            double dydx[4], yscal[4], hdid, hnext;
            d.derivs(y, dydx);
            for (int j = 0; j < 4; ++j)
                yscal[j] = std::max(std::fabs(y[j]) + std::fabs(h * dydx[j]) + 1e-30, 1e-12);
            d.rkqs(y, dydx, 4, t, h, 1e-8, yscal, hdid, hnext);
            t += hdid;
            h = hnext;
        }
        // QCOMPARE would compare doubles fuzzily.
        for (int j = 0; j < 4; ++j)
            QVERIFY2(batch.y[j][l] == y[j], qPrintable(QStringLiteral("lane %1").arg(l)));
        QVERIFY(batch.stamp[l] == t);
    }
}

void TestCoreBasin::vectorLanesMatchPortable_data()
{
    QTest::addColumn<double>("kappa");
    QTest::addColumn<int>("magnets");
    QTest::addColumn<double>("maxTime");
    // The default set long enough for captures; the others for the forces.
    QTest::newRow("default") << 1.0 << 3 << 5.0;
    QTest::newRow("kappa 1.5, 7 magnets") << 1.5 << 7 << 0.5;
    QTest::newRow("kappa 2, 30 magnets") << 2.0 << 30 << 0.5;
}

void TestCoreBasin::vectorLanesMatchPortable()
{
    std::vector<std::pair<const char*, basin::Advance>> kernels;
    if (basin::haveAvx2())
        kernels.emplace_back("AVX2", basin::advanceAvx2);
    if (basin::haveAvx512())
        kernels.emplace_back("AVX-512", basin::advanceAvx512);
    if (kernels.empty()) {
        // QSKIP without its variadic argument trips clang's pedantic warnings.
        QTest::qSkip("no vector lanes on this processor", __FILE__, __LINE__);
        return;
    }
    QFETCH(double, kappa);
    QFETCH(int, magnets);
    QFETCH(double, maxTime);
    SystemData d;
    d.kappa = kappa;
    if (magnets != 3) {
        d.magnets.clear();
        for (int m = 0; m < magnets; ++m) {
            const double angle = 2 * M_PI * m / magnets;
            d.appendMagnet(float(0.05 * std::cos(angle)), float(0.05 * std::sin(angle)),
                           m % 3 == 0 ? -0.3f : 1.0f, 1, 0, 0);
        }
    }
    BasinRequest r = smallRequest(d, 12);
    r.maxTime = maxTime;

    // The whole lane state, double for double, after eight pixels have run
    // to their ends: the portable kernel one lane after the other, each
    // vector kernel all at once.
    const Kernel kernel(r, 2.0 * maxTime);
    const basin::KernelSetup& setup = kernel.setup;
    basin::LaneBatch portable;
    for (int l = 0; l < basin::kLanes; ++l)
        portable.release(l, r.pixelX(l), r.pixelY(3 * l));
    const basin::LaneBatch start = portable;
    const auto running = [](const basin::LaneBatch& b) {
        return std::count(b.outcome, b.outcome + basin::kLanes, basin::kRunning) > 0;
    };
    while (running(portable))
        basin::advancePortable(setup, portable, 1000);
    const auto same = [](const auto& a, const auto& b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    };
    for (const auto& [name, advance] : kernels) {
        basin::LaneBatch vector = start;
        while (running(vector))
            advance(setup, vector, 1000);
        QVERIFY2(same(vector.y, portable.y), name);
        QVERIFY2(same(vector.dydx, portable.dydx), name);
        QVERIFY2(same(vector.h, portable.h), name);
        QVERIFY2(same(vector.stamp, portable.stamp), name);
        QVERIFY2(same(vector.steps, portable.steps), name);
        QVERIFY2(same(vector.outcome, portable.outcome), name);
    }

    // And the engine's maps (with the widest kernel), refilling lanes as
    // pixels end.
    BasinEngine engine;
    r.vectorLanes = false;
    QVERIFY(engine.run(r));
    const BasinResult portableMap = engine.result();
    r.vectorLanes = true;
    QVERIFY(engine.run(r));
    QVERIFY(engine.result().attractor == portableMap.attractor);
    QVERIFY(engine.result().time == portableMap.time);
    QVERIFY(engine.result().steps == portableMap.steps);
}

void TestCoreBasin::undampedIsUndecided()
{
    // Without damping nothing comes to rest, not even next to a well's bottom.
    SystemData d;
    d.damping = 0.0;
    BasinRequest r = smallRequest(d, 12);
    r.left = -0.03;
    r.right = -0.025;
    r.bottom = -0.031;
    r.top = -0.026;
    r.maxTime = 3.0;
    BasinEngine engine;
    QVERIFY(engine.run(r));
    for (const std::int16_t a : engine.result().attractor)
        QCOMPARE(a, BasinResult::kUndecided);
    for (const float t : engine.result().time)
        QVERIFY(t >= 3.0f);
}

void TestCoreBasin::levelsAndCancellation()
{
    SystemData d;
    BasinRequest r = smallRequest(d, 200);
    BasinEngine engine;
    QList<int> strides;
    bool levelComplete = true;
    engine.setLevelCallback([&](const BasinResult& result, int stride) {
        strides.append(stride);
        // Exactly the pixels of this level and the coarser ones are done.
        for (int j = 0; j < r.height; ++j)
            for (int i = 0; i < r.width; ++i) {
                const bool done = result.attractor[result.index(i, j)] != BasinResult::kNotComputed;
                levelComplete = levelComplete && done == (i % stride == 0 && j % stride == 0);
            }
        if (stride == 8)
            engine.cancel();
    });
    engine.start(r);
    engine.wait();
    QCOMPARE(strides, QList<int>{8});
    QVERIFY(levelComplete);
    QVERIFY(engine.result().cancelled);
    QCOMPARE(engine.result().stride, 8);

    // The engine takes the next request, and a full one reports every level.
    strides.clear();
    engine.setLevelCallback([&](const BasinResult&, int stride) { strides.append(stride); });
    r.width = r.height = 24;
    engine.start(r);
    engine.wait();
    QCOMPARE(strides, (QList<int>{8, 4, 2, 1}));
    QVERIFY(!engine.result().cancelled);
    for (const std::int16_t a : engine.result().attractor)
        QVERIFY(a >= 0);
}

void TestCoreBasin::continuedMapKeepsItsPixels()
{
    SystemData d;
    const BasinRequest r = smallRequest(d, 40);
    BasinEngine engine;
    QVERIFY(engine.run(r));
    const BasinResult fresh = engine.result();

    // A map cut off within its stride-2 level: every 4th pixel done, and some
    // of the rest, one of them marked so that a recomputation would show.
    BasinResult partial = fresh;
    partial.stride = 4;
    std::mt19937 random(5);
    for (int j = 0; j < r.height; ++j)
        for (int i = 0; i < r.width; ++i)
            if ((i % 4 != 0 || j % 4 != 0) && random() % 3 != 0)
                partial.attractor[partial.index(i, j)] = BasinResult::kNotComputed;
    partial.attractor[partial.index(2, 0)] = 7;
    partial.steps[partial.index(2, 0)] = -5;

    QList<int> strides;
    engine.setLevelCallback([&](const BasinResult&, int stride) { strides.append(stride); });
    QVERIFY(engine.run(r, &partial));
    QCOMPARE(strides, (QList<int>{2, 1}));
    BasinResult expected = fresh;
    expected.attractor[expected.index(2, 0)] = 7;
    expected.steps[expected.index(2, 0)] = -5;
    QVERIFY(engine.result().attractor == expected.attractor);
    QVERIFY(engine.result().time == expected.time);
    QVERIFY(engine.result().steps == expected.steps);
    QCOMPARE(engine.result().stride, 1);

    // A complete map is complete at once.
    strides.clear();
    QVERIFY(engine.run(r, &fresh));
    QVERIFY(strides.isEmpty());
    QVERIFY(engine.result().attractor == fresh.attractor);
}

namespace {

std::shared_ptr<BasinCache::Entry> cacheEntry(const BasinRequest& r, int stride)
{
    auto entry = std::make_shared<BasinCache::Entry>();
    entry->result.request = r;
    entry->result.stride = stride;
    const std::size_t pixels = std::size_t(r.width) * std::size_t(r.height);
    entry->result.attractor.assign(pixels, 0);
    entry->result.time.assign(pixels, 0.0f);
    entry->result.steps.assign(pixels, 0);
    return entry;
}

} // namespace

void TestCoreBasin::cacheFindsOnlyTheSameGrid()
{
    SystemData d;
    const BasinRequest r = smallRequest(d, 16);
    BasinCache cache;
    cache.store(cacheEntry(r, 1));

    // Everything a pixel depends on, each changed alone.
    std::vector<std::pair<const char*, std::function<void(BasinRequest&)>>> changes = {
        {"damping",
         [](BasinRequest& q) { q.model.damping = std::nextafter(q.model.damping, 2.0); }},
        {"kappa", [](BasinRequest& q) { q.model.kappa = 2.0; }},
        {"gravity", [](BasinRequest& q) { q.model.gravity = 9.8; }},
        {"length", [](BasinRequest& q) { q.model.pendulumLength = 2.5; }},
        {"height", [](BasinRequest& q) { q.model.pendulumHeight = 2.1; }},
        {"factor", [](BasinRequest& q) { q.model.magFactor = 0.02; }},
        {"magnet x", [](BasinRequest& q) { q.model.magnets[1].posX += 1e-6f; }},
        {"magnet z", [](BasinRequest& q) { q.model.magnets[0].posZ = -0.1f; }},
        {"strength", [](BasinRequest& q) { q.model.magnets[2].alpha = -1.0f; }},
        {"magnets", [](BasinRequest& q) { q.model.magnets.pop_back(); }},
        {"tolerance", [](BasinRequest& q) { q.tolerance = 1e-9; }},
        {"time limit", [](BasinRequest& q) { q.maxTime = 99.0; }},
        {"left", [](BasinRequest& q) { q.left = std::nextafter(q.left, 0.0); }},
        {"top", [](BasinRequest& q) { q.top *= 0.5; }},
        {"width", [](BasinRequest& q) { q.width = 17; }},
        {"height", [](BasinRequest& q) { q.height = 15; }},
        {"rows", [](BasinRequest& q) { q.rowEnd = 8; }},
    };
    for (const auto& [name, change] : changes) {
        BasinRequest other = r;
        change(other);
        QVERIFY2(!cache.find(other), name);
    }
    // What the pixels do not depend on: how they are computed, the colours.
    BasinRequest same = r;
    same.threads = 1;
    same.vectorLanes = false;
    same.coarsest = 32;
    same.model.magnets[0].color[0] = 0.25f;
    QVERIFY(cache.find(same));

    // A partial map does not replace a complete one; a more complete one does.
    cache.store(cacheEntry(r, 4));
    QCOMPARE(cache.find(r)->result.stride, 1);
    BasinRequest band = r;
    band.rowEnd = 8;
    cache.store(cacheEntry(band, 0));
    cache.store(cacheEntry(band, 2));
    QCOMPARE(cache.find(band)->result.stride, 2);
}

void TestCoreBasin::cacheStaysWithinItsBound()
{
    SystemData d;
    const BasinRequest r = smallRequest(d, 64);
    const std::size_t one = BasinCache::bytesOf(*cacheEntry(r, 1));
    BasinCache cache(3 * one + one / 2);
    std::vector<BasinRequest> grids;
    for (int k = 0; k < 12; ++k) {
        BasinRequest q = r;
        q.left -= 0.001 * k;
        grids.push_back(q);
        cache.store(cacheEntry(q, 1));
        QVERIFY(cache.bytesUsed() <= cache.capacityBytes());
        // The first map is used all along and stays; the others go in turn.
        QVERIFY(cache.find(grids[0]));
    }
    QCOMPARE(cache.bytesUsed(), 3 * one);
    QVERIFY(cache.find(grids[11]));
    QVERIFY(cache.find(grids[10]));
    QVERIFY(!cache.find(grids[9]));
    QVERIFY(!cache.find(grids[1]));

    // A map larger than the whole bound is not kept; a smaller bound evicts.
    BasinRequest large = r;
    large.width = 256;
    cache.store(cacheEntry(large, 1));
    QVERIFY(!cache.find(large));
    cache.setCapacityBytes(one);
    QCOMPARE(cache.bytesUsed(), one);
    QVERIFY(cache.find(grids[10]));
}

QTEST_GUILESS_MAIN(TestCoreBasin)
#include "tst_core_basin.moc"
