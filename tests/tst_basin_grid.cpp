// Maps on a grid of pixels: a pan's map takes the cells it shares with the
// maps before from the cache and computes only the rest, and ends as a map
// computed afresh on the same grid, bit for bit. The view's grids: a pan by
// whole pixels stays on its grid, anything else starts another. Painting
// takes the colours of the pixels a map before showed alike, and only those.
#include "BasinCache.h"
#include "BasinEngine.h"
#include "BasinPainter.h"
#include "ViewGrid.h"

#include <QTest>

#include <cmath>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Three magnets as the program starts with, damped hard so that maps are quick.
ModelParameters model()
{
    ModelParameters m;
    m.damping = 6.0;
    for (const auto& [x, y] : {std::pair{-0.03f, -0.03f}, {0.03f, -0.03f}, {0.0f, 0.0424f}}) {
        Magnet magnet;
        magnet.posX = x;
        magnet.posY = y;
        magnet.color[m.magnets.size()] = 1.0f;
        m.magnets.push_back(magnet);
    }
    return m;
}

const BasinGrid kGrid{-0.11, 0.09, 0.2 / 48, 0.2 / 40};

BasinRequest onGrid(std::int64_t column, std::int64_t row)
{
    BasinRequest r = BasinRequest::fromModel(model(), 5.0);
    r.width = 48;
    r.height = 40;
    r.maxTime = 20.0;
    r.threads = 2;
    r.placeOn(kGrid, column, row);
    return r;
}

BasinResult fresh(const BasinRequest& r)
{
    BasinEngine engine;
    engine.run(r);
    return engine.result();
}

std::shared_ptr<BasinCache::Entry> entryOf(const BasinResult& result)
{
    auto entry = std::make_shared<BasinCache::Entry>();
    entry->result = result;
    return entry;
}

bool samePixels(const BasinResult& a, const BasinResult& b)
{
    return a.attractor == b.attractor && a.time == b.time && a.steps == b.steps;
}

// The rectangle a view centred at (x, y) shows, as the 2D view reports it.
QRectF viewAt(double x, double y, double halfWidth, double halfHeight)
{
    return {x - halfWidth, y - halfHeight, 2.0 * halfWidth, 2.0 * halfHeight};
}

} // namespace

class TestBasinGrid : public QObject
{
    Q_OBJECT

private slots:
    void gridOfTheRectangleIsItsEvenDivision();
    void pansComputeOnlyWhatTheyUncover();
    void changedKeysShareNoPixels();
    void viewStaysOnItsGridThroughPans();
    void paintingCopiesOnlyWhatWasShownAlike();
};

void TestBasinGrid::gridOfTheRectangleIsItsEvenDivision()
{
    // A view's first grid starts at its corner: its map is the map of the
    // rectangle as the command line and the maps before grids computed it.
    const QRectF region(-0.0731, -0.052, 0.1377, 0.1033);
    const QSize pixels(37, 29);
    ViewGrid view;
    view.place(region, pixels);
    BasinRequest plain = BasinRequest::fromModel(model(), 5.0);
    plain.left = region.left();
    plain.right = region.right();
    plain.bottom = region.top();
    plain.top = region.bottom();
    plain.width = pixels.width();
    plain.height = pixels.height();
    BasinRequest gridded = plain;
    gridded.placeOn(view.grid(), view.column(), view.row());
    for (int i = 0; i < plain.width; ++i)
        QCOMPARE(gridded.pixelX(i), plain.pixelX(i));
    for (int j = 0; j < plain.height; ++j)
        QCOMPARE(gridded.pixelY(j), plain.pixelY(j));
    QCOMPARE(gridded.left, plain.left);
    QCOMPARE(gridded.top, plain.top);
}

