// A sweep against the same maps rendered one by one: six frames of 96 x 96
// pixels of three magnets on the unit circle, magnet 0 weakened from 1 to 0.
// The sweep runs every frame on one engine; the single maps each on an
// engine of their own, as six separate runs of the program would.
//
// Run: bench_sweep_frames --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include "BasinEngine.h"
#include "SweepFrames.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kSide = 96;
constexpr int kFrames = 6;
constexpr double kTwoPi = 6.283185307179586;

std::vector<BasinRequest> frameRequests()
{
    ModelParameters model;
    model.pendulumLength = 6.0;
    model.pendulumHeight = 6.3;
    model.gravity = 1.5;
    model.damping = 0.2;
    model.kappa = 1.0;
    model.magFactor = 1.0;
    for (int k = 0; k < 3; ++k) {
        Magnet m;
        m.posX = float(std::cos(kTwoPi * k / 3.0));
        m.posY = float(std::sin(kTwoPi * k / 3.0));
        model.magnets.push_back(m);
    }
    BasinRequest base = BasinRequest::fromModel(model, 30.0);
    base.width = base.height = kSide;
    const SweepPlan plan = *SweepPlan::parse(QStringLiteral("magnet0.alpha=1:0:6"), model, nullptr);
    const SweepFrames frames(plan, base, 30.0, false);
    std::vector<BasinRequest> requests;
    for (int k = 0; k < frames.count(); ++k)
        requests.push_back(*frames.request(k));
    return requests;
}

void BM_SweepOneEngine(benchmark::State& state)
{
    const std::vector<BasinRequest> requests = frameRequests();
    BasinEngine engine;
    for (auto _ : state)
        for (const BasinRequest& r : requests) {
            engine.run(r);
            benchmark::DoNotOptimize(engine.result().attractor.data());
        }
    state.counters["frames"] = kFrames;
}

void BM_SingleMaps(benchmark::State& state)
{
    const std::vector<BasinRequest> requests = frameRequests();
    for (auto _ : state)
        for (const BasinRequest& r : requests) {
            BasinEngine engine;
            engine.run(r);
            benchmark::DoNotOptimize(engine.result().attractor.data());
        }
    state.counters["frames"] = kFrames;
}

} // namespace

BENCHMARK(BM_SweepOneEngine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SingleMaps)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
