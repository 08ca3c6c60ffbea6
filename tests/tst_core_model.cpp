// Equations of motion, the adaptive integrator, trajectories and playback.
#include "SystemData.h"

#include <QMetaMethod>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

// The equations of motion written out the obvious way, with a general power.
void referenceDerivs(const SystemData& d, const double* y, double* dydx)
{
    const double h0 = d.pendulumHeight - d.pendulumLength;
    double ax = -d.damping * y[2] - d.gravity / d.pendulumLength * y[0];
    double ay = -d.damping * y[3] - d.gravity / d.pendulumLength * y[1];
    for (const Magnet& m : d.magnets) {
        const double dx = y[0] - m.posX;
        const double dy = y[1] - m.posY;
        const double dz = h0 - m.posZ;
        const double r = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double w = d.kappa * d.magFactor * m.alpha * std::pow(r, -d.kappa - 2.0);
        ax -= w * dx;
        ay -= w * dy;
    }
    dydx[0] = y[2];
    dydx[1] = y[3];
    dydx[2] = ax;
    dydx[3] = ay;
}

// Largest |yerr / yscal| of one Cash-Karp step: the error ratio rkqs sees
// for eps = 1.
double errorRatio(const SystemData& d, const double* y, const double* dydx, double h,
                  const double* yscal)
{
    double yout[4], yerr[4];
    d.rkck(y, dydx, 4, h, yout, yerr);
    double e = 0.0;
    for (int i = 0; i < 4; ++i)
        e = std::max(e, std::fabs(yerr[i] / yscal[i]));
    return e;
}

} // namespace

class TestCoreModel : public QObject
{
    Q_OBJECT

private slots:
    void defaultsAndReset();
    void metaObject();
    void pickColours();

    void forceAtOriginPullsTowardsNegativeY();
    void magnetBelowBobAndZeroKappaGiveNoForce();
    void fastForceMatchesReference_data();
    void fastForceMatchesReference();

    void cashKarpOrder();
    void rkqsAcceptsRatioOfExactlyOne();
    void rkqsStepGrowth();
    void rkqsShrinksAtMostTenfold();

    void trajectoryStartAndInvariants();
    void trajectoryFollowsDampedOscillator();
    void trajectoryOfTwoSamples();
    void trajectoryEndsWhenStepCollapses();
    void trajectoryAtEquilibriumEnds();
    void trajectoryFromAnAxis();
    void ordinaryTrajectoryUnchanged();

    void animStepWithoutTrajectory();
    void animStepInterpolatesOneSegment();
    void resetAnimAfterClear();
};

void TestCoreModel::defaultsAndReset()
{
    SystemData d;
    QCOMPARE(d.pendulumLength, 2.0);
    QCOMPARE(d.pendulumHeight, 2.02);
    QCOMPARE(d.kappa, 1.0);
    QCOMPARE(d.maxNumPoints, 1500);
    QCOMPARE(int(d.trajPoints.size()), 1500);
    QCOMPARE(d.numTrajPoints, 0);
    QCOMPARE(d.pendulumColor, QColor(255, 240, 160));

    // Three magnets on a circle of radius 0.03 * sqrt(2): red, green, blue.
    QCOMPARE(d.magnets.size(), 3);
    const float expected[3][2] = {{-0.03f, -0.03f}, {0.03f, -0.03f}, {0.0f, 0.0424264f}};
    for (int i = 0; i < 3; ++i) {
        const Magnet& m = d.magnets[i];
        QCOMPARE(m.posX, expected[i][0]);
        QVERIFY(std::fabs(m.posY - expected[i][1]) < 1e-7f);
        QCOMPARE(m.posZ, 0.0f);
        QCOMPARE(m.alpha, 1.0f);
        for (int c = 0; c < 3; ++c)
            QCOMPARE(m.color[c], c == i ? 1.0f : 0.0f);
        QCOMPARE(m.color[3], 1.0f);
        QCOMPARE(SystemData::pickIdFromColor(qRound(m.pickColor[0] * 255),
                                             qRound(m.pickColor[1] * 255),
                                             qRound(m.pickColor[2] * 255)),
                 1000 + i);
    }
    const double radius = std::hypot(double(d.magnets[2].posX), double(d.magnets[2].posY));
    QVERIFY(std::fabs(radius - 0.03 * std::sqrt(2.0)) < 1e-8);

    // ResetParams restores the parameters and leaves the magnets alone.
    d.gravity = 1.0;
    d.kappa = 3.0;
    d.maxNumPoints = 10;
    d.numTrajPoints = 7;
    d.animIndex = 4;
    d.animPos[0] = 1.0f;
    d.lineColor = Qt::red;
    d.magnets.removeLast();
    d.ResetParams();
    QCOMPARE(d.gravity, 9.81);
    QCOMPARE(d.kappa, 1.0);
    QCOMPARE(d.maxNumPoints, 1500);
    QCOMPARE(int(d.trajPoints.size()), 1500);
    QCOMPARE(d.numTrajPoints, 0);
    QCOMPARE(d.animIndex, 0);
    QCOMPARE(d.animPos[0], 0.0f);
    QCOMPARE(d.lineColor, QColor(Qt::white));
    QCOMPARE(d.magnets.size(), 2);
}

