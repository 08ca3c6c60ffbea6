#ifndef ORVALIS_ENERGYCURVE_H
#define ORVALIS_ENERGYCURVE_H

#include <vector>

class SystemData;

// The energy of the bob along the current path, per unit mass as the
// equations of motion are written:
//     E = |v|^2 / 2 + (g / L) |p|^2 / 2 - sum_i f alpha_i r_i^(-kappa),
// kinetic, gravitational (the small-angle pendulum's) and magnetic potential,
// the last two as the map's capture test evaluates them. Without damping it
// stays constant; with damping d it falls at the rate d |v|^2, never rises.
// Taken from the stored (float) samples, the states the views show.
struct EnergyCurve
{
    std::vector<double> time; // model time of each sample (half its stamp)
    std::vector<double> energy;

    static EnergyCurve of(const SystemData& data);
    bool isEmpty() const { return time.empty(); }
};

#endif
