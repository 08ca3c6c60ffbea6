#ifndef ORVALIS_MODELPARAMETERS_H
#define ORVALIS_MODELPARAMETERS_H

#include "Magnet.h"

#include <vector>

// The physical parameters of the pendulum and its magnets: what decides a
// motion, without anything the program shows. A map is computed from such a
// snapshot while the model itself may change.
struct ModelParameters
{
    double pendulumLength = 2.0;
    double pendulumHeight = 2.02;
    double gravity = 9.81;
    double damping = 1.0; // velocity damping
    double kappa = 1.0;   // exponent of the magnet potential
    double magFactor = 0.01;
    std::vector<Magnet> magnets;
};

// Same values, magnet for magnet (pick colours aside: they follow the order).
bool operator==(const ModelParameters& a, const ModelParameters& b);
inline bool operator!=(const ModelParameters& a, const ModelParameters& b)
{
    return !(a == b);
}

#endif
