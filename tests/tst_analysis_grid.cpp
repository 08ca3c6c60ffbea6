// The measurements of a labelled grid on hand-made maps whose values are
// known: basin entropy, the Wada merging test, Wilson intervals and the
// comparison of a map with its recomputation.
#include "BasinEntropy.h"
#include "BasinFraction.h"
#include "LabelGrid.h"
#include "SettledMap.h"
#include "WadaMerge.h"

#include <QTest>

#include <cmath>
#include <functional>

namespace {

LabelGrid grid(int width, int height, const std::function<int(int i, int j)>& label)
{
    std::vector<int> labels;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            labels.push_back(label(i, j));
    return LabelGrid(width, height, std::move(labels));
}

// Three vertical stripes of labels 0, 1, 2, each `width` columns wide.
LabelGrid stripes(int width)
{
    return grid(3 * width, 8, [width](int i, int) { return i / width; });
}

} // namespace

class TestAnalysisGrid : public QObject
{
    Q_OBJECT

private slots:
    void entropyOfOneLabel();
    void entropyCountsWholeBoxesOnly();
    void entropyOfThreeEvenLabels();
    void wadaOfThreeStripes_data();
    void wadaOfThreeStripes();
    void wadaOfCyclicPattern();
    void wadaNeedsThreeBasins();
    void wilsonInterval();
    void settledPixels();
};

void TestAnalysisGrid::entropyOfOneLabel()
{
    const BasinEntropy e = BasinEntropy::measure(grid(12, 11, [](int, int) { return 3; }), 5);
    QCOMPARE(e.boxes, 4);
    QCOMPARE(e.entropy, 0.0);
    QCOMPARE(e.boundaryBoxes, 0);
    QCOMPARE(e.boundaryEntropy, 0.0);
    QCOMPARE(e.boundaryFraction, 0.0);
    QVERIFY(!e.fractalBoundary());
}

void TestAnalysisGrid::entropyCountsWholeBoxesOnly()
{
    // 23 x 12 pixels hold 4 x 2 whole boxes of 5. The boundary at column 7
    // cuts the second column of boxes 2 : 3; the one at column 21 lies in
    // the partial column of boxes, which is left out.
    const LabelGrid g = grid(23, 12, [](int i, int) { return i >= 7 && i < 21 ? 1 : 0; });
    const BasinEntropy e = BasinEntropy::measure(g, 5);
    const double s = -(0.4 * std::log(0.4) + 0.6 * std::log(0.6));
    QCOMPARE(e.boxSize, 5);
    QCOMPARE(e.boxes, 8);
    QCOMPARE(e.boundaryBoxes, 2);
    QCOMPARE(e.boundaryFraction, 0.25);
    QVERIFY(std::abs(e.entropy - 2.0 * s / 8.0) < 1e-15);
    QVERIFY(std::abs(e.boundaryEntropy - s) < 1e-15);
    QVERIFY(!e.fractalBoundary()); // 0.673 < ln 2

    // A map smaller than one box has none.
    QCOMPARE(BasinEntropy::measure(g, 13).boxes, 0);
}

void TestAnalysisGrid::entropyOfThreeEvenLabels()
{
    // Columns 0 1 2 0 1 2 ...: every box of 3 holds each label once a row.
    const BasinEntropy e = BasinEntropy::measure(grid(9, 6, [](int i, int) { return i % 3; }), 3);
    QCOMPARE(e.boxes, 6);
    QCOMPARE(e.boundaryFraction, 1.0);
    QVERIFY(std::abs(e.entropy - std::log(3.0)) < 1e-15);
    QVERIFY(std::abs(e.boundaryEntropy - std::log(3.0)) < 1e-15);
    QVERIFY(e.fractalBoundary());
}

void TestAnalysisGrid::wadaOfThreeStripes_data()
{
    QTest::addColumn<int>("radius");
    QTest::addColumn<double>("w");
    // The boundary of stripe 0 is columns 9 and 10; that of stripe 2,
    // columns 19 and 20: column 10 lies 9 away, column 9 10 away.
    QTest::newRow("r 1") << 1 << 1.0;
    QTest::newRow("r 8") << 8 << 1.0;
    QTest::newRow("r 9") << 9 << 0.5;
    QTest::newRow("r 10") << 10 << 0.0;
}

