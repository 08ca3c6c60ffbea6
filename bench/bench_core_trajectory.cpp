// Cost of one trajectory, and of one accepted integration step compared with
// the same equations integrated by two general-purpose libraries (Cash-Karp
// 5(4) with their standard step control, relative tolerance 1e-8).
//
// Run: bench_core_trajectory --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
// The counter "step" is the time per accepted step.
#include "PlainPendulum.h"
#include "SystemData.h"

#include <benchmark/benchmark.h>
#include <boost/numeric/odeint.hpp>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_odeiv2.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr double kX0 = 0.1;
constexpr double kY0 = 0.06;
constexpr double kTolerance = 1e-8;

// The default three magnets, or a ring of n around the origin.
void setMagnets(SystemData& d, int count)
{
    if (count == 3)
        return;
    d.magnets.clear();
    const double pi = std::acos(-1.0);
    for (int i = 0; i < count; ++i) {
        const double angle = 2.0 * pi * i / count;
        d.appendMagnet(float(0.05 * std::cos(angle)), float(0.05 * std::sin(angle)), 1.0f, 1, 0, 0);
    }
}

void setCounters(benchmark::State& state, double stepsPerIteration)
{
    state.counters["step"] =
        benchmark::Counter(stepsPerIteration, benchmark::Counter::kIsIterationInvariantRate |
                                                  benchmark::Counter::kInvert);
}

void BM_SystemData(benchmark::State& state)
{
    SystemData d;
    d.maxNumPoints = int(state.range(0));
    setMagnets(d, int(state.range(1)));
    for (auto _ : state) {
        d.computeTrajectory(kX0, kY0);
        benchmark::DoNotOptimize(d.trajPoints.data());
    }
    setCounters(state, d.numTrajPoints);
}

void BM_BoostOdeint(benchmark::State& state)
{
    using namespace boost::numeric::odeint;
    using State = std::array<double, 4>;
    SystemData d;
    setMagnets(d, int(state.range(1)));
    const PlainPendulum pendulum(d);
    const auto system = [&pendulum](const State& y, State& dydx, double) {
        pendulum.derivs(y.data(), dydx.data());
    };
    const int steps = int(state.range(0));
    std::vector<std::array<float, 4>> samples(static_cast<std::size_t>(steps));

    for (auto _ : state) {
        auto stepper = make_controlled<runge_kutta_cash_karp54<State>>(1e-30, kTolerance);
        State y = {kX0, kY0, 0.0, 0.0};
        double t = 0.0;
        double dt = 0.005;
        for (int i = 0; i < steps; ++i) {
            samples[std::size_t(i)] = {float(y[0]), float(y[1]), float(y[2]), float(y[3])};
            while (stepper.try_step(system, y, t, dt) == fail) {
            }
        }
        benchmark::DoNotOptimize(samples.data());
    }
    setCounters(state, steps);
}

int gslDerivs(double, const double y[], double dydx[], void* params)
{
    static_cast<const PlainPendulum*>(params)->derivs(y, dydx);
    return GSL_SUCCESS;
}

void BM_Gsl(benchmark::State& state)
{
    SystemData d;
    setMagnets(d, int(state.range(1)));
    PlainPendulum pendulum(d);
    gsl_odeiv2_system system = {gslDerivs, nullptr, 4, &pendulum};
    const int steps = int(state.range(0));
    std::vector<std::array<float, 4>> samples(static_cast<std::size_t>(steps));

    gsl_odeiv2_step* stepper = gsl_odeiv2_step_alloc(gsl_odeiv2_step_rkck, 4);
    gsl_odeiv2_control* control = gsl_odeiv2_control_standard_new(1e-30, kTolerance, 1.0, 1.0);
    gsl_odeiv2_evolve* evolve = gsl_odeiv2_evolve_alloc(4);
    for (auto _ : state) {
        gsl_odeiv2_step_reset(stepper);
        gsl_odeiv2_evolve_reset(evolve);
        double y[4] = {kX0, kY0, 0.0, 0.0};
        double t = 0.0;
        double h = 0.005;
        for (int i = 0; i < steps; ++i) {
            samples[std::size_t(i)] = {float(y[0]), float(y[1]), float(y[2]), float(y[3])};
            // One call is one accepted step; rejected tries are retried inside.
            gsl_odeiv2_evolve_apply(evolve, control, stepper, &system, &t, 1e9, &h, y);
        }
        benchmark::DoNotOptimize(samples.data());
    }
    gsl_odeiv2_evolve_free(evolve);
    gsl_odeiv2_control_free(control);
    gsl_odeiv2_step_free(stepper);
    setCounters(state, steps);
}

// Arguments: accepted steps (samples), number of magnets.
void trajectoryArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"samples", "magnets"});
    for (const int magnets : {3, 30})
        for (const int samples : {1500, 10000})
            b->Args({samples, magnets});
    b->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_SystemData)->Apply(trajectoryArgs);
BENCHMARK(BM_BoostOdeint)->Apply(trajectoryArgs);
BENCHMARK(BM_Gsl)->Apply(trajectoryArgs);

BENCHMARK_MAIN();
