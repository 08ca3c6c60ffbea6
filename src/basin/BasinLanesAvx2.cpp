// The AVX2 kernel: eight lanes in two registers. This file alone is compiled
// with AVX2 (never FMA), and it instantiates the kernel templates for the
// vector lane type only: a double instantiation here would be shared with
// the portable code by the linker and could run AVX2 instructions on a
// processor without them.
#include "BasinLanes.h"

#include "Double4.h"
#include "Lanes.h"

#include "CashKarp.h"

#include "BasinKernel.h"

namespace basin {

void advanceAvx2(const KernelSetup& setup, LaneBatch& batch, int maxIterations)
{
    cashkarp::withPower(setup.field, [&](auto power) {
        advanceLanes<lanes::DoubleN<basin::kLanes / 4>>(setup, power, batch, 0, maxIterations);
    });
}

} // namespace basin
