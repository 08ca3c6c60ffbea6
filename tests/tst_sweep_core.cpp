// Parameter keys, sweep plans and the magnets' shares of a map.
#include "BasinEngine.h"
#include "MagnetShares.h"
#include "ParameterKey.h"
#include "SweepFrames.h"
#include "SweepPlan.h"

#include <QTest>

#include <limits>

namespace {

ModelParameters threeMagnets()
{
    ModelParameters model;
    for (int k = 0; k < 3; ++k) {
        Magnet m;
        m.posX = float(k) * 0.1f;
        m.posY = -float(k) * 0.05f;
        m.alpha = 1.0f + float(k);
        model.magnets.push_back(m);
    }
    return model;
}

} // namespace

class TestSweepCore : public QObject
{
    Q_OBJECT

private slots:
    void keysReachTheirOwnFields();
    void refusals_data();
    void refusals();
    void outOfRangeChangesNothing();
    void planValuesAreEvenAndHitBothEnds();
    void planRefusals_data();
    void planRefusals();
    void sharesFollowMagnetsNotAttractors();
    void framesSetTheValueAndFollowTheSquare();
};

// Every name reads back as itself, and each key changes its own value and
// no other key's: "damping" is the force law's exponent (as in a parameter
// file) and "friction" the velocity damping.
void TestSweepCore::keysReachTheirOwnFields()
{
    const ModelParameters model = threeMagnets();
    const QStringList names = ParameterKey::names(model);
    QCOMPARE(names.size(), 7 + 3 * 3);
    QCOMPARE(names.last(), QStringLiteral("magnet2.alpha"));
    for (const QString& name : names) {
        const std::optional<ParameterKey> key = ParameterKey::parse(name, model, nullptr);
        QVERIFY2(key && key->name() == name, qPrintable(name));
        ModelParameters changed = model;
        double theta = 5.0;
        QVERIFY(key->apply(0.75, changed, theta, nullptr));
        QVERIFY(changed != model || theta != 5.0);
        for (const QString& other : names) {
            const ParameterKey o = *ParameterKey::parse(other, model, nullptr);
            QCOMPARE(o.value(changed, theta), other == name ? 0.75 : o.value(model, 5.0));
        }
    }
    ModelParameters changed = model;
    double theta = 5.0;
    ParameterKey::parse(QStringLiteral("damping"), model, nullptr)
        ->apply(3, changed, theta, nullptr);
    ParameterKey::parse(QStringLiteral("friction"), model, nullptr)
        ->apply(2, changed, theta, nullptr);
    ParameterKey::parse(QStringLiteral("magnet1.y"), model, nullptr)
        ->apply(2, changed, theta, nullptr);
    QCOMPARE(changed.kappa, 3.0);
    QCOMPARE(changed.damping, 2.0);
    QCOMPARE(changed.magnets[1].posY, 2.0f);
}

void TestSweepCore::refusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown") << "kappa"
                             << "unknown parameter";
    QTest::newRow("case") << "Gravity"
                          << "unknown parameter";
    QTest::newRow("no such magnet") << "magnet3.x"
                                    << "no magnet 3";
    QTest::newRow("huge magnet") << "magnet99999999999.x"
                                 << "no magnet";
    QTest::newRow("leading zero") << "magnet01.x"
                                  << "unknown parameter";
    QTest::newRow("magnet field") << "magnet0.z"
                                  << "x, y and alpha";
}

