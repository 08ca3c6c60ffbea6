// Basin-of-attraction maps: the whole 512 x 512 map of the default set and
// its first level (64 x 64 pixels, every 8th), how soon a running map stops
// when cancelled, a map with 30 magnets, the way back to a complete map
// the mapper keeps, and the
// way one would do it with a general-purpose library: Boost.Odeint's
// controlled Cash-Karp 5(4) per pixel (tolerance 1e-8, one thread), stopping
// when the bob is slow (|v| < 1e-3) within magnetSize of a magnet.
//
// Run: bench_core_basin --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
// The library runs on every 16th pixel of each row and column of the 512 x
// 512 map (1024 pixels) and is scaled up to the whole map; a summary after
// the runs gives the medians, the speed-up and the share of those pixels on
// which both give the same magnet.
#include "BasinEngine.h"
#include "BasinMapper.h"
#include "ModelState.h"
#include "PlainPendulum.h"
#include "SystemData.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <boost/numeric/odeint.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr int kSide = 512;
constexpr int kSubsample = 16; // the library's pixels: every 16th of each row and column

using Clock = std::chrono::steady_clock;

std::vector<double> mapSeconds;     // whole 512 x 512 maps
std::vector<double> librarySeconds; // the library, scaled up to the whole map
double agreement = -1.0;

// CPU time of the whole process, all threads: the machine is shared, and
// this tells how much of a wall-clock time was the map's own work.
double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

BasinRequest defaultRequest(int side)
{
    SystemData d;
    BasinRequest r = ModelState::of(d).basinRequest();
    r.width = r.height = side;
    return r;
}

