// The sweep's frames computed in the background: each frame exactly the map
// of its model, every frame shown coarse before any is refined, the cache
// taken up again, and a sweep started over and over leaving only the last.
// `make test-tsan` can run this under ThreadSanitizer: it shows no window.
#include "BasinEngine.h"
#include "BasinPainter.h"
#include "MagnetShares.h"
#include "ModelState.h"
#include "SweepRunner.h"
#include "SystemData.h"

#include <QSignalSpy>
#include <QTest>

#include <map>

namespace {

constexpr int kWait = 120000; // ms: a busy machine, generously
constexpr int kGrid = 24;
constexpr double kMaxTime = 20.0;

ModelState quickModel()
{
    ModelState s = ModelState::of(SystemData());
    s.physics.damping = 6.0; // short paths keep the maps quick
    return s;
}

SweepJob frictionSweep(const ModelState& base, double from, double to, int frames)
{
    const std::optional<ParameterKey> key =
        ParameterKey::parse(QStringLiteral("friction"), base.physics, nullptr);
    SweepJob job{base, SweepPlan{*key, from, to, frames}};
    job.grid = kGrid;
    job.maxTime = kMaxTime;
    return job;
}

// The map of the model with its velocity damping at `damping`, computed
// directly in one go.
BasinResult directMap(ModelState s, double damping)
{
    s.physics.damping = damping;
    BasinRequest r = s.basinRequest();
    r.width = r.height = kGrid;
    r.maxTime = kMaxTime;
    BasinEngine engine;
    engine.run(r);
    return engine.result();
}

// Levels of a frame: strides coarsest, coarsest / 2, ..., 1.
int levelsOf(const SweepJob& job)
{
    int levels = 1;
    for (int stride = job.coarsest; stride > 1; stride /= 2)
        ++levels;
    return levels;
}

int strideOf(const SweepRunner& runner, int frame)
{
    return runner.frames()[std::size_t(frame)].level->result.stride;
}

bool allComplete(const SweepRunner& runner)
{
    for (const SweepRunner::Frame& f : runner.frames())
        if (!f.level || !f.level->isComplete())
            return false;
    return true;
}

} // namespace

class TestSweepViewRunner : public QObject
{
    Q_OBJECT

private slots:
    void framesAreTheMapsOfTheirValues();
    void everyFrameShowsBeforeAnyIsRefined();
    void startedAgainContinuesFromTheCache();
    void onlyTheLastOfManyStartsIsComputed();
    void aValueTheModelCannotTakeIsReported();
};

void TestSweepViewRunner::framesAreTheMapsOfTheirValues()
{
    const ModelState d = quickModel();
    const SweepJob job = frictionSweep(d, 4.0, 8.0, 3);
    SweepRunner runner;
    QSignalSpy finished(&runner, &SweepRunner::finished);
    runner.start(job);
    QVERIFY(runner.isBusy());
    QVERIFY(finished.wait(kWait));
    QVERIFY(!runner.isBusy());
    QCOMPARE(runner.frames().size(), std::size_t(3));
    for (int f = 0; f < 3; ++f) {
        const SweepRunner::Frame& frame = runner.frames()[std::size_t(f)];
        QCOMPARE(frame.value, job.plan.value(f));
        QVERIFY(frame.level->isComplete());
        // Bit for bit the map of the model with that value, computed level
        // by level as it was or in one go.
        const BasinResult direct = directMap(d, frame.value);
        const BasinResult& swept = frame.level->result;
        QVERIFY(swept.attractor == direct.attractor);
        QVERIFY(swept.time == direct.time);
        QVERIFY(swept.steps == direct.steps);
        QCOMPARE(frame.level->map.image(), BasinMap(direct, 1, BasinPainter(direct)).image());
        QCOMPARE(frame.shares, magnetShares(swept, int(d.physics.magnets.size())));
    }
    // The ends of the sweep differ, or the frames would prove nothing.
    QVERIFY(runner.frames().front().level->result.time !=
            runner.frames().back().level->result.time);
}

void TestSweepViewRunner::everyFrameShowsBeforeAnyIsRefined()
{
    const SweepJob job = frictionSweep(quickModel(), 3.0, 9.0, 5);
    SweepRunner runner;
    std::vector<std::pair<int, int>> deliveries; // frame, stride
    connect(&runner, &SweepRunner::frameReady, this,
            [&](int f) { deliveries.emplace_back(f, strideOf(runner, f)); });
    QSignalSpy finished(&runner, &SweepRunner::finished);
    runner.start(job);
    QVERIFY(finished.wait(kWait));

    // Round after round: frames 0..4 at the coarsest stride, then at half of it, ...
    QVERIFY(levelsOf(job) > 2);
    QCOMPARE(deliveries.size(), std::size_t(5 * levelsOf(job)));
    for (std::size_t k = 0; k < deliveries.size(); ++k) {
        QCOMPARE(deliveries[k].first, int(k % 5));
        QCOMPARE(deliveries[k].second, job.coarsest >> (k / 5));
    }
    QCOMPARE(runner.progress(), 1.0);
}

