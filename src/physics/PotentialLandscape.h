#ifndef ORVALIS_POTENTIALLANDSCAPE_H
#define ORVALIS_POTENTIALLANDSCAPE_H

#include "MagnetModel.h"

#include <vector>

// A point where the bob can rest: a minimum of the potential energy, with the
// disc around it from which a bob with little enough energy can never leave.
struct Attractor
{
    double x = 0.0;
    double y = 0.0;
    double potential = 0.0; // U at the minimum
    int magnet = -1;        // the magnet it lies over, -1 for none
    double radius = 0.0;    // of the capture disc; 0: nothing is ever caught here
    double barrier = 0.0;   // energies below it are caught inside the disc

    // The capture rule, as the map's lanes apply it (CaptureTable keeps the
    // squared radius).
    bool catches(double px, double py, double energy) const
    {
        const double dx = px - x;
        const double dy = py - y;
        return dx * dx + dy * dy < radius * radius && energy < barrier;
    }
};

struct CriticalPoint
{
    enum Kind { Minimum, Saddle, Maximum };
    double x = 0.0;
    double y = 0.0;
    double potential = 0.0;
    Kind kind = Minimum;
};

// The potential energy of the equations of motion,
//     U(p) = (g / L) |p|^2 / 2 - sum_i f alpha_i r_i^(-kappa),
// with r_i the distance from the bob (at the height h0 = pendulumHeight -
// pendulumLength) to magnet i; kappa 0 has no magnet term. Its negative
// gradient is the acceleration without damping, so with damping d the energy
// E = |v|^2 / 2 + U falls at the rate d |v|^2 along every motion.
//
// Built once per parameter set: the critical points (Newton's method on the
// gradient from seeds at the magnets, the origin, midpoints and a grid;
// classified by the Hessian) and, for every minimum, a capture disc.
class PotentialLandscape
{
public:
    explicit PotentialLandscape(const ModelParameters& p);

    double potential(double x, double y) const;
    void gradient(double x, double y, double& gx, double& gy) const;
    // Second derivatives Uxx, Uxy, Uyy.
    void hessian(double x, double y, double& hxx, double& hxy, double& hyy) const;

    const std::vector<CriticalPoint>& criticalPoints() const { return points; }
    // The minima: those over magnets first, in magnet order, then the rest
    // from left to right.
    const std::vector<Attractor>& attractors() const { return minima; }

private:
    struct Source
    {
        double x, y, dz2, strength; // strength: f alpha
    };

    void findCriticalPoints();
    bool newton(double& x, double& y) const;
    void addPoint(double x, double y);
    void makeAttractors();
    bool onlyCriticalPointInDisc(double x, double y, double radius) const;
    double radialSlope(double cx, double cy, double x, double y) const;

    double gOverL = 0.0;
    double kappa = 0.0;
    std::vector<Source> sources;
    std::vector<double> magnetHeights; // |h0 - posZ| per magnet
    std::vector<CriticalPoint> points;
    std::vector<Attractor> minima;
};

#endif