void TestAnalysisGrid::wadaOfThreeStripes()
{
    QFETCH(int, radius);
    QFETCH(double, w);
    const WadaMerge m = WadaMerge::measure(stripes(10), radius);
    QVERIFY(m.defined);
    QCOMPARE(m.basins, (std::vector<int>{0, 1, 2}));
    QCOMPARE(m.value, w);

    // Turned a quarter: rows instead of columns give the same.
    const LabelGrid turned = grid(8, 30, [](int, int j) { return j / 10; });
    QCOMPARE(WadaMerge::measure(turned, radius).value, w);
}

void TestAnalysisGrid::wadaOfCyclicPattern()
{
    const WadaMerge m = WadaMerge::measure(grid(30, 8, [](int i, int) { return i % 3; }), 1);
    QVERIFY(m.defined);
    QCOMPARE(m.value, 0.0);
    // Without the radius, the edge columns' boundaries miss a label each.
    QVERIFY(WadaMerge::measure(grid(30, 8, [](int i, int) { return i % 3; }), 0).value > 0.0);
}

void TestAnalysisGrid::wadaNeedsThreeBasins()
{
    // Two halves and a third label on one pixel in a hundred: under 1 %,
    // not a basin.
    const auto twoAndASpot = [](int spots) {
        return grid(10, 10,
                    [spots](int i, int j) { return j * 10 + i < spots ? 2 : (i < 5 ? 0 : 1); });
    };
    WadaMerge m = WadaMerge::measure(twoAndASpot(0), 1);
    QVERIFY(!m.defined);
    QCOMPARE(m.basins.size(), std::size_t(2));
    // One pixel of a hundred is 1 %: a basin.
    m = WadaMerge::measure(twoAndASpot(1), 1);
    QVERIFY(m.defined);
    QCOMPARE(m.basins, (std::vector<int>{0, 1, 2}));
    QVERIFY(m.value > 0.0);
    QVERIFY(
        !WadaMerge::measure(grid(20, 20, [](int i, int j) { return i + j < 1 ? 2 : i / 10; }), 1)
             .defined);
}

void TestAnalysisGrid::wilsonInterval()
{
    double low = 0.0, high = 0.0;
    // 8 of 10, by hand: centre (0.8 + z^2/20) / (1 + z^2/10), z = 1.96.
    BasinFraction::wilson(8, 10, low, high);
    QVERIFY(std::abs(low - 0.4901625) < 1e-7);
    QVERIFY(std::abs(high - 0.9433178) < 1e-7);
    // None of 20: from 0 to z^2 / (20 + z^2).
    BasinFraction::wilson(0, 20, low, high);
    QCOMPARE(low, 0.0);
    QVERIFY(std::abs(high - 0.1611252) < 1e-7);

    const std::vector<BasinFraction> f = BasinFraction::measure({0, 0, 3, 0, 1}, 4);
    QCOMPARE(f.size(), std::size_t(4));
    QCOMPARE(f[0].count, 3);
    QCOMPARE(f[0].share, 0.6);
    QCOMPARE(f[2].count, 0);
    QCOMPARE(f[2].low, 0.0);
    QVERIFY(f[2].high > 0.0);
    QCOMPARE(f[3].label, 3);
    QCOMPARE(f[3].share, 0.2);
    QVERIFY(f[3].low < 0.2 && f[3].high > 0.2);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, BasinFraction::measure({0, 4}, 4));
}

void TestAnalysisGrid::settledPixels()
{
    BasinResult map;
    map.request.width = 3;
    map.request.height = 2;
    map.attractor = {0, 1, BasinResult::kUndecided, 2, 0, 1};
    BasinResult finer = map;
    finer.request = SettledMap::finerRequest(map.request);
    QCOMPARE(finer.request.tolerance, map.request.tolerance / 10.0);
    finer.attractor[1] = 2;
    finer.attractor[2] = 0;
    finer.attractor[5] = BasinResult::kNotComputed;
    const SettledMap s = SettledMap::compare(map, finer);
    QCOMPARE(s.settled, (std::vector<std::uint8_t>{1, 0, 0, 1, 1, 0}));
    QCOMPARE(s.unsettledFraction, 0.5);

    finer.attractor.pop_back();
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SettledMap::compare(map, finer));
}

QTEST_GUILESS_MAIN(TestAnalysisGrid)
#include "tst_analysis_grid.moc"