void TestSweepCore::refusals()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QString error;
    QVERIFY(!ParameterKey::parse(name, threeMagnets(), &error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestSweepCore::outOfRangeChangesNothing()
{
    const ModelParameters model = threeMagnets();
    const struct
    {
        const char* name;
        double value;
        const char* message;
    } cases[] = {
        {"pendulumLength", 0.0, "pendulumLength must be above 0"},
        {"maxTheta", 90.5, "maxTheta must be above 0 and at most 90"},
        {"gravity", std::numeric_limits<double>::quiet_NaN(), "gravity must be"},
    };
    for (const auto& c : cases) {
        ModelParameters changed = model;
        double theta = 5.0;
        QString error;
        const ParameterKey key = *ParameterKey::parse(QLatin1String(c.name), model, nullptr);
        QVERIFY2(!key.apply(c.value, changed, theta, &error), c.name);
        QVERIFY2(error.startsWith(QLatin1String(c.message)), qPrintable(error));
        QVERIFY(changed == model);
        QCOMPARE(theta, 5.0);
    }
}

void TestSweepCore::planValuesAreEvenAndHitBothEnds()
{
    const ModelParameters model = threeMagnets();
    QString error;
    const std::optional<SweepPlan> plan =
        SweepPlan::parse(QStringLiteral("magnet0.alpha=1:0:11"), model, &error);
    QVERIFY2(plan, qPrintable(error));
    QCOMPARE(plan->key.name(), QStringLiteral("magnet0.alpha"));
    QCOMPARE(plan->frames, 11);
    QCOMPARE(plan->value(0), 1.0);
    QCOMPARE(plan->value(10), 0.0);
    for (int k = 0; k < 11; ++k)
        QVERIFY(qAbs(plan->value(k) - (1.0 - k / 10.0)) < 1e-15);

    // Ends that a closed range allows exactly stay inside it at every frame,
    // and ends far apart do not overflow.
    const SweepPlan theta = *SweepPlan::parse(QStringLiteral("maxTheta=89.9:90:7"), model, nullptr);
    const SweepPlan wide =
        *SweepPlan::parse(QStringLiteral("magFactor=-1e308:1e308:3"), model, nullptr);
    for (int k = 0; k < 7; ++k) {
        QVERIFY(theta.value(k) <= 90.0 && theta.value(k) >= 89.9);
        QVERIFY(k == 0 || theta.value(k) > theta.value(k - 1));
    }
    QCOMPARE(wide.value(1), 0.0);
}

void TestSweepCore::planRefusals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("one frame") << "gravity=1:2:1"
                               << "N must be";
    QTest::newRow("signed count") << "gravity=1:2:+3"
                                  << "N must be";
    QTest::newRow("too many") << "gravity=1:2:1000001"
                              << "N must be";
    QTest::newRow("no equals") << "gravity:1:2:3"
                               << "expected KEY=FROM:TO:N";
    QTest::newRow("word") << "gravity=one:2:3"
                          << "is not a number";
    QTest::newRow("infinite") << "gravity=1:inf:3"
                              << "is not a number";
    QTest::newRow("from out of range") << "gravity=-1:2:3"
                                       << "gravity must be 0 or more";
    QTest::newRow("to out of range") << "maxTheta=5:91:3"
                                     << "maxTheta must be";
    QTest::newRow("missing magnet") << "magnet7.x=1:2:3"
                                    << "no magnet 7";
}

void TestSweepCore::planRefusals()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    QString error;
    QVERIFY(!SweepPlan::parse(text, threeMagnets(), &error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

// Shares go by magnet, whatever the order of the attractors; the rest
// collects the minima over no magnet and the undecided pixels.
void TestSweepCore::sharesFollowMagnetsNotAttractors()
{
    BasinResult result;
    result.attractors.resize(3);
    result.attractors[0].magnet = 1;
    result.attractors[1].magnet = -1;
    result.attractors[2].magnet = 0;
    result.attractor = {0, 0, 2, 1, BasinResult::kUndecided, 0, 2, 0};
    const std::vector<double> shares = magnetShares(result, 2);
    QCOMPARE(shares.size(), std::size_t(3));
    QCOMPARE(shares[0], 2.0 / 8.0);
    QCOMPARE(shares[1], 4.0 / 8.0);
    QCOMPARE(shares[2], 2.0 / 8.0);
    // A count that leaves a magnet out puts its pixels with the rest.
    const std::vector<double> fewer = magnetShares(result, 1);
    QCOMPARE(fewer[1], 6.0 / 8.0);
    QCOMPARE(magnetShares(BasinResult(), 2), std::vector<double>(3, 0.0));

    // On a real map every pixel is counted once.
    ModelParameters model = threeMagnets();
    BasinRequest request = BasinRequest::fromModel(model, 5.0);
    request.width = request.height = 12;
    request.threads = 1;
    BasinEngine engine;
    engine.run(request);
    double sum = 0.0;
    for (const double share : magnetShares(engine.result(), 3))
        sum += share;
    QCOMPARE(sum, 1.0);
}

// Each frame is the base request with the swept value; its square follows
// the frame's own model unless the region is fixed.
void TestSweepCore::framesSetTheValueAndFollowTheSquare()
{
    const ModelParameters model = threeMagnets();
    BasinRequest base = BasinRequest::fromModel(model, 5.0);
    base.width = 33;
    base.tolerance = 1e-6;
    const SweepPlan plan = *SweepPlan::parse(QStringLiteral("maxTheta=10:20:3"), model, nullptr);
    const SweepFrames zooming(plan, base, 5.0, false);
    const SweepFrames fixed(plan, base, 5.0, true);
    QCOMPARE(zooming.count(), 3);
    for (int k = 0; k < 3; ++k) {
        const BasinRequest expected = BasinRequest::fromModel(model, 10.0 + 5.0 * k);
        const BasinRequest r = *zooming.request(k);
        QCOMPARE(r.right, expected.right);
        QCOMPARE(r.bottom, expected.bottom);
        QCOMPARE(r.width, 33);
        QCOMPARE(r.tolerance, 1e-6);
        QCOMPARE(fixed.request(k)->right, base.right);
    }

    const SweepPlan gravity = *SweepPlan::parse(QStringLiteral("gravity=1:3:2"), model, nullptr);
    QCOMPARE(SweepFrames(gravity, base, 5.0, false).request(1)->model.gravity, 3.0);
    QCOMPARE(SweepFrames(gravity, base, 5.0, false).request(1)->right, base.right);

    // A plan made for another set: its magnet is missing here.
    const SweepPlan third = *SweepPlan::parse(QStringLiteral("magnet2.x=0:1:2"), model, nullptr);
    BasinRequest fewer = base;
    fewer.model.magnets.pop_back();
    QString error;
    QVERIFY(!SweepFrames(third, fewer, 5.0, false).request(0, &error));
    QVERIFY(error.contains(QLatin1String("no magnet 2")));
}

QTEST_GUILESS_MAIN(TestSweepCore)
#include "tst_sweep_core.moc"