void TestBasinGrid::pansComputeOnlyWhatTheyUncover()
{
    const BasinRequest home = onGrid(0, 0);
    BasinResult first = fresh(home);
    // A pixel marked so that a recomputation of it would show.
    first.attractor[first.index(20, 10)] = 7;
    first.steps[first.index(20, 10)] = -5;
    BasinCache cache;
    cache.store(entryOf(first));

    // Panned by 5 pixels left and 3 down: the shared cells come from the
    // map before, the uncovered strips are left to compute.
    const BasinRequest panned = onGrid(-5, 3);
    const auto seed = cache.assemble(panned);
    QVERIFY(seed);
    QCOMPARE(seed->stride, 0);
    for (int j = 0; j < panned.height; ++j)
        for (int i = 0; i < panned.width; ++i) {
            const bool shared = i >= 5 && j < panned.height - 3;
            QCOMPARE(seed->attractor[seed->index(i, j)] != BasinResult::kNotComputed, shared);
        }
    QCOMPARE(seed->steps[seed->index(25, 7)], -5);

    QList<int> strides;
    BasinEngine engine;
    engine.setLevelCallback([&](const BasinResult&, int stride) { strides.append(stride); });
    QVERIFY(engine.run(panned, seed.get()));
    QCOMPARE(strides, (QList<int>{8, 4, 2, 1}));
    BasinResult expected = fresh(panned);
    expected.attractor[expected.index(25, 7)] = 7;
    expected.steps[expected.index(25, 7)] = -5;
    QVERIFY(samePixels(engine.result(), expected));

    // A map left part way and a complete one lend what they have: a map
    // between them takes the complete map's cells first, then the other's.
    BasinResult partial = engine.result();
    partial.stride = 2;
    for (std::size_t k = 0; k < partial.attractor.size(); k += 3)
        partial.attractor[k] = BasinResult::kNotComputed;
    cache.store(entryOf(partial));
    const BasinRequest between = onGrid(-9, 1);
    const auto merged = cache.assemble(between);
    QVERIFY(merged);
    QVERIFY(engine.run(between, merged.get()));
    expected = fresh(between);
    expected.attractor[expected.index(29, 9)] = 7;
    expected.steps[expected.index(29, 9)] = -5;
    QVERIFY(samePixels(engine.result(), expected));

    // Its own map as far as it got keeps its levels.
    cache.store(entryOf(partial));
    const auto own = cache.assemble(panned);
    QVERIFY(own);
    QCOMPARE(own->stride, 2);
}

void TestBasinGrid::changedKeysShareNoPixels()
{
    BasinCache cache;
    cache.store(entryOf(fresh(onGrid(0, 0))));
    QVERIFY(cache.assemble(onGrid(10, -4)));

    // Everything a pixel depends on but where the image lies, each changed
    // alone: no cell of the map before may show.
    std::vector<std::pair<const char*, std::function<void(BasinRequest&)>>> changes = {
        {"damping",
         [](BasinRequest& q) { q.model.damping = std::nextafter(q.model.damping, 9.0); }},
        {"magnet x", [](BasinRequest& q) { q.model.magnets[1].posX += 1e-6f; }},
        {"strength", [](BasinRequest& q) { q.model.magnets[2].alpha = 0.5f; }},
        {"magnets", [](BasinRequest& q) { q.model.magnets.pop_back(); }},
        {"tolerance", [](BasinRequest& q) { q.tolerance = 1e-9; }},
        {"time limit", [](BasinRequest& q) { q.maxTime = 19.0; }},
        {"anchor", [](BasinRequest& q) { q.grid.anchorX += q.grid.pixelWidth / 2; }},
        {"pixel size", [](BasinRequest& q) { q.grid.pixelHeight *= 1.25; }},
        {"no grid", [](BasinRequest& q) { q.grid = BasinGrid(); }},
    };
    for (const auto& [name, change] : changes) {
        BasinRequest other = onGrid(10, -4);
        change(other);
        QVERIFY2(!cache.assemble(other), name);
    }
    // Nothing shared: nothing to start from.
    QVERIFY(!cache.assemble(onGrid(48, 0)));
    QVERIFY(!cache.assemble(onGrid(0, -40)));
}