void TestCoreModel::metaObject()
{
    const QMetaObject& mo = SystemData::staticMetaObject;
    QCOMPARE(mo.className(), "SystemData");
    const QList<QByteArray> expected = {"dataRead()", "ResetParams()", "ResetAnim()"};
    QCOMPARE(mo.methodCount() - mo.methodOffset(), int(expected.size()));
    for (int i = 0; i < int(expected.size()); ++i)
        QCOMPARE(mo.method(mo.methodOffset() + i).methodSignature(), expected[i]);
    QCOMPARE(mo.method(mo.methodOffset()).methodType(), QMetaMethod::Signal);
}

void TestCoreModel::pickColours()
{
    const std::array<float, 3> c = SystemData::pickColorFromId(1000);
    QCOMPARE(c[0], 232.0f / 255.0f);
    QCOMPARE(c[1], 3.0f / 255.0f);
    QCOMPARE(c[2], 0.0f);
    for (const int id : {0, 1000, 1002, 15000, 0xabcdef}) {
        const std::array<float, 3> rgb = SystemData::pickColorFromId(id);
        QCOMPARE(SystemData::pickIdFromColor(qRound(rgb[0] * 255), qRound(rgb[1] * 255),
                                             qRound(rgb[2] * 255)),
                 id);
    }
}

void TestCoreModel::forceAtOriginPullsTowardsNegativeY()
{
    SystemData d;
    const double y[4] = {0, 0, 0, 0};
    double dydx[4];
    d.derivs(y, dydx);
    QCOMPARE(dydx[0], 0.0);
    QCOMPARE(dydx[1], 0.0);
    // The two lower magnets mirror each other in x; all three are at the
    // same distance, r^2 = 2 * 0.03^2 + 0.02^2 = 0.0022, so
    // ay = -f * (0.03 + 0.03 - 0.03 * sqrt 2) / r^3.
    QCOMPARE(dydx[2], 0.0);
    const double expected = -0.01 * (0.06 - 0.03 * std::sqrt(2.0)) / std::pow(0.0022, 1.5);
    QVERIFY2(std::fabs(dydx[3] / expected - 1.0) < 1e-6, qPrintable(QString::number(dydx[3])));
    QVERIFY(dydx[3] < -1.7 && dydx[3] > -1.71);
}

