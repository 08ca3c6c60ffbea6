#ifndef ORVALIS_BENCH_PLAINPENDULUM_H
#define ORVALIS_BENCH_PLAINPENDULUM_H

#include "SystemData.h"

#include <array>
#include <cmath>
#include <vector>

// The equations of motion as a library user would write them.
struct PlainPendulum
{
    struct Magnet
    {
        double x, y, z, alpha;
    };
    double gravity, length, damping, kappa, magFactor, height;
    std::vector<Magnet> magnets;

    explicit PlainPendulum(const SystemData& d)
        : gravity(d.gravity), length(d.pendulumLength), damping(d.damping), kappa(d.kappa),
          magFactor(d.magFactor), height(d.pendulumHeight - d.pendulumLength)
    {
        for (const ::Magnet& m : d.magnets)
            magnets.push_back({m.posX, m.posY, m.posZ, m.alpha});
    }
    // Steppers take the system by value: pass std::cref, or every step would
    // copy the magnet list.
    PlainPendulum(const PlainPendulum&) = delete;
    PlainPendulum& operator=(const PlainPendulum&) = delete;

    void derivs(const double* y, double* dydx) const
    {
        double ax = -damping * y[2] - gravity / length * y[0];
        double ay = -damping * y[3] - gravity / length * y[1];
        for (const Magnet& m : magnets) {
            const double dx = y[0] - m.x;
            const double dy = y[1] - m.y;
            const double dz = height - m.z;
            const double r = std::sqrt(dx * dx + dy * dy + dz * dz);
            const double w = kappa * magFactor * m.alpha * std::pow(r, -kappa - 2.0);
            ax -= w * dx;
            ay -= w * dy;
        }
        dydx[0] = y[2];
        dydx[1] = y[3];
        dydx[2] = ax;
        dydx[3] = ay;
    }

    // The form an odeint stepper calls.
    void operator()(const std::array<double, 4>& y, std::array<double, 4>& dydx, double) const
    {
        derivs(y.data(), dydx.data());
    }
};

#endif
