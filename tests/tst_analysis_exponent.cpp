// The uncertainty exponent on a boundary whose answer is known, the release
// points it draws, the classifier of single points against the map's
// pixels, and the measurements of a whole map with their tables and
// cancellation.
#include "BasinEngine.h"
#include "BasinMeasurements.h"
#include "MeasurementTables.h"
#include "ModelState.h"
#include "PointClassifier.h"
#include "PotentialLandscape.h"
#include "SystemData.h"
#include "UncertaintyExponent.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

BasinRequest smallRequest(int size)
{
    BasinRequest r = ModelState::of(SystemData()).basinRequest();
    r.width = r.height = size;
    r.threads = 2;
    return r;
}

QStringList firstColumn(const QString& table)
{
    QStringList column;
    for (const QString& line : table.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        column.append(line.section(QLatin1Char('\t'), 0, 0));
    return column;
}

} // namespace

class TestAnalysisExponent : public QObject
{
    Q_OBJECT

private slots:
    void releasePoints();
    void straightBoundary();
    void classifierMatchesMapPixels_data();
    void classifierMatchesMapPixels();
    void classifierCancels();
    void measurementsOfMap();
    void measurementsCancelAndRefuse();
};

void TestAnalysisExponent::releasePoints()
{
    const UncertaintyExponent::Region region{-2.0, 1.0, 2.0, 2.0};
    const int n = 50;
    const std::vector<PlanePoint> p = UncertaintyExponent::releasePoints(region, n, 7);
    QCOMPARE(p.size(), std::size_t(n * 29));
    for (int i = 0; i < n; ++i) {
        const PlanePoint& x = p[std::size_t(i)];
        QVERIFY(x.x >= -2.0 && x.x < 2.0 && x.y >= 1.0 && x.y < 2.0);
        // Both perturbations lie eps = 4 / 2^k away on either side.
        for (int k = 3; k <= 16; ++k) {
            const std::size_t first = std::size_t(n) * std::size_t(1 + 2 * (k - 3));
            const PlanePoint& plus = p[first + 2 * std::size_t(i)];
            const PlanePoint& minus = p[first + 2 * std::size_t(i) + 1];
            const double eps = std::ldexp(4.0, -k);
            QVERIFY(std::abs(std::hypot(plus.x - x.x, plus.y - x.y) - eps) < 1e-12 * eps + 1e-15);
            QVERIFY(std::abs(plus.x + minus.x - 2.0 * x.x) < 1e-15);
            QVERIFY(std::abs(plus.y + minus.y - 2.0 * x.y) < 1e-15);
        }
    }
    // A seed repeats its points; another draws others.
    const std::vector<PlanePoint> again = UncertaintyExponent::releasePoints(region, n, 7);
    const std::vector<PlanePoint> other = UncertaintyExponent::releasePoints(region, n, 8);
    QCOMPARE(std::memcmp(p.data(), again.data(), p.size() * sizeof(PlanePoint)), 0);
    QVERIFY(std::memcmp(p.data(), other.data(), p.size() * sizeof(PlanePoint)) != 0);
}

