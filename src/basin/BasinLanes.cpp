// The portable kernel: the lanes one after the other in plain doubles.
#include "BasinLanes.h"

#include "Lanes.h"

#include "CashKarp.h"

#include "BasinKernel.h"

namespace basin {

void LaneBatch::release(int l, double x0, double y0)
{
    const double start[4] = {x0, y0, 0.0, 0.0};
    for (int c = 0; c < 4; ++c) {
        y[c][l] = start[c];
        dydx[c][l] = 0.0;
        yscal[c][l] = 0.0;
    }
    h[l] = cashkarp::kFirstStep;
    stamp[l] = 0.0;
    steps[l] = 0.0;
    fresh[l] = 1.0;
    // A release that floats cannot hold has no path at all.
    constexpr double largest = cashkarp::kLargestSample;
    outcome[l] = std::fabs(x0) <= largest && std::fabs(y0) <= largest ? kRunning : kUndecided;
}

void advancePortable(const KernelSetup& setup, LaneBatch& batch, int maxIterations)
{
    cashkarp::withPower(setup.field, [&](auto power) {
        for (int l = 0; l < kLanes; ++l) {
            if (batch.outcome[l] != kRunning)
                continue;
            advanceLanes<double>(setup, power, batch, l, maxIterations);
            if (batch.outcome[l] != kRunning)
                return;
        }
    });
}

bool haveAvx2()
{
    return __builtin_cpu_supports("avx2");
}

bool haveAvx512()
{
    // Also asks whether the system saves the wide registers on a switch.
    return __builtin_cpu_supports("avx512f");
}

Advance widestKernel()
{
    if (haveAvx512())
        return advanceAvx512;
    return haveAvx2() ? advanceAvx2 : advancePortable;
}

} // namespace basin
