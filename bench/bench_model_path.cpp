// A path run until caught against today's path of 1500 samples, on the
// default set, from release points whose paths settle within the map's time
// limit; and the until-caught path when every path comes with a new model (a
// magnet dragged), which finds the attractors each time.
//
// Run: bench_model_path --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
// The counter "samples" is the mean length of the paths.
#include "PathTracer.h"
#include "SystemData.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr std::array<std::array<double, 2>, 6> kReleases = {
    {{0.1, 0.06}, {0.05, 0.06}, {-0.09, 0.08}, {0.071, -0.043}, {-0.12, -0.1}, {0.02, 0.15}}};

void setSamples(benchmark::State& state, long long samples)
{
    state.counters["samples"] = double(samples) / double(kReleases.size());
}

void BM_SampleCountPath(benchmark::State& state)
{
    SystemData d;
    long long samples = 0;
    for (auto _ : state) {
        samples = 0;
        for (const auto& [x, y] : kReleases) {
            d.computeTrajectory(x, y);
            samples += d.numTrajPoints;
        }
        benchmark::DoNotOptimize(d.trajPoints.data());
    }
    setSamples(state, samples);
}

void BM_UntilCaughtPath(benchmark::State& state)
{
    SystemData d;
    PathTracer tracer;
    long long samples = 0;
    int caught = 0;
    for (auto _ : state) {
        samples = 0;
        caught = 0;
        for (const auto& [x, y] : kReleases) {
            caught += tracer.trace(d, x, y).caught() ? 1 : 0;
            samples += d.numTrajPoints;
        }
        benchmark::DoNotOptimize(d.trajPoints.data());
    }
    setSamples(state, samples);
    if (caught != int(kReleases.size()))
        state.SkipWithError("a path was not caught");
}

void BM_UntilCaughtNewModel(benchmark::State& state)
{
    SystemData d;
    PathTracer tracer;
    int turn = 0;
    for (auto _ : state) {
        // The first magnet moves to and fro, as under a drag.
        d.magnets[0].posX = (turn++ % 2 == 0) ? -0.03f : -0.031f;
        tracer.trace(d, kReleases[0][0], kReleases[0][1]);
        benchmark::DoNotOptimize(d.trajPoints.data());
    }
}

} // namespace

BENCHMARK(BM_SampleCountPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UntilCaughtPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UntilCaughtNewModel)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