void BM_Map512(benchmark::State& state)
{
    const BasinRequest r = defaultRequest(kSide);
    BasinEngine engine;
    double cpu = 0.0;
    for (auto _ : state) {
        const double cpuStart = processSeconds();
        const auto start = Clock::now();
        engine.run(r);
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        cpu += processSeconds() - cpuStart;
        state.SetIterationTime(s);
        mapSeconds.push_back(s);
    }
    state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

// Until the first level, every 8th pixel of the 512 x 512 map, is complete;
// the critical points of the potential are found within it.
void BM_FirstLevel64(benchmark::State& state)
{
    const BasinRequest r = defaultRequest(kSide);
    BasinEngine engine;
    Clock::time_point done;
    engine.setLevelCallback([&](const BasinResult&, int) {
        done = Clock::now();
        engine.cancel();
    });
    double cpu = 0.0;
    for (auto _ : state) {
        const double cpuStart = processSeconds();
        const auto start = Clock::now();
        engine.start(r);
        engine.wait();
        cpu += processSeconds() - cpuStart;
        state.SetIterationTime(std::chrono::duration<double>(done - start).count());
    }
    state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

void BM_Map30Magnets(benchmark::State& state)
{
    // A grid of 6 x 5 magnets, 0.05 apart.
    SystemData d;
    d.magnets.clear();
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 5; ++j)
            d.appendMagnet(float(0.05 * (i - 2.5)), float(0.05 * (j - 2)), 1.0f, 1, 0, 0);
    BasinRequest r = ModelState::of(d).basinRequest();
    r.width = r.height = int(state.range(0));
    BasinEngine engine;
    for (auto _ : state) {
        const auto start = Clock::now();
        engine.run(r);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

// Back to an 800 x 600 view whose map is complete (Ctrl+0 after a zoom):
// from the change of view to the complete map in the mapper's hands, on the
// GUI thread. Both maps are computed once before the runs.
void BM_ReturnToCompleteMap(benchmark::State& state)
{
    SystemData d;
    BasinMapper mapper;
    mapper.setPlateSize(32);
    mapper.setModel(ModelState::of(d).physics, d.maxTheta);
    const BasinRequest r = defaultRequest(kSide);
    const QRectF home(r.left, r.bottom, r.right - r.left, r.top - r.bottom);
    const QRectF zoomed(home.x() / 4, home.y() / 4, home.width() / 4, home.height() / 4);
    const QSize pixels(800, 600);
    const auto showComplete = [&](const QRectF& region) {
        mapper.setView(region, pixels);
        while (mapper.viewMap().stride() != 1 || mapper.viewMap().region() != region)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    mapper.setEnabled(true);
    showComplete(home);
    showComplete(zoomed);
    for (auto _ : state) {
        const auto start = Clock::now();
        showComplete(home);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!mapper.isViewFromCache())
            state.SkipWithError("the map was computed again");
        showComplete(zoomed);
    }
}

// The magnet the bob settles over, or -1 when it is not slow near a magnet
// within the time limit.
int libraryOutcome(const PlainPendulum& p, double magnetSize, double x0, double y0, double maxTime)
{
    using namespace boost::numeric::odeint;
    using State = std::array<double, 4>;
    auto stepper = make_controlled<runge_kutta_cash_karp54<State>>(1e-30, 1e-8);
    State y = {x0, y0, 0.0, 0.0};
    double t = 0.0;
    double dt = 0.005;
    while (t < maxTime) {
        while (stepper.try_step(std::cref(p), y, t, dt) == fail) {
        }
        if (std::hypot(y[2], y[3]) >= 1e-3)
            continue;
        for (std::size_t k = 0; k < p.magnets.size(); ++k)
            if (std::hypot(y[0] - p.magnets[k].x, y[1] - p.magnets[k].y) < magnetSize)
                return int(k);
    }
    return -1;
}

void BM_Library(benchmark::State& state)
{
    SystemData d;
    const PlainPendulum pendulum(d);
    const BasinRequest r = defaultRequest(kSide);
    std::vector<int> outcomes;
    for (auto _ : state) {
        outcomes.clear();
        const auto start = Clock::now();
        for (int j = kSubsample / 2; j < kSide; j += kSubsample)
            for (int i = kSubsample / 2; i < kSide; i += kSubsample)
                outcomes.push_back(
                    libraryOutcome(pendulum, d.magnetSize, r.pixelX(i), r.pixelY(j), r.maxTime));
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(s);
        librarySeconds.push_back(s * kSubsample * kSubsample);
    }

    BasinEngine engine;
    engine.run(r);
    const BasinResult& map = engine.result();
    int same = 0;
    std::size_t n = 0;
    for (int j = kSubsample / 2; j < kSide; j += kSubsample)
        for (int i = kSubsample / 2; i < kSide; i += kSubsample) {
            const int a = map.attractor[map.index(i, j)];
            const int magnet = a >= 0 ? map.attractors[std::size_t(a)].magnet : -1;
            same += magnet == outcomes[n++];
        }
    agreement = double(same) / double(outcomes.size());
    state.counters["same_outcome"] = agreement;
    state.counters["pixels"] = double(outcomes.size());
}

// From cancel() to the engine's threads all gone, with a 512 x 512 map well
// under way (its full-resolution level running).
void BM_Cancel(benchmark::State& state)
{
    const BasinRequest r = defaultRequest(kSide);
    BasinEngine engine;
    for (auto _ : state) {
        engine.start(r);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        const auto start = Clock::now();
        engine.cancel();
        engine.wait();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!engine.result().cancelled)
            state.SkipWithError("the map ended before it was cancelled");
    }
}

} // namespace

BENCHMARK(BM_Map512)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_FirstLevel64)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Cancel)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Map30Magnets)
    ->Arg(128)
    ->ArgName("side")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_ReturnToCompleteMap)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_Library)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // the mapper's threads report through its event loop
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double map = median(mapSeconds);
    const double library = median(librarySeconds);
    if (map > 0.0 && library > 0.0)
        std::printf("\n512 x 512 map, median: %.3f s; the library one pixel at a time, scaled to "
                    "the whole map: %.1f s; speed-up %.1fx; same magnet on %.2f%% of %d pixels\n",
                    map, library, library / map, 100.0 * agreement,
                    (kSide / kSubsample) * (kSide / kSubsample));
    return 0;
}
