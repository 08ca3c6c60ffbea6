// Paths run until caught against the map's pixels, and the energy along a path.
#include "BasinEngine.h"
#include "EnergyCurve.h"
#include "Experiment.h"
#include "ModelState.h"
#include "PotentialLandscape.h"
#include "SystemData.h"

#include <QtTest>

#include <cmath>
#include <cstring>

class TestModelPath : public QObject
{
    Q_OBJECT

private slots:
    void endsWhereTheMapsPixelEnds_data();
    void endsWhereTheMapsPixelEnds();
    void isTheOrdinaryPathCutAtTheCapture();
    void switchesBackToTheSampleCount();
    void energyIsThePotentialAtRest();
    void energyNeverRisesWithDamping();
    void energyStaysWithoutDamping();
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

// No second integrator: the samples are those of the ordinary path from the
// same point, bit for bit, up to the capture.
void TestModelPath::isTheOrdinaryPathCutAtTheCapture()
{
    SystemData data;
    Experiment experiment(&data);
    experiment.setUntilCaught(true);
    experiment.release(0.071, -0.043);
    QVERIFY(experiment.capture().caught());
    const int n = data.numTrajPoints;
    QVERIFY(n > 2);
    const auto points = data.trajPoints;
    const auto times = data.trajTimes;

    SystemData ordinary;
    ordinary.maxNumPoints = n + 500;
    ordinary.computeTrajectory(0.071, -0.043);
    QCOMPARE(ordinary.numTrajPoints, n + 500);
    QVERIFY(std::memcmp(ordinary.trajPoints.data(), points.data(), sizeof(points[0]) * n) == 0);
    QVERIFY(std::memcmp(ordinary.trajTimes.data(), times.data(), sizeof(times[0]) * n) == 0);
    // The ordinary path goes on to rest by the magnet it was caught over.
    const auto& rest = ordinary.trajPoints.back();
    int nearest = -1;
    double least = 1e9;
    for (int i = 0; i < data.magnets.size(); ++i) {
        const double d = std::hypot(rest[0] - data.magnets[i].posX, rest[1] - data.magnets[i].posY);
        if (d < least) {
            least = d;
            nearest = i;
        }
    }
    QCOMPARE(nearest, experiment.capture().magnet);
}

void TestModelPath::switchesBackToTheSampleCount()
{
    SystemData data;
    data.maxNumPoints = 200;
    Experiment experiment(&data);
    QSignalSpy changed(&experiment, &Experiment::pathChanged);
    experiment.release(0.071, -0.043);
    QCOMPARE(data.numTrajPoints, 200);
    QVERIFY(!experiment.capture().caught());

    experiment.setUntilCaught(true);
    QCOMPARE(changed.count(), 2);
    QVERIFY(experiment.capture().caught());
    QVERIFY(data.numTrajPoints > 200);
    QVERIFY(int(data.trajPoints.size()) >= data.numTrajPoints);

    experiment.forget();
    QVERIFY(!experiment.capture().caught());
    experiment.revertRelease();
    QVERIFY(experiment.capture().caught());
    experiment.setUntilCaught(false);
    QCOMPARE(data.numTrajPoints, 200);
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

void TestModelPath::energyStaysWithoutDamping()
{
    SystemData data;
    data.damping = 0.0;
    data.maxNumPoints = 3000;
    data.computeTrajectory(-0.09, 0.08);
    const EnergyCurve curve = EnergyCurve::of(data);
    const auto [low, high] = std::minmax_element(curve.energy.begin(), curve.energy.end());
    // The bob swings past the magnets, trading a potential of this size for speed.
    double kinetic = 0.0;
    for (int i = 0; i < data.numTrajPoints; ++i) {
        const auto& s = data.trajPoints[std::size_t(i)];
        kinetic = std::max(kinetic, 0.5 * (double(s[2]) * s[2] + double(s[3]) * s[3]));
    }
    QVERIFY(kinetic > 0.1 * std::fabs(curve.energy.front()));
    QVERIFY(*high - *low < 1e-4 * kinetic);
}

QTEST_GUILESS_MAIN(TestModelPath)
#include "tst_model_path.moc"