void TestAnalysisExponent::straightBoundary()
{
    // A straight boundary at x = 0.3: f(eps) = (4 / pi) eps, so alpha = 1.
    const UncertaintyExponent::Labeller halves = [](const std::vector<PlanePoint>& points,
                                                    std::vector<int>& labels) {
        for (const PlanePoint& p : points)
            labels.push_back(p.x < 0.3 ? 0 : 1);
        return true;
    };
    UncertaintyExponent u;
    QVERIFY(u.measure({0.0, 0.0, 1.0, 1.0}, 100000, 1, halves));
    QCOMPARE(u.scales.size(), std::size_t(14));
    QCOMPARE(u.scales.front().epsilon, 0.125);
    QCOMPARE(u.scales.back().epsilon, std::ldexp(1.0, -16));
    int fitted = 0;
    for (const UncertaintyExponent::Scale& s : u.scales) {
        QCOMPARE(s.samples, 100000);
        QCOMPARE(s.fraction, s.uncertain / 100000.0);
        fitted += s.uncertain >= UncertaintyExponent::kFitMinimum;
        if (s.epsilon < 0.01) // far from the region's edges
            QVERIFY(std::abs(s.fraction / (4.0 / M_PI * s.epsilon) - 1.0) <
                    4.0 / std::sqrt(double(std::max(s.uncertain, 1))));
    }
    QCOMPARE(u.fitted, fitted);
    QVERIFY(u.fitted >= 5 && u.fitted < 14); // the smallest eps have too few
    QVERIFY(u.defined);
    QVERIFY(std::abs(u.alpha - 1.0) < 0.03);
    QVERIFY(u.alphaError > 0.0 && u.alphaError < 0.03);
    QCOMPARE(u.dimension(), 2.0 - u.alpha);
    QCOMPARE(u.sampleLabels.size(), std::size_t(100000));

    // One label everywhere: nothing is uncertain, so no exponent.
    QVERIFY(u.measure({0.0, 0.0, 1.0, 1.0}, 1000, 1,
                      [](const std::vector<PlanePoint>& p, std::vector<int>& labels) {
                          labels.assign(p.size(), 4);
                          return true;
                      }));
    QVERIFY(!u.defined);
    QCOMPARE(u.scales.front().uncertain, 0);
}

void TestAnalysisExponent::classifierMatchesMapPixels_data()
{
    QTest::addColumn<bool>("vector");
    QTest::newRow("vector lanes") << true;
    QTest::newRow("portable lanes") << false;
}

void TestAnalysisExponent::classifierMatchesMapPixels()
{
    QFETCH(bool, vector);
    BasinRequest r = smallRequest(40);
    r.vectorLanes = vector;
    BasinEngine engine;
    QVERIFY(engine.run(r));
    std::vector<PlanePoint> centres;
    for (int j = 0; j < r.height; ++j)
        for (int i = 0; i < r.width; ++i)
            centres.push_back({r.pixelX(i), r.pixelY(j)});
    // In reverse, so that the lanes meet the points in another order.
    std::reverse(centres.begin(), centres.end());
    PointClassifier classifier;
    QVERIFY(classifier.run(r, centres));
    std::vector<std::int16_t> outcomes = classifier.outcomes();
    std::reverse(outcomes.begin(), outcomes.end());
    QCOMPARE(outcomes, engine.result().attractor);
    QCOMPARE(classifier.attractors().size(), engine.result().attractors.size());
}

void TestAnalysisExponent::classifierCancels()
{
    const BasinRequest r = smallRequest(1);
    const std::vector<PlanePoint> points(200, PlanePoint{0.01, 0.02});
    PointClassifier classifier;
    classifier.cancel();
    QVERIFY(!classifier.run(r, points));
    QCOMPARE(classifier.outcomes(), std::vector<std::int16_t>(200, BasinResult::kNotComputed));
    // Still cancelled until resumed.
    QVERIFY(!classifier.run(r, points));
    classifier.resume();
    QVERIFY(classifier.run(r, points));
    for (const std::int16_t a : classifier.outcomes())
        QCOMPARE(a, classifier.outcomes().front());
    QVERIFY(classifier.outcomes().front() >= 0);
}

