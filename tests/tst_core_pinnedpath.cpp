// A path kept for comparison: a copy that later paths leave alone, and the
// colour it is drawn in.
#include "ModelState.h"
#include "PathOutcome.h"
#include "PinnedPath.h"
#include "PotentialLandscape.h"
#include "SystemData.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

class TestCorePinnedPath : public QObject
{
    Q_OBJECT

private slots:
    void keepsACopyUntilReplacedOrCleared();
    void mutedColourStandsApart_data();
    void mutedColourStandsApart();
};

void TestCorePinnedPath::keepsACopyUntilReplacedOrCleared()
{
    SystemData data;
    data.computeTrajectory(0.09, 0.06);
    const std::vector<std::array<float, 4>> first(data.trajPoints.begin(),
                                                  data.trajPoints.begin() + data.storedSamples());
    const PotentialLandscape landscape(ModelState::of(data).physics);
    PinnedPath pinned;
    QSignalSpy changed(&pinned, &PinnedPath::changed);
    QVERIFY(pinned.pin(data, PathOutcome::of(data, landscape)));
    QVERIFY(pinned.samples() == first);

    // A new release overwrites the model's samples, not the pinned ones; a
    // hidden path or a lone sample is nothing to pin and keeps the pin.
    data.computeTrajectory(-0.1, -0.02);
    QVERIFY(pinned.samples() == first);
    const int samples = data.numTrajPoints;
    for (int shown : {0, 1}) {
        data.numTrajPoints = shown;
        QVERIFY(!pinned.pin(data, PathOutcome::of(data, landscape)));
    }
    QVERIFY(pinned.samples() == first);
    QCOMPARE(changed.count(), 1);

    data.numTrajPoints = samples;
    QVERIFY(pinned.pin(data, PathOutcome::of(data, landscape)));
    QCOMPARE(pinned.samples().front(), data.trajPoints[0]);
    QCOMPARE(int(pinned.samples().size()), samples);

    pinned.clear();
    pinned.clear();
    QCOMPARE(changed.count(), 3);
    QVERIFY(pinned.samples().empty());
    QCOMPARE(pinned.describe(ModelState::of(data).physics), QString());
}

void TestCorePinnedPath::mutedColourStandsApart_data()
{
    QTest::addColumn<QColor>("line");
    QTest::newRow("white (the default)") << QColor(Qt::white);
    QTest::newRow("black") << QColor(Qt::black);
    QTest::newRow("red") << QColor(Qt::red);
    QTest::newRow("grey at the turn") << QColor::fromHslF(0.0f, 0.0f, 0.45f);
    QTest::newRow("blue just below it") << QColor::fromHslF(0.6f, 1.0f, 0.449f);
}

void TestCorePinnedPath::mutedColourStandsApart()
{
    QFETCH(QColor, line);
    const QColor l = line.toHsl();
    const QColor m = PinnedPath::mutedColor(line).toHsl();
    // Another lightness whatever the hue, so even a grey line differs; duller,
    // of the same hue, and neither lost on black nor glaring.
    QVERIFY2(std::abs(m.lightnessF() - l.lightnessF()) >= 0.17f, qPrintable(m.name()));
    QVERIFY(m.lightnessF() >= 0.25f && m.lightnessF() <= 0.7f);
    QVERIFY(m.hslSaturationF() <= 0.36f * l.hslSaturationF() + 0.01f);
    if (l.hslSaturationF() > 0.5f)
        QVERIFY(std::abs(m.hslHueF() - l.hslHueF()) < 0.01f);
}

QTEST_GUILESS_MAIN(TestCorePinnedPath)
#include "tst_core_pinnedpath.moc"