void TestBasinGrid::viewStaysOnItsGridThroughPans()
{
    // A view of 300 x 200 pixels as the 2D view reports it, panned by whole
    // pixels of its own arithmetic.
    const QSize pixels(300, 200);
    const double halfHeight = 0.0873;
    const double halfWidth = 1.5 * halfHeight;
    const double pixel = 2.0 * halfWidth / pixels.width();
    ViewGrid view;
    view.place(viewAt(0.013, -0.002, halfWidth, halfHeight), pixels);
    const BasinGrid home = view.grid();

    view.place(viewAt(0.013 - 40 * pixel, -0.002 + 3 * pixel, halfWidth, halfHeight), pixels);
    QCOMPARE(view.column(), std::int64_t(-40));
    QCOMPARE(view.row(), std::int64_t(-3));
    QCOMPARE(view.grid().anchorX, home.anchorX);
    QCOMPARE(view.grid().pixelHeight, home.pixelHeight);

    // A part of a pixel, a zoom and another size each start a grid of their own.
    view.place(viewAt(0.013 - 0.5 * pixel, -0.002, halfWidth, halfHeight), pixels);
    QCOMPARE(view.column(), std::int64_t(0));
    QVERIFY(view.grid().anchorX != home.anchorX);
    view.place(viewAt(0.013, -0.002, halfWidth / 1.25, halfHeight / 1.25), pixels);
    QVERIFY(view.grid().pixelWidth != home.pixelWidth);
    view.place(viewAt(0.013, -0.002, halfWidth, halfHeight), QSize(301, 200));
    QVERIFY(view.grid().anchorX != home.anchorX || view.grid().pixelWidth != home.pixelWidth);

    // Back at the scale of the first, far along: on the first grid again.
    view.place(viewAt(0.013 + 1000 * pixel, -0.002 - 700 * pixel, halfWidth, halfHeight), pixels);
    QCOMPARE(view.grid().anchorX, home.anchorX);
    QCOMPARE(view.grid().anchorY, home.anchorY);
    QCOMPARE(view.column(), std::int64_t(1000));
    QCOMPARE(view.row(), std::int64_t(700));

    // No pixels, no grid.
    view.place(viewAt(0.0, 0.0, halfWidth, halfHeight), QSize());
    QVERIFY(view.grid().isNull());
}

void TestBasinGrid::paintingCopiesOnlyWhatWasShownAlike()
{
    const auto painted = [](const BasinResult& r, int stride, const BasinMap& known) {
        return BasinMap(r, stride, BasinPainter(r), known).image();
    };
    const auto plain = [](const BasinResult& r, int stride) {
        return BasinMap(r, stride, BasinPainter(r)).image();
    };
    const BasinResult home = fresh(onGrid(0, 0));
    const BasinMap homeMap(home, 1, BasinPainter(home));
    QCOMPARE(BasinMap(home, 1, BasinPainter(home), homeMap).image(), homeMap.image());

    // A pan's first picture and every level after it, each painted over the
    // one before, are the levels painted afresh.
    BasinCache cache;
    cache.store(entryOf(home));
    const BasinRequest panned = onGrid(-5, 3);
    const auto seed = cache.assemble(panned);
    QVERIFY(seed);
    BasinMap before(*seed, 16, BasinPainter(*seed), homeMap);
    QCOMPARE(before.image(), plain(*seed, 16));
    int levels = 0;
    BasinEngine engine;
    engine.setLevelCallback([&](const BasinResult& level, int stride) {
        ++levels;
        const BasinMap next(level, stride, BasinPainter(level), before);
        QCOMPARE(next.image(), plain(level, stride));
        before = next;
    });
    QVERIFY(engine.run(panned, seed.get()));
    QCOMPARE(levels, 4);

    // The same on a rectangle without a grid, as the plate's map is.
    BasinRequest plate = BasinRequest::fromModel(model(), 5.0);
    plate.width = plate.height = 40;
    plate.maxTime = 20.0;
    engine.setLevelCallback([&](const BasinResult& level, int stride) {
        const BasinMap next(level, stride, BasinPainter(level), before);
        QCOMPARE(next.image(), plain(level, stride));
        before = next;
    });
    before = BasinMap();
    QVERIFY(engine.run(plate));

    // A map painted in other colours, or showing a pixel as another capture,
    // lends nothing of it.
    BasinResult recoloured = home;
    recoloured.request.model.magnets[0].color[0] = 0.1f;
    QCOMPARE(painted(home, 1, BasinMap(recoloured, 1, BasinPainter(recoloured))), homeMap.image());
    BasinResult other = home;
    for (std::size_t k = 0; k < other.attractor.size(); k += 7)
        if (k % 2)
            other.attractor[k] = std::int16_t((other.attractor[k] + 1) % 3);
        else
            other.time[k] *= 0.5f;
    QCOMPARE(painted(home, 1, BasinMap(other, 1, BasinPainter(other))), homeMap.image());
}

QTEST_GUILESS_MAIN(TestBasinGrid)
#include "tst_basin_grid.moc"