void TestCoreModel::magnetBelowBobAndZeroKappaGiveNoForce()
{
    SystemData d;
    const double y[4] = {0.01f, -0.02f, 0.3, -0.4};
    double expected[4];
    double dydx[4];

    // Without magnets: a damped planar oscillator, (g / L) = 4.905.
    d.magnets.clear();
    d.derivs(y, expected);
    QCOMPARE(expected[0], 0.3);
    QCOMPARE(expected[1], -0.4);
    QVERIFY(std::fabs(expected[2] - (-0.3 - 4.905 * 0.01f)) < 1e-15);
    QVERIFY(std::fabs(expected[3] - (0.4 + 4.905 * 0.02f)) < 1e-15);

    // A magnet straight below the bob pulls straight down: no horizontal force.
    d.appendMagnet(0.01f, -0.02f, 5.0f, 1, 1, 1);
    d.derivs(y, dydx);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(dydx[i], expected[i]);

    // kappa 0 switches every magnet off, whatever its strength.
    d.ResetParams();
    d.appendMagnet(0.05f, 0.05f, -3.0f, 1, 1, 1);
    d.kappa = 0.0;
    d.derivs(y, dydx);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(dydx[i], expected[i]);
}

void TestCoreModel::fastForceMatchesReference_data()
{
    QTest::addColumn<double>("kappa");
    QTest::addColumn<int>("magnetCount");
    QTest::newRow("kappa 1, 3 magnets") << 1.0 << 3;
    QTest::newRow("kappa 1, 30 magnets") << 1.0 << 30;
    QTest::newRow("kappa 2, 7 magnets") << 2.0 << 7;
    QTest::newRow("kappa 3, 9 magnets") << 3.0 << 9;
    QTest::newRow("kappa 1.5, 5 magnets") << 1.5 << 5;
    QTest::newRow("kappa -1, 4 magnets") << -1.0 << 4;
    QTest::newRow("kappa 0.7, 30 magnets") << 0.7 << 30;
}

void TestCoreModel::fastForceMatchesReference()
{
    QFETCH(double, kappa);
    QFETCH(int, magnetCount);
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> position(-0.1f, 0.1f);
    std::uniform_real_distribution<float> strength(-2.0f, 2.0f); // some magnets repel

    SystemData d;
    d.kappa = kappa;
    d.magnets.clear();
    for (int i = 0; i < magnetCount; ++i)
        d.appendMagnet(position(random), position(random), strength(random), 1, 0, 0);
    d.magnets[0].posZ = -0.01f;

    for (int trial = 0; trial < 50; ++trial) {
        const double y[4] = {position(random), position(random), position(random),
                             position(random)};
        double fast[4], reference[4];
        d.derivs(y, fast);
        referenceDerivs(d, y, reference);
        // Compare against the size of the largest term, not the sum, which
        // may cancel to nearly nothing.
        double scale = 0.0;
        for (const Magnet& m : d.magnets) {
            const double dx = y[0] - m.posX, dy = y[1] - m.posY, dz = 0.02 - m.posZ;
            const double r = std::sqrt(dx * dx + dy * dy + dz * dz);
            scale = std::max(scale,
                             std::fabs(kappa * d.magFactor * m.alpha) * std::pow(r, -kappa - 1.0));
        }
        scale = std::max(scale, std::fabs(reference[2]) + std::fabs(reference[3]));
        for (int i = 0; i < 4; ++i)
            QVERIFY2(std::fabs(fast[i] - reference[i]) <= 1e-12 * scale,
                     qPrintable(QStringLiteral("component %1: %2 vs %3")
                                    .arg(i)
                                    .arg(fast[i], 0, 'g', 17)
                                    .arg(reference[i], 0, 'g', 17)));
    }
}

void TestCoreModel::cashKarpOrder()
{
    // Undamped, no magnets: x'' = -w^2 x with the exact solution x0 cos(w t).
    SystemData d;
    d.magnets.clear();
    d.damping = 0.0;
    const double w = std::sqrt(9.81 / 2.0);
    const double y[4] = {0.1, 0.0, 0.0, 0.0};
    double dydx[4];
    d.derivs(y, dydx);

    double error[2], estimate[2];
    const double steps[2] = {0.1, 0.05};
    for (int k = 0; k < 2; ++k) {
        const double h = steps[k];
        double yout[4], yerr[4];
        d.rkck(y, dydx, 4, h, yout, yerr);
        error[k] = std::fabs(yout[0] - 0.1 * std::cos(w * h)) +
                   std::fabs(yout[2] + 0.1 * w * std::sin(w * h));
        estimate[k] = std::fabs(yerr[0]) + std::fabs(yerr[2]);
        QCOMPARE(yout[1], 0.0);
        QCOMPARE(yout[3], 0.0);
    }
    // Fifth order: local error ~ h^6, so halving h divides it by about 64
    // (a little more at these steps; 32 or 128 would mean a wrong order);
    // the embedded error estimate is ~ h^5, divided by about 32.
    QVERIFY2(error[0] / error[1] > 48.0 && error[0] / error[1] < 96.0,
             qPrintable(QString::number(error[0] / error[1])));
    QVERIFY2(estimate[0] / estimate[1] > 26.0 && estimate[0] / estimate[1] < 38.0,
             qPrintable(QString::number(estimate[0] / estimate[1])));
    // The estimate is the gap to the fourth-order result, larger than the
    // error of the fifth-order result that is carried forward.
    QVERIFY(estimate[1] > error[1]);
}

