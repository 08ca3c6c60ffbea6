#include "MagnetModel.h"

#include <cmath>
#include <cstddef>

namespace {
// Integer exponents up to this size are evaluated with products and at most
// one square root, beyond it with pow.
constexpr double kMaxIntegerPower = 16.0;
} // namespace

MagnetModel::MagnetModel(const ModelParameters& p)
{
    const double h0 = p.pendulumHeight - p.pendulumLength;
    const double kf = p.kappa * p.magFactor;
    const int n = int(p.magnets.size());
    storage.resize(4 * std::size_t(n));
    double* posX = storage.data();
    double* posY = posX + n;
    double* dz2 = posY + n;
    double* factor = dz2 + n;
    for (int i = 0; i < n; ++i) {
        const Magnet& m = p.magnets[std::size_t(i)];
        posX[i] = m.posX;
        posY[i] = m.posY;
        const double dz = h0 - double(m.posZ);
        dz2[i] = dz * dz;
        factor[i] = kf * double(m.alpha);
    }
    c.gOverL = p.gravity / p.pendulumLength;
    c.damping = p.damping;
    c.invKappa = p.kappa != 0.0 ? 1.0 / p.kappa : 0.0;
    c.posX = posX;
    c.posY = posY;
    c.dz2 = dz2;
    c.factor = factor;
    c.count = n;

    const double power = -p.kappa - 2.0;
    if (power == -3.0) {
        c.kind = PowerKind::InverseCube;
    } else if (power == -4.0) {
        c.kind = PowerKind::InverseFourth;
    } else if (power == std::trunc(power) && std::abs(power) <= kMaxIntegerPower) {
        c.kind = PowerKind::Integer;
        c.integerPower = int(power);
    } else {
        c.kind = PowerKind::General;
        c.generalPower = power;
    }
}