void TestAnalysisExponent::measurementsOfMap()
{
    const BasinRequest r = smallRequest(48);
    BasinEngine engine;
    QVERIFY(engine.run(r));
    BasinMeasurements m;
    MeasurementOptions o;
    o.samples = 200;
    o.verify = true;
    double lastProgress = -1.0;
    bool progressOrdered = true;
    m.setProgressCallback([&](double f) {
        progressOrdered = progressOrdered && f >= lastProgress && f <= 1.0;
        lastProgress = f;
    });
    QVERIFY(m.measure(engine.result(), o));
    QVERIFY(progressOrdered);
    QCOMPARE(m.entropy().boxes, 81);
    QVERIFY(m.entropy().entropy > 0.0);
    QVERIFY(m.wada().defined); // the default set has three magnets
    QVERIFY(m.settled());
    QCOMPARE(m.settled()->settled.size(), std::size_t(48 * 48));

    // The fractions count the exponent's sample points, undecided last.
    QCOMPARE(m.fractions().size(), engine.result().attractors.size() + 1);
    int counted = 0;
    for (const BasinFraction& f : m.fractions())
        counted += f.count;
    QCOMPARE(counted, 200);

    const QString text = MeasurementTables::all(m);
    QVERIFY(text.startsWith(QLatin1Char('\n')));
    const QStringList tables = text.mid(1).split(QStringLiteral("\n\n"));
    QCOMPARE(tables.size(), 3);
    QCOMPARE(firstColumn(tables[0]),
             (QStringList{"metric", "basin_entropy", "boundary_basin_entropy", "boundary_fraction",
                          "wada_merge", "uncertainty_exponent", "boundary_dimension",
                          "unsettled_fraction"}));
    QCOMPARE(tables[0].section(QLatin1Char('\n'), 1, 1),
             QStringLiteral("basin_entropy\t%1\t").arg(m.entropy().entropy, 0, 'g', 6));
    QCOMPARE(firstColumn(tables[1]).size(), 15);
    QCOMPARE(tables[1].section(QLatin1Char('\n'), 1, 1).section(QLatin1Char('\t'), 2, 2),
             QStringLiteral("200"));
    const QStringList fractionRows = tables[2].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(fractionRows.size(), int(m.fractions().size()) + 1);
    QCOMPARE(fractionRows.front(), QStringLiteral("fraction\tattractor\tmagnet\tshare\tlow\thigh"));
    QVERIFY(fractionRows.back().startsWith(QStringLiteral("fraction\tundecided\t\t")));
    for (const QString& row : fractionRows)
        QCOMPARE(row.count(QLatin1Char('\t')), 5);
}

void TestAnalysisExponent::measurementsCancelAndRefuse()
{
    // A map made by hand, all of attractor 0: computing it again takes
    // seconds, so the recomputation reports progress before it ends.
    BasinResult map;
    map.request = smallRequest(400);
    map.attractors = PotentialLandscape(map.request.model).attractors();
    map.attractor.assign(400 * 400, 0);
    BasinMeasurements m;
    MeasurementOptions o;
    o.samples = 10;
    o.verify = true;

    // Cancelled while the map is recomputed: the points' share of the
    // progress is 290 / 160290.
    bool cancelled = false;
    double cancelAbove = 0.01;
    m.setProgressCallback([&](double f) {
        if (!cancelled && f > cancelAbove) {
            cancelled = true;
            m.cancel();
        }
    });
    QVERIFY(!m.measure(map, o));
    QVERIFY(cancelled);
    QVERIFY(m.error().isEmpty());
    QVERIFY(!m.settled());

    // Without damping and with no time limit to speak of, the points never
    // end unless cancelled: the first report cancels.
    BasinResult endless = map;
    endless.request.model.damping = 0.0;
    endless.request.maxTime = 1e12;
    o.verify = false;
    cancelled = false;
    cancelAbove = -1.0;
    QVERIFY(!m.measure(endless, o));
    QVERIFY(cancelled);

    // A cancel() between measures stops the next one only.
    m.setProgressCallback(nullptr);
    m.cancel();
    QVERIFY(!m.measure(map, o));
    QVERIFY(m.measure(map, o));
    QCOMPARE(m.exponent().sampleLabels.size(), std::size_t(o.samples));

    // A band, and a map not complete, are refused with a reason.
    BasinResult band = map;
    band.request.rowEnd = 200;
    band.attractor.resize(400 * 200);
    QVERIFY(!m.measure(band, o));
    QVERIFY(m.error().contains(QLatin1String("band")));
    map.attractor[5] = BasinResult::kNotComputed;
    QVERIFY(!m.measure(map, o));
    QVERIFY(m.error().contains(QLatin1String("complete")));
}

QTEST_GUILESS_MAIN(TestAnalysisExponent)
#include "tst_analysis_exponent.moc"