void TestCoreModel::rkqsAcceptsRatioOfExactlyOne()
{
    SystemData d;
    const double y0[4] = {0.05, -0.02, 0.1, 0.0};
    double dydx[4];
    d.derivs(y0, dydx);
    const double yscal[4] = {1, 1, 1, 1};
    const double htry = 0.01;
    const double e = errorRatio(d, y0, dydx, htry, yscal);
    QVERIFY(e > 0.0);

    // eps = e makes the ratio exactly 1: accepted at once.
    double y[4] = {y0[0], y0[1], y0[2], y0[3]};
    double t = 1.0, hdid = 0, hnext = 0;
    d.rkqs(y, dydx, 4, t, htry, e, yscal, hdid, hnext);
    QCOMPARE(hdid, htry);
    QCOMPARE(t, 1.0 + htry);
    double yout[4], yerr[4];
    d.rkck(y0, dydx, 4, htry, yout, yerr);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(y[i], yout[i]);
    QVERIFY(std::fabs(hnext - 0.9 * htry) < 1e-15);

    // A hair above 1 is rejected.
    std::copy(y0, y0 + 4, y);
    d.rkqs(y, dydx, 4, t, htry, e * (1.0 - 1e-12), yscal, hdid, hnext);
    QVERIFY(hdid < htry);
}

void TestCoreModel::rkqsStepGrowth()
{
    SystemData d;
    const double y0[4] = {0.05, -0.02, 0.1, 0.0};
    double dydx[4];
    d.derivs(y0, dydx);
    const double yscal[4] = {1, 1, 1, 1};
    const double htry = 0.01;
    const double e = errorRatio(d, y0, dydx, htry, yscal);

    // Ratio 1e-4, below 1.89e-4: the full factor 5.
    double y[4] = {y0[0], y0[1], y0[2], y0[3]};
    double t = 0, hdid = 0, hnext = 0;
    d.rkqs(y, dydx, 4, t, htry, e / 1e-4, yscal, hdid, hnext);
    QCOMPARE(hdid, htry);
    QCOMPARE(hnext, 5.0 * htry);

    // Ratio 2e-4, just above: 0.9 * (2e-4)^(-1/5) = 4.94352...
    std::copy(y0, y0 + 4, y);
    d.rkqs(y, dydx, 4, t, htry, e / 2e-4, yscal, hdid, hnext);
    QCOMPARE(hdid, htry);
    QVERIFY2(std::fabs(hnext / htry - 4.9435224) < 1e-6,
             qPrintable(QString::number(hnext / htry, 'g', 10)));

    // Ratio 0.5: 0.9 * 2^(1/5) = 1.03383...
    std::copy(y0, y0 + 4, y);
    d.rkqs(y, dydx, 4, t, htry, e / 0.5, yscal, hdid, hnext);
    QVERIFY(std::fabs(hnext / htry - 1.0338285) < 1e-6);
}

