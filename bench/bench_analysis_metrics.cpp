// The measurements of the default set's 512 x 512 map (the region of
// `orvalis --basin`): the grid metrics alone (basin entropy and the Wada
// test, the target is under 0.1 s), the grid metrics with the uncertainty
// exponent from 4096 release points (the target: no longer than the map
// itself), and the check of every pixel at a tenth of the tolerance, each
// against the map's own time.
//
// Run: bench_analysis_metrics --benchmark_repetitions=3
// A summary after the runs gives the medians over all runs and the measured
// values.
#include "BasinEngine.h"
#include "BasinMeasurements.h"
#include "LabelGrid.h"
#include "ModelState.h"
#include "SystemData.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSide = 512;

using Clock = std::chrono::steady_clock;

std::vector<double> mapSeconds;
std::vector<double> gridSeconds;
std::vector<double> exponentSeconds; // grid metrics and exponent: what --stats adds
std::vector<double> verifySeconds;

double median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const BasinResult& defaultMap()
{
    static const BasinResult map = [] {
        SystemData d;
        BasinRequest r = ModelState::of(d).basinRequest();
        r.width = r.height = kSide;
        BasinEngine engine;
        engine.run(r);
        return engine.result();
    }();
    return map;
}

template <class F> double seconds(F&& f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_Map512(benchmark::State& state)
{
    BasinEngine engine;
    for (auto _ : state) {
        const double s = seconds([&] { engine.run(defaultMap().request); });
        state.SetIterationTime(s);
        mapSeconds.push_back(s);
    }
}

void BM_GridMetrics(benchmark::State& state)
{
    const BasinResult& map = defaultMap();
    for (auto _ : state) {
        const double s = seconds([&] {
            const LabelGrid grid = *LabelGrid::fromResult(map);
            benchmark::DoNotOptimize(BasinEntropy::measure(grid));
            benchmark::DoNotOptimize(WadaMerge::measure(grid));
        });
        state.SetIterationTime(s);
        gridSeconds.push_back(s);
    }
}

BasinMeasurements measurements;
MeasurementOptions options;

void BM_Measurements(benchmark::State& state)
{
    const BasinResult& map = defaultMap();
    options.verify = state.range(0) != 0;
    for (auto _ : state) {
        bool done = false;
        const double s = seconds([&] { done = measurements.measure(map, options); });
        if (!done)
            state.SkipWithError(qPrintable(measurements.error()));
        state.SetIterationTime(s);
        (options.verify ? verifySeconds : exponentSeconds).push_back(s);
    }
}

} // namespace

BENCHMARK(BM_Map512)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_GridMetrics)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_Measurements)
    ->Arg(0)
    ->ArgName("verify")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_Measurements)
    ->Arg(1)
    ->ArgName("verify")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const BasinEntropy& e = measurements.entropy();
    const UncertaintyExponent& u = measurements.exponent();
    std::printf("\n%d x %d default map, medians: map %.3f s; grid metrics %.4f s; grid metrics "
                "and exponent (%d samples) %.3f s; with the check at a tenth of the tolerance "
                "%.3f s\n",
                kSide, kSide, median(mapSeconds), median(gridSeconds), options.samples,
                median(exponentSeconds), median(verifySeconds));
    std::printf("Sb %.4f  Sbb %.4f (%s ln 2)  boundary fraction %.4f  W %s%.4f (r %d)\n", e.entropy,
                e.boundaryEntropy, e.fractalBoundary() ? ">" : "<=", e.boundaryFraction,
                measurements.wada().defined ? "" : "undefined ", measurements.wada().value,
                measurements.wada().radius);
    std::printf("alpha %.4f +- %.4f over %d scales  d %.4f  unsettled fraction %g\n", u.alpha,
                u.alphaError, u.fitted, u.dimension(),
                measurements.settled() ? measurements.settled()->unsettledFraction : std::nan(""));
    return 0;
}
