// A sweep against a published result: three equal magnets on the unit
// circle share the square [-3, 3]^2 about equally, and as one magnet's
// strength falls from 1 to 0 its share falls towards nothing.
#include "BasinEngine.h"
#include "MagnetShares.h"
#include "ModelState.h"
#include "SweepFrames.h"
#include "SystemData.h"

#include <QTest>

class TestSweepReference : public QObject
{
    Q_OBJECT

private slots:
    void weakeningMagnetLosesItsBasin();
};

void TestSweepReference::weakeningMagnetLosesItsBasin()
{
    SystemData data;
    QVERIFY(data.readParams(QStringLiteral(ORVALIS_SOURCE_DIR "/config/unit-ring.par")).ok);
    const ModelState state = ModelState::of(data);
    BasinRequest base = state.basinRequest();
    QVERIFY(qAbs(base.right - 3.0) < 1e-12 && qAbs(base.bottom + 3.0) < 1e-12);
    base.width = base.height = 48;
    QString error;
    const std::optional<SweepPlan> plan =
        SweepPlan::parse(QStringLiteral("magnet0.alpha=1:0:5"), state.physics, &error);
    QVERIFY2(plan, qPrintable(error));
    const SweepFrames frames(*plan, base, state.maxTheta, false);
    BasinEngine engine;
    std::vector<std::vector<double>> shares;
    for (int k = 0; k < frames.count(); ++k) {
        const std::optional<BasinRequest> request = frames.request(k);
        QVERIFY(request);
        QCOMPARE(double(request->model.magnets[0].alpha), 1.0 - 0.25 * k);
        engine.run(*request);
        shares.push_back(magnetShares(engine.result(), 3));
    }
    // Equal magnets: a third each, up to the grid's own asymmetry (magnet 0
    // lies on an axis of the grid, the others do not).
    for (int m = 0; m < 3; ++m)
        QVERIFY2(shares[0][std::size_t(m)] > 0.30 && shares[0][std::size_t(m)] < 0.37,
                 qPrintable(QString::number(shares[0][std::size_t(m)])));
    for (int k = 0; k < frames.count(); ++k) {
        QVERIFY(shares[std::size_t(k)][3] < 0.01); // the damping settles every release point
        // The square is symmetric about the x axis, as are magnets 1 and 2.
        QCOMPARE(shares[std::size_t(k)][1], shares[std::size_t(k)][2]);
        if (k > 0) {
            QVERIFY(shares[std::size_t(k)][0] < shares[std::size_t(k - 1)][0]);
            QVERIFY(shares[std::size_t(k)][1] > shares[std::size_t(k - 1)][1]);
        }
    }
    QVERIFY(shares.back()[0] < 0.01);
    QVERIFY(shares.back()[1] > 0.49);
}

QTEST_GUILESS_MAIN(TestSweepReference)
#include "tst_sweep_reference.moc"