void TestCoreModel::rkqsShrinksAtMostTenfold()
{
    SystemData d;
    const double y0[4] = {0.05, -0.02, 0.1, 0.0};
    const double yscal[4] = {1, 1, 1, 1};
    double dydx[4];
    d.derivs(y0, dydx);

    for (const double htry : {0.01, -0.01}) {
        const double e = errorRatio(d, y0, dydx, htry, yscal);
        // Ratio 1e4: 0.9 * (1e4)^(-1/4) = 0.09 would shrink more than tenfold,
        // so the step becomes exactly a tenth; the error falls ~1e5-fold then.
        double y[4] = {y0[0], y0[1], y0[2], y0[3]};
        double t = 0, hdid = 0, hnext = 0;
        d.rkqs(y, dydx, 4, t, htry, e / 1e4, yscal, hdid, hnext);
        QCOMPARE(hdid, 0.1 * htry);
        QCOMPARE(t, hdid);

        // Ratio 100: 0.9 / sqrt(10) of the step, within the limit.
        std::copy(y0, y0 + 4, y);
        d.rkqs(y, dydx, 4, t, htry, e / 100.0, yscal, hdid, hnext);
        QVERIFY2(std::fabs(hdid / htry - 0.9 / std::sqrt(10.0)) < 1e-12,
                 qPrintable(QString::number(hdid / htry)));
    }
}

void TestCoreModel::trajectoryStartAndInvariants()
{
    SystemData d;
    d.animTime = 3.0f;
    d.computeTrajectory(0.1, -0.05);
    QCOMPARE(d.numTrajPoints, d.maxNumPoints);
    QCOMPARE(int(d.trajTimes.size()), d.numTrajPoints);
    const std::array<float, 4> first = {0.1f, -0.05f, 0.0f, 0.0f};
    QCOMPARE(d.trajPoints[0], first);
    QCOMPARE(d.trajTimes[0], 0.0f);
    QCOMPARE(d.animTime, 0.0f);
    for (int i = 1; i < d.numTrajPoints; ++i)
        QVERIFY(d.trajTimes[std::size_t(i)] >= d.trajTimes[std::size_t(i) - 1]);

    // A second, longer trajectory than the buffer holds replaces the first.
    d.maxNumPoints = 3000;
    d.computeTrajectory(-0.02, 0.03);
    QCOMPARE(d.numTrajPoints, 3000);
    QVERIFY(d.trajPoints.size() >= 3000);
    QCOMPARE(int(d.trajTimes.size()), 3000);
    QCOMPARE(d.trajPoints[0][0], -0.02f);
}

void TestCoreModel::trajectoryFollowsDampedOscillator()
{
    // Without magnets: x'' + x' + (g / L) x = 0 from rest, solved in closed form.
    SystemData d;
    d.magnets.clear();
    d.maxNumPoints = 400;
    const double x0 = 0.1, y0 = -0.05;
    d.computeTrajectory(x0, y0);
    QCOMPARE(d.numTrajPoints, 400);

    const double gamma = 0.5;
    const double wd = std::sqrt(9.81 / 2.0 - gamma * gamma);
    for (int i = 0; i < d.numTrajPoints; i += 7) {
        // The stamps run at twice the integrated time.
        const double t = d.trajTimes[std::size_t(i)] / 2.0;
        const double shape =
            std::exp(-gamma * t) * (std::cos(wd * t) + gamma / wd * std::sin(wd * t));
        const double speed =
            -std::exp(-gamma * t) * (gamma * gamma + wd * wd) / wd * std::sin(wd * t);
        const auto& p = d.trajPoints[std::size_t(i)];
        QVERIFY2(std::fabs(p[0] - x0 * shape) < 2e-7 * (1.0 + t), qPrintable(QString::number(i)));
        QVERIFY(std::fabs(p[1] - y0 * shape) < 2e-7 * (1.0 + t));
        QVERIFY(std::fabs(p[2] - x0 * speed) < 1e-6 * (1.0 + t));
    }
    QVERIFY(d.trajTimes.back() > 2.0);
}

