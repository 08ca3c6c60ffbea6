#ifndef ORVALIS_LANES_H
#define ORVALIS_LANES_H

// The integrator is written once for a lane type: plain double for a single
// path, or a vector of several doubles (one pixel per lane) for the map. These
// are the operations it needs beyond + - * /, for the scalar lane; the vector
// lane type provides the same names, found through its own namespace.
// Comparisons give bool here and a lane mask there.
//
// No function here may be compiled with another instruction set: these are
// the scalar definitions every build links.

#include <cmath>

namespace lanes {

[[gnu::always_inline]] inline double laneSqrt(double x)
{
    return std::sqrt(x);
}

[[gnu::always_inline]] inline double laneAbs(double x)
{
    return std::fabs(x);
}

[[gnu::always_inline]] inline double laneSelect(bool mask, double a, double b)
{
    return mask ? a : b;
}

[[gnu::always_inline]] inline bool laneIsNan(double x)
{
    return x != x;
}

[[gnu::always_inline]] inline bool laneAny(bool mask)
{
    return mask;
}

// A non-integer power, one lane at a time whatever the lane type.
[[gnu::always_inline]] inline double lanePow(double x, double p)
{
    return std::pow(x, p);
}

} // namespace lanes

#endif
