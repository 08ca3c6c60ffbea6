// The Sweep dock's frames at the dock's 128 x 128, with the default model, 24
// frames of its velocity damping: /0 over the span the dock proposes (1 +- 25 %),
// /1 over 0.05 to 0.5, where most paths run to the time limit:
//  - BM_FirstFrame: from the start of a sweep to its first frame's coarse
//    level on the GUI thread (the dock shows it as it comes);
//  - BM_FirstRound: to the coarse level of every one of 24 frames, when the
//    preview can play through the whole sweep.
// Each iteration moves a magnet a little, so that no frame comes from the cache.
#include "ModelState.h"
#include "QtBenchmarkMain.h"
#include "SweepRunner.h"
#include "SystemData.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

SweepJob frictionSweep(const ModelState& base, bool slow)
{
    const std::optional<ParameterKey> key =
        ParameterKey::parse(QStringLiteral("friction"), base.physics, nullptr);
    return slow ? SweepJob{base, SweepPlan{*key, 0.05, 0.5, 24}}
                : SweepJob{base, SweepPlan{*key, 0.75, 1.25, 24}};
}

// Runs sweeps until `frames` frames have a level, once per iteration.
void runToFrames(benchmark::State& state, int frames)
{
    SystemData d;
    ModelState base = ModelState::of(d);
    SweepRunner runner;
    int ready = 0;
    QObject::connect(&runner, &SweepRunner::frameReady, [&ready] { ++ready; });
    for (auto _ : state) {
        base.physics.magnets[0].posX += 1e-4f;
        ready = 0;
        runner.start(frictionSweep(base, state.range(0) != 0));
        while (ready < frames)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        state.PauseTiming();
        runner.cancel();
        state.ResumeTiming();
    }
}

void BM_FirstFrame(benchmark::State& state)
{
    runToFrames(state, 1);
}
BENCHMARK(BM_FirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FirstRound(benchmark::State& state)
{
    runToFrames(state, 24);
}
BENCHMARK(BM_FirstRound)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

ORVALIS_QT_BENCHMARK_MAIN();