void TestCoreModel::trajectoryOfTwoSamples()
{
    SystemData d;
    d.maxNumPoints = 2;
    d.computeTrajectory(0.04, 0.01);
    QCOMPARE(d.numTrajPoints, 2);
    QCOMPARE(int(d.trajTimes.size()), 2);
    QCOMPARE(d.animTime, 0.0f);

    // The second sample is one controlled step from rest with the first step
    // 0.005, tolerance 1e-8 and the scale |y| + |h dydx| + 1e-30.
    double y[4] = {0.04, 0.01, 0.0, 0.0};
    double dydx[4], yscal[4];
    d.derivs(y, dydx);
    for (int i = 0; i < 4; ++i)
        yscal[i] = std::fabs(y[i]) + std::fabs(0.005 * dydx[i]) + 1e-30;
    double t = 0, hdid = 0, hnext = 0;
    d.rkqs(y, dydx, 4, t, 0.005, 1e-8, yscal, hdid, hnext);
    const std::array<float, 4> second = {float(y[0]), float(y[1]), float(y[2]), float(y[3])};
    QCOMPARE(d.trajPoints[1], second);
    // Twice the step taken.
    QCOMPARE(d.trajTimes[1], float(2.0 * hdid));
    QVERIFY(hdid > 0.0);
}

void TestCoreModel::trajectoryEndsWhenStepCollapses()
{
    // Pivot height equal to the rod length and a release exactly on a magnet:
    // r = 0, the force is 0 * inf = NaN from the start. So is a zero rod
    // length (g / L infinite). The path keeps its finite release sample and
    // nothing that is not finite ever reaches the samples.
    SystemData onMagnet;
    onMagnet.pendulumHeight = onMagnet.pendulumLength;
    onMagnet.computeTrajectory(0.03f, -0.03f);
    QCOMPARE(onMagnet.numTrajPoints, 1);
    QCOMPARE(onMagnet.trajPoints[0][0], 0.03f);

    SystemData noRod;
    noRod.pendulumLength = 0.0;
    for (const double x0 : {0.0, 0.01, -0.1}) {
        noRod.computeTrajectory(x0, 0.02);
        QVERIFY(noRod.numTrajPoints >= 1);
        for (int i = 0; i < noRod.numTrajPoints; ++i) {
            for (const float v : noRod.trajPoints[std::size_t(i)])
                QVERIFY(std::isfinite(v));
            QVERIFY(std::isfinite(noRod.trajTimes[std::size_t(i)]));
        }
    }
}

void TestCoreModel::trajectoryAtEquilibriumEnds()
{
    // No force at all at the release point: the error is exactly zero and the
    // step would grow five-fold per sample until the stamps overflow. Nothing
    // moves, so the path is its release point alone and the playback, which
    // needs two samples, ends at once.
    SystemData d;
    d.magnets.clear();
    d.computeTrajectory(0.0, 0.0);
    QCOMPARE(d.numTrajPoints, 1);
    QCOMPARE(d.trajPoints[0], (std::array<float, 4>{0, 0, 0, 0}));
    QVERIFY(!d.animStep());

    // Gravity off: the bob released anywhere stays where it is.
    SystemData still;
    still.magnets.clear();
    still.gravity = 0.0;
    still.computeTrajectory(0.05, -0.02);
    QCOMPARE(still.numTrajPoints, 1);
}

void TestCoreModel::trajectoryFromAnAxis()
{
    // A release with a coordinate exactly 0 used to hold that component to
    // round-off and collapse the step within two samples.
    SystemData d;
    for (int k = 0; k <= 50; ++k) {
        const double s = -0.15 + 0.006 * k;
        for (const auto& [x0, y0] : {std::pair{s, 0.0}, std::pair{0.0, s}}) {
            d.computeTrajectory(x0, y0);
            QVERIFY2(
                d.numTrajPoints == d.maxNumPoints,
                qPrintable(
                    QStringLiteral("(%1, %2): %3 samples").arg(x0).arg(y0).arg(d.numTrajPoints)));
        }
    }
}

