// Paths run until caught against the map's pixels, and the energy along a path.
#include "BasinEngine.h"
#include "EnergyCurve.h"
#include "Experiment.h"
#include "ModelState.h"
#include "PotentialLandscape.h"
#include "SystemData.h"

#include <QtTest>

#include <cmath>

class TestModelPath : public QObject
{
    Q_OBJECT

private slots:
    void endsWhereTheMapsPixelEnds_data();
    void endsWhereTheMapsPixelEnds();
    void ordinaryPathsFindTheirCapture();
    void energyIsThePotentialAtRest();
    void energyNeverRisesWithDamping();
};

void TestModelPath::endsWhereTheMapsPixelEnds_data()
{
    QTest::addColumn<double>("damping");
    QTest::addColumn<double>("magFactor");
    QTest::newRow("default set") << 1.0 << 0.01;
    QTest::newRow("light damping") << 0.2 << 0.01;
    // Without damping nothing is caught: the path runs to the map's time limit.
    QTest::newRow("no damping") << 0.0 << 0.01;
}

// The path stops on the step and at the stamp where the map's pixel at its
// release point stops, caught by the same attractor.
void TestModelPath::endsWhereTheMapsPixelEnds()
{
    QFETCH(double, damping);
    QFETCH(double, magFactor);
    SystemData data;
    data.damping = damping;
    data.magFactor = magFactor;
    BasinRequest request = ModelState::of(data).basinRequest();
    request.width = request.height = 6;
    request.maxTime = 100.0;
    request.threads = 1;
    BasinEngine engine;
    QVERIFY(engine.run(request));
    const BasinResult& map = engine.result();

    Experiment experiment(&data);
    experiment.setUntilCaught(true);
    int caught = 0;
    for (int j = 0; j < request.height; ++j) {
        for (int i = 0; i < request.width; ++i) {
            const QString where = QStringLiteral("pixel %1, %2").arg(i).arg(j);
            const std::size_t k = map.index(i, j);
            experiment.release(request.pixelX(i), request.pixelY(j));
            QCOMPARE(data.numTrajPoints - 1, map.steps[k]);
            QVERIFY2(data.trajTimes.back() == 2.0f * map.time[k], qPrintable(where));
            const PathCapture& capture = experiment.capture();
            const int a = map.attractor[k];
            QCOMPARE(capture.caught(), a >= 0);
            if (a < 0)
                continue;
            ++caught;
            QCOMPARE(capture.sample, data.numTrajPoints - 1);
            QCOMPARE(capture.magnet, map.attractors[std::size_t(a)].magnet);
            QCOMPARE(capture.stamp, data.trajTimes.back());
            QCOMPARE(capture.x, data.trajPoints[std::size_t(capture.sample)][0]);
        }
    }
    QCOMPARE(caught > 0, damping > 0.0);
}

// A path of a number of samples is caught where the path run until caught
// is, if it gets that far: on its last sample at the latest.
void TestModelPath::ordinaryPathsFindTheirCapture()
{
    SystemData data;
    Experiment experiment(&data);
    experiment.setUntilCaught(true);
    experiment.release(-0.09, 0.08);
    const PathCapture until = experiment.capture();
    QVERIFY(until.caught());

    experiment.setUntilCaught(false);
    for (const int samples : {until.sample + 1, until.sample + 400}) {
        data.maxNumPoints = samples;
        experiment.recompute();
        QCOMPARE(data.numTrajPoints, samples);
        const PathCapture& found = experiment.capture();
        QCOMPARE(found.sample, until.sample);
        QCOMPARE(found.stamp, until.stamp);
        QCOMPARE(found.magnet, until.magnet);
        QCOMPARE(found.x, data.trajPoints[std::size_t(found.sample)][0]);
    }
    data.maxNumPoints = until.sample;
    experiment.recompute();
    QVERIFY(!experiment.capture().caught());
    experiment.forget();
    QVERIFY(!experiment.capture().caught());
}

// Released at rest, the bob's energy is its potential, as the landscape
// computes it on its own.
void TestModelPath::energyIsThePotentialAtRest()
{
    SystemData data;
    data.kappa = 1.5;
    data.computeTrajectory(0.05, 0.02);
    const EnergyCurve curve = EnergyCurve::of(data);
    QCOMPARE(int(curve.energy.size()), data.numTrajPoints);
    const PotentialLandscape landscape(ModelState::of(data).physics);
    const double atRest = landscape.potential(double(0.05f), double(0.02f));
    QVERIFY(std::fabs(curve.energy.front() - atRest) <= 1e-12 * std::fabs(atRest));
    QCOMPARE(curve.time.front(), 0.0);
    QCOMPARE(curve.time.back(), 0.5 * double(data.trajTimes.back()));
    QVERIFY(curve.energy.back() < curve.energy.front());
}

void TestModelPath::energyNeverRisesWithDamping()
{
    SystemData data;
    Experiment experiment(&data);
    experiment.setUntilCaught(true);
    experiment.release(-0.09, 0.08);
    const EnergyCurve curve = EnergyCurve::of(data);
    QVERIFY(curve.energy.size() > 100);
    const double span = curve.energy.front() - curve.energy.back();
    QVERIFY(span > 0.0);
    // The samples are floats: allow their rounding, far below the fall.
    for (std::size_t i = 1; i < curve.energy.size(); ++i)
        QVERIFY2(curve.energy[i] <= curve.energy[i - 1] + 1e-6 * span,
                 qPrintable(QString::number(i)));
}

QTEST_GUILESS_MAIN(TestModelPath)
#include "tst_model_path.moc"
