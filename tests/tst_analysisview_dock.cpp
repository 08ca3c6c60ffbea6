// The Analysis dock on its own, under Xvfb: the figures of a complete map
// against the measurements made directly, what makes them stale, and the
// uncertainty exponent measured in the background, cancelled and plotted.
#include "AnalysisDock.h"

#include "BasinEngine.h"
#include "BasinPainter.h"
#include "LabelGrid.h"
#include "LogLogPlot.h"
#include "ModelState.h"
#include "Pixels.h"
#include "SystemData.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

constexpr int kWait = 60000; // ms: a busy machine, generously

BasinResult completeMap(int size)
{
    BasinRequest r = ModelState::of(SystemData()).basinRequest();
    r.width = r.height = size;
    r.threads = 2;
    BasinEngine engine;
    engine.run(r);
    return engine.result();
}

BasinMap level(const BasinResult& result, int stride)
{
    return BasinMap(result, stride, BasinPainter(result));
}

QString text(const AnalysisDock& dock, const char* name)
{
    return dock.findChild<QLabel*>(QLatin1String(name))->text();
}

int lineColourPixels(const AnalysisDock& dock)
{
    const QImage plot = dock.findChild<LogLogPlot*>()->grab().toImage();
    return countColour(plot, LogLogPlot::kLineColour.rgb() & 0xffffff);
}

} // namespace

class TestAnalysisViewDock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void figuresOfCompleteMap();
    void figuresWaitUntilShown();
    void changesMakeFiguresStale();
    void exponentCancels();
    void exponentMatchesDirectMeasure();

private:
    BasinResult map;
};

void TestAnalysisViewDock::initTestCase()
{
    map = completeMap(48);
    QVERIFY(!map.cancelled);
}

void TestAnalysisViewDock::figuresOfCompleteMap()
{
    AnalysisDock dock;
    dock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dock));
    QVERIFY(dock.figuresStale());
    dock.setMap(level(map, 1));
    QTRY_VERIFY_WITH_TIMEOUT(!dock.figuresStale(), kWait);

    const LabelGrid grid = *LabelGrid::fromResult(map);
    const BasinEntropy entropy = BasinEntropy::measure(grid, 5);
    const WadaMerge wada = WadaMerge::measure(grid, 1);
    QVERIFY(dock.figures());
    const MapFigures& f = *dock.figures();
    QCOMPARE(f.entropy.boxes, entropy.boxes);
    QCOMPARE(f.entropy.entropy, entropy.entropy);
    QCOMPARE(f.entropy.boundaryEntropy, entropy.boundaryEntropy);
    QCOMPARE(f.entropy.boundaryFraction, entropy.boundaryFraction);
    QVERIFY(wada.defined); // three magnets
    QCOMPARE(f.wada.value, wada.value);
    // The shares as the map counts them for its legend.
    QCOMPARE(f.shares, level(map, 1).shares());

    QCOMPARE(text(dock, "basinEntropy"), QString::number(entropy.entropy, 'f', 4));
    QVERIFY(
        text(dock, "boundaryEntropy").startsWith(QString::number(entropy.boundaryEntropy, 'f', 4)));
    QVERIFY(text(dock, "boundaryEntropy").contains(QStringLiteral("ln 2")));
    QCOMPARE(text(dock, "boundaryFraction"), QString::number(entropy.boundaryFraction, 'f', 4));
    QCOMPARE(text(dock, "wada"), QString::number(wada.value, 'f', 4));
    QCOMPARE(text(dock, "shares").split(QLatin1Char('\n')).size(), int(map.attractors.size()) + 1);
    QVERIFY(dock.findChild<QGroupBox*>()->isEnabled());
    QVERIFY(!text(dock, "state").contains(QStringLiteral("stale")));
}

void TestAnalysisViewDock::figuresWaitUntilShown()
{
    AnalysisDock dock;
    dock.setMap(level(map, 1));
    QTest::qWait(200);
    QVERIFY(!dock.figures()); // nothing measured for a hidden dock
    dock.show();
    QTRY_VERIFY_WITH_TIMEOUT(!dock.figuresStale(), kWait);
    QVERIFY(dock.figures());
}