void TestCoreModel::ordinaryTrajectoryUnchanged()
{
    // Away from the axes every error scale is far above its floor, so the
    // path is the plain loop of controlled steps with |y| + |h dydx| + 1e-30,
    // sample for sample.
    SystemData d;
    d.computeTrajectory(0.071, -0.043);
    QCOMPARE(d.numTrajPoints, d.maxNumPoints);

    double y[4] = {0.071, -0.043, 0.0, 0.0};
    double t = 0.0, h = 0.005;
    for (int i = 0; i < d.numTrajPoints; ++i) {
        const std::array<float, 4> expected = {float(y[0]), float(y[1]), float(y[2]), float(y[3])};
        QCOMPARE(d.trajPoints[std::size_t(i)], expected);
        QCOMPARE(d.trajTimes[std::size_t(i)], float(t));
        double dydx[4], yscal[4];
        d.derivs(y, dydx);
        for (int j = 0; j < 4; ++j)
            yscal[j] = std::fabs(y[j]) + std::fabs(h * dydx[j]) + 1e-30;
        double hdid = 0, hnext = 0;
        d.rkqs(y, dydx, 4, t, h, 1e-8, yscal, hdid, hnext);
        t += hdid;
        h = hnext;
    }
}

void TestCoreModel::animStepWithoutTrajectory()
{
    SystemData d;
    for (const int count : {0, 1}) {
        d.numTrajPoints = count;
        d.animPos[0] = 0.3f;
        d.animPos[1] = 0.4f;
        d.animTime = 2.0f;
        d.animIndex = 5;
        QVERIFY(!d.animStep());
        QCOMPARE(d.animPos[0], 0.0f);
        QCOMPARE(d.animPos[1], 0.0f);
        QCOMPARE(d.animTime, 0.0f);
        QCOMPARE(d.animIndex, 0);
    }
}

void TestCoreModel::animStepInterpolatesOneSegment()
{
    SystemData d;
    d.trajPoints[0] = {0.0f, 0.0f, 0.0f, 0.0f};
    d.trajPoints[1] = {0.9f, -0.45f, 0.0f, 0.0f};
    d.trajTimes = {0.0f, 0.045f};
    d.numTrajPoints = 2;
    d.ResetAnim();

    // A 10 ms tick advances the clock by 0.01.
    for (int tick = 1; tick <= 4; ++tick) {
        QVERIFY(d.animStep());
        QVERIFY(std::fabs(d.animTime - 0.01f * tick) < 1e-6f);
        QCOMPARE(d.animIndex, 0);
        const float s = d.animTime / 0.045f;
        QVERIFY(std::fabs(d.animPos[0] - 0.9f * s) < 1e-6f);
        QVERIFY(std::fabs(d.animPos[1] + 0.45f * s) < 1e-6f);
    }
    // A tick is as long as the wall time it is given: one 3.5 ms late moves
    // the clock by 0.0135.
    d.ResetAnim();
    QVERIFY(d.animStep(13.5));
    QVERIFY(std::fabs(d.animTime - 0.0135f) < 1e-6f);
    QVERIFY(d.animStep(30.0));
    QVERIFY(std::fabs(d.animTime - 0.0435f) < 1e-6f);
    // Past the last stamp: false from now on, the bob stays where it was.
    const float x = d.animPos[0];
    for (int tick = 0; tick < 3; ++tick) {
        QVERIFY(!d.animStep());
        QCOMPARE(d.animPos[0], x);
    }
}

void TestCoreModel::resetAnimAfterClear()
{
    SystemData d;

    // Nothing ever computed: the bob rests at the origin.
    d.animPos[0] = 0.5f;
    d.ResetAnim();
    QCOMPARE(d.animPos[0], 0.0f);

    d.computeTrajectory(0.05, 0.06);
    QVERIFY(d.animStep());
    d.numTrajPoints = 0;
    d.ResetAnim();
    QCOMPARE(d.animPos[0], 0.05f);
    QCOMPARE(d.animPos[1], 0.06f);
    QCOMPARE(d.animIndex, 0);
    QCOMPARE(d.animTime, 0.0f);
    QVERIFY(!d.animStep());
    QCOMPARE(d.animPos[0], 0.0f);
    QCOMPARE(d.animPos[1], 0.0f);
}

QTEST_GUILESS_MAIN(TestCoreModel)
#include "tst_core_model.moc"
