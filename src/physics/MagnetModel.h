#ifndef ORVALIS_MAGNETMODEL_H
#define ORVALIS_MAGNETMODEL_H

#include "ModelParameters.h"

#include <vector>

// The magnet shapes of factor * r^(-kappa-2).
enum class PowerKind { InverseCube, InverseFourth, Integer, General };

// The constants of the equations of motion as the force evaluation reads
// them: plain numbers and arrays, so that every instruction set compiles the
// same evaluation from them.
struct FieldConstants
{
    double gOverL = 0.0;
    double damping = 0.0;
    double invKappa = 0.0; // 1 / kappa, 0 for kappa 0: turns force weights into potentials
    PowerKind kind = PowerKind::General;
    int integerPower = 0;
    double generalPower = 0.0;
    const double* posX = nullptr;
    const double* posY = nullptr;
    const double* dz2 = nullptr;    // (h0 - posZ)^2
    const double* factor = nullptr; // kappa * magFactor * alpha
    int count = 0;
};

// Owns the arrays that FieldConstants points to.
class MagnetModel
{
public:
    explicit MagnetModel(const ModelParameters& p);

    MagnetModel(const MagnetModel&) = delete;
    MagnetModel& operator=(const MagnetModel&) = delete;

    const FieldConstants& constants() const { return c; }

private:
    std::vector<double> storage;
    FieldConstants c;
};

#endif
