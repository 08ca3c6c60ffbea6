// The AVX-512 kernel: the lanes in registers of eight doubles. Like the AVX2
// kernel, this file alone is compiled with its instruction set (never FMA)
// and instantiates the kernel templates for its vector lane type only.
#include "BasinLanes.h"

#include "Double8.h"
#include "Lanes.h"

#include "CashKarp.h"

#include "BasinKernel.h"

namespace basin {

void advanceAvx512(const KernelSetup& setup, LaneBatch& batch, int maxIterations)
{
    cashkarp::withPower(setup.field, [&](auto power) {
        advanceLanes<lanes::Double8N<basin::kLanes / 8>>(setup, power, batch, 0, maxIterations);
    });
}

} // namespace basin
