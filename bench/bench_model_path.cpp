// A path run until caught against today's path of 1500 samples (alone, and
// with the search for its point of capture), on the default set, from a grid of release points over
// the mapped square (all of them settle within the map's time limit); and the until-caught path
// when every path comes with a new model (a magnet dragged), which finds the attractors each time.
//
// Run: bench_model_path --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
// The counter "samples" is the mean length of the paths of a grid.
#include "Experiment.h"
#include "ModelState.h"
#include "PathTracer.h"
#include "SystemData.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Release
{
    double x, y;
};

// An 8 by 8 grid of pixel centres over the square the window maps.
std::vector<Release> releases(const SystemData& d)
{
    BasinRequest r = ModelState::of(d).basinRequest();
    r.width = r.height = 8;
    std::vector<Release> points;
    for (int j = 0; j < r.height; ++j)
        for (int i = 0; i < r.width; ++i)
            points.push_back({r.pixelX(i), r.pixelY(j)});
    return points;
}

void setSamples(benchmark::State& state, long long samples, std::size_t paths)
{
    state.counters["samples"] = double(samples) / double(paths);
}

void BM_SampleCountPath(benchmark::State& state)
{
    SystemData d;
    const std::vector<Release> points = releases(d);
    long long samples = 0;
    for (auto _ : state) {
        samples = 0;
        for (const auto& [x, y] : points) {
            d.computeTrajectory(x, y);
            samples += d.numTrajPoints;
        }
        benchmark::DoNotOptimize(d.trajPoints.data());
    }
    setSamples(state, samples, points.size());
}

// The same paths as the window computes them: each with the search for its
// point of capture.
void BM_SampleCountWithCapture(benchmark::State& state)
{
    SystemData d;
    Experiment experiment(&d);
    const std::vector<Release> points = releases(d);
    long long samples = 0;
    for (auto _ : state) {
        samples = 0;
        for (const auto& [x, y] : points) {
            experiment.release(x, y);
            samples += d.numTrajPoints;
        }
        benchmark::DoNotOptimize(d.trajPoints.data());
    }
    setSamples(state, samples, points.size());
}

void BM_UntilCaughtPath(benchmark::State& state)
{
    SystemData d;
    const std::vector<Release> points = releases(d);
    PathTracer tracer;
    long long samples = 0;
    int caught = 0;
    for (auto _ : state) {
        samples = 0;
        caught = 0;
        for (const auto& [x, y] : points) {
            caught += tracer.trace(d, x, y).caught() ? 1 : 0;
            samples += d.numTrajPoints;
        }
        benchmark::DoNotOptimize(d.trajPoints.data());
    }
    setSamples(state, samples, points.size());
    if (caught != int(points.size()))
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
        tracer.trace(d, 0.1, 0.06);
        benchmark::DoNotOptimize(d.trajPoints.data());
    }
}

} // namespace

BENCHMARK(BM_SampleCountPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleCountWithCapture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UntilCaughtPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UntilCaughtNewModel)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