void TestAnalysisViewDock::changesMakeFiguresStale()
{
    AnalysisDock dock;
    dock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dock));
    const QRectF region(-0.1, -0.1, 0.2, 0.2);
    const QSize pixels(48, 48);
    dock.setView(region, pixels);
    dock.setMap(level(map, 1));
    QTRY_VERIFY_WITH_TIMEOUT(!dock.figuresStale(), kWait);
    auto* figures = dock.findChild<QGroupBox*>();

    // The view repeating what it shows changes nothing.
    dock.setView(region, pixels);
    QVERIFY(!dock.figuresStale());
    // A pan does, at once, and greys the figures out.
    dock.setView(region.translated(1e-9, 0.0), pixels);
    QVERIFY(dock.figuresStale());
    QVERIFY(text(dock, "state").contains(QStringLiteral("stale")));
    QVERIFY(!figures->isEnabled());
    QVERIFY(!dock.findChild<QPushButton*>(QStringLiteral("measureExponent"))->isEnabled());

    dock.setMap(level(map, 1));
    QTRY_VERIFY_WITH_TIMEOUT(!dock.figuresStale(), kWait);
    QVERIFY(figures->isEnabled());
    // The first, coarse level of a new map; then a change of the model.
    dock.setMap(level(map, 2));
    QVERIFY(dock.figuresStale());
    QVERIFY(!dock.findChild<QPushButton*>(QStringLiteral("measureExponent"))->isEnabled());
    dock.setMap(level(map, 1));
    QTRY_VERIFY_WITH_TIMEOUT(!dock.figuresStale(), kWait);
    dock.markStale();
    QVERIFY(dock.figuresStale());
    QVERIFY(!figures->isEnabled());
}

void TestAnalysisViewDock::exponentCancels()
{
    AnalysisDock dock;
    dock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dock));
    auto* measure = dock.findChild<QPushButton*>(QStringLiteral("measureExponent"));
    auto* cancel = dock.findChild<QPushButton*>(QStringLiteral("cancelExponent"));
    auto* progress = dock.findChild<QProgressBar*>();
    QVERIFY(!measure->isEnabled()); // no map yet
    dock.setMap(level(map, 1));
    QVERIFY(measure->isEnabled());

    // Seven million points: far more than the test waits for.
    dock.findChild<QSpinBox*>()->setValue(1 << 18);
    QTest::mouseClick(measure, Qt::LeftButton);
    QVERIFY(dock.isMeasuringExponent());
    QVERIFY(progress->isVisible());
    QVERIFY(!measure->isEnabled());
    // The GUI thread goes on while the points are classified.
    QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 0, kWait);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dock.isMeasuringExponent(), kWait);
    QVERIFY(!dock.exponent());
    QVERIFY(!progress->isVisible());
    QVERIFY(measure->isEnabled());
    QCOMPARE(lineColourPixels(dock), 0);

    // A run after the cancelled one is not cancelled with it.
    dock.findChild<QSpinBox*>()->setValue(128);
    QTest::mouseClick(measure, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dock.isMeasuringExponent(), kWait);
    QVERIFY(dock.exponent());
}

void TestAnalysisViewDock::exponentMatchesDirectMeasure()
{
    AnalysisDock dock;
    dock.resize(360, 600);
    dock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dock));
    dock.setMap(level(map, 1));
    dock.findChild<QSpinBox*>()->setValue(512);
    dock.measureExponent();
    QTRY_VERIFY_WITH_TIMEOUT(!dock.isMeasuringExponent(), kWait);
    QVERIFY(dock.exponent());
    QVERIFY(!dock.exponentStale());

    BasinMeasurements direct;
    MeasurementOptions options;
    options.samples = 512;
    QVERIFY(direct.measure(map, options));
    const UncertaintyExponent& e = *dock.exponent();
    QVERIFY(direct.exponent().defined);
    QCOMPARE(e.alpha, direct.exponent().alpha);
    QCOMPARE(e.fitted, direct.exponent().fitted);
    QVERIFY(text(dock, "exponent").contains(QString::number(e.alpha, 'f', 3)));
    QVERIFY(text(dock, "exponent").contains(QString::number(e.dimension(), 'f', 3)));

    // The fitted line is drawn, in its colour while current and grey once stale.
    QVERIFY(lineColourPixels(dock) > 20);
    dock.markStale();
    QVERIFY(dock.exponentStale());
    QCOMPARE(lineColourPixels(dock), 0);
}

QTEST_MAIN(TestAnalysisViewDock)
#include "tst_analysisview_dock.moc"