void TestSweepViewRunner::startedAgainContinuesFromTheCache()
{
    const SweepJob job = frictionSweep(quickModel(), 3.0, 9.0, 4);
    SweepRunner runner;
    std::map<int, int> reached; // frame: finest stride delivered
    connect(&runner, &SweepRunner::frameReady, this,
            [&](int f) { reached[f] = strideOf(runner, f); });

    // Stopped once every frame has its first level.
    runner.start(job);
    QTRY_VERIFY_WITH_TIMEOUT(reached.size() == 4, kWait);
    runner.cancel();
    QVERIFY(!runner.isBusy());
    const std::map<int, int> stopped = reached;

    // Started again: each frame comes back at least as fine as it was left,
    // before anything is computed.
    std::map<int, int> first;
    connect(&runner, &SweepRunner::frameReady, this,
            [&](int f) { first.emplace(f, strideOf(runner, f)); });
    QSignalSpy finished(&runner, &SweepRunner::finished);
    runner.start(job);
    QVERIFY(finished.wait(kWait));
    QCOMPARE(first.size(), std::size_t(4));
    for (const auto& [f, stride] : stopped)
        QVERIFY(first[f] <= stride);

    // Complete, a third start shows every frame whole at once.
    first.clear();
    finished.clear();
    runner.start(job);
    QVERIFY(finished.wait(kWait));
    QCOMPARE(first.size(), std::size_t(4));
    for (const auto& [f, stride] : first)
        QCOMPARE(stride, 1);
}

void TestSweepViewRunner::onlyTheLastOfManyStartsIsComputed()
{
    ModelState d = quickModel();
    SweepRunner runner;
    QSignalSpy finished(&runner, &SweepRunner::finished);
    // A first sweep under way, with levels of it on their way to this thread.
    QSignalSpy ready(&runner, &SweepRunner::frameReady);
    runner.start(frictionSweep(d, 2.0, 3.0, 10));
    QVERIFY(ready.wait(kWait));
    SweepJob last;
    for (int i = 0; i < 12; ++i) {
        d.physics.magnets[0].posX += 0.003f;
        last = frictionSweep(d, 4.0 + 0.1 * i, 7.0, 2 + i % 3);
        runner.start(last);
    }
    ready.clear();
    QVERIFY(finished.wait(kWait));
    QCoreApplication::processEvents();
    QCOMPARE(finished.size(), 1);
    // Each level of each frame once, nothing of the sweeps before.
    QCOMPARE(ready.size(), levelsOf(last) * last.plan.frames);
    QCOMPARE(runner.frames().size(), std::size_t(last.plan.frames));
    QVERIFY(allComplete(runner));
    for (int f = 0; f < last.plan.frames; ++f) {
        const SweepRunner::Frame& frame = runner.frames()[std::size_t(f)];
        QCOMPARE(frame.value, last.plan.value(f));
        QVERIFY(frame.level->result.request.model == last.frameRequest(f, nullptr)->model);
    }
}

void TestSweepViewRunner::aValueTheModelCannotTakeIsReported()
{
    // A key of the last magnet, on a model that has lost that magnet.
    const ModelState full = quickModel();
    const QString name = ParameterKey::names(full.physics).last();
    const std::optional<ParameterKey> key = ParameterKey::parse(name, full.physics, nullptr);
    QVERIFY(key);
    SweepJob job{full, SweepPlan{*key, 0.0, 0.1, 3}};
    job.base.physics.magnets.pop_back();
    job.grid = kGrid;

    SweepRunner runner;
    QSignalSpy failed(&runner, &SweepRunner::failed);
    QSignalSpy ready(&runner, &SweepRunner::frameReady);
    runner.start(job);
    QVERIFY(failed.wait(kWait));
    QVERIFY(!failed.first().at(0).toString().isEmpty());
    QVERIFY(!runner.isBusy());
    QCOMPARE(ready.size(), 0);
}

QTEST_GUILESS_MAIN(TestSweepViewRunner)
#include "tst_sweepview_runner.moc"
