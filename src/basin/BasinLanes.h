#ifndef ORVALIS_BASINLANES_H
#define ORVALIS_BASINLANES_H

#include "MagnetModel.h"

// The pixels of a map advance in lanes: eight at a time, each lane with its
// own state, step size and outcome, and refilled with the next pixel when it
// ends. The lanes are plain arrays here so that the kernels (portable, and
// AVX2 and AVX-512 in files of their own) and the driver share nothing else.
namespace basin {

constexpr int kLanes = 8;

// Outcomes of a lane: 0 while it runs, k + 1 once attractor k has caught it.
constexpr double kRunning = 0.0;
constexpr double kUndecided = -1.0; // ended without a capture
constexpr double kIdle = -2.0;      // no pixel

// Capture discs, one per attractor (radius squared; 0 catches nothing).
struct CaptureDiscs
{
    const double* x = nullptr;
    const double* y = nullptr;
    const double* radius2 = nullptr;
    const double* barrier = nullptr;
    int count = 0;
};

struct KernelSetup
{
    FieldConstants field;
    CaptureDiscs discs;
    bool capture = false; // only damping lets the energy fall
    double eps = 0.0;
    double stampLimit = 0.0; // twice the time limit: stamps advance by twice the step
    double stepLimit = 0.0;
};

// Component c of lane l is y[c][l]. The stamp is the path's time stamp (twice
// the time) and steps the accepted steps so far, both exactly as the path
// counts them.
struct alignas(64) LaneBatch
{
    double y[4][kLanes] = {};
    double dydx[4][kLanes] = {};
    double yscal[4][kLanes] = {};
    double h[kLanes] = {};
    double stamp[kLanes] = {};
    double steps[kLanes] = {};
    double fresh[kLanes] = {}; // 1: a new state, not yet tested and scaled
    double outcome[kLanes] = {kIdle, kIdle, kIdle, kIdle, kIdle, kIdle, kIdle, kIdle};

    // Releases lane l at rest at (x, y).
    void release(int l, double x, double y);
};

// Advances the running lanes by up to maxIterations tries of a step each,
// returning early when a lane ends.
void advancePortable(const KernelSetup& setup, LaneBatch& batch, int maxIterations);
void advanceAvx2(const KernelSetup& setup, LaneBatch& batch, int maxIterations);
void advanceAvx512(const KernelSetup& setup, LaneBatch& batch, int maxIterations);
bool haveAvx2();
bool haveAvx512();

using Advance = void (*)(const KernelSetup& setup, LaneBatch& batch, int maxIterations);
// The widest kernel this processor runs; every kernel gives the same bits.
Advance widestKernel();

} // namespace basin

#endif
