#ifndef ORVALIS_UNCERTAINTYEXPONENT_H
#define ORVALIS_UNCERTAINTYEXPONENT_H

#include "PointClassifier.h"

#include <cstdint>
#include <functional>
#include <vector>

// The uncertainty exponent (Grebogi et al. 1983) from exact perturbations.
// N release points x are drawn uniformly in the region, each with a random
// unit direction e. For eps_k = w 2^-k, k = 3 ... 16, w the region's width,
// a point is eps-uncertain when the labels at x, x + eps e and x - eps e are
// not all the same; f(eps) is the share of uncertain points. A least-squares
// fit of ln f = alpha ln eps + c over the eps with at least 30 uncertain
// points gives alpha with its standard error, and the boundary dimension
// d = 2 - alpha with the same error.
//
// The labels come from a labeller, so that the exponent of any partition of
// the plane can be measured; for the pendulum it is the map's classifier.
struct UncertaintyExponent
{
    // Labels `points` (any integers, one per point); false when cancelled.
    using Labeller =
        std::function<bool(const std::vector<PlanePoint>& points, std::vector<int>& labels)>;

    struct Region
    {
        double left = 0.0;
        double bottom = 0.0;
        double right = 1.0;
        double top = 1.0;
    };

    struct Scale
    {
        double epsilon = 0.0;
        int uncertain = 0;
        int samples = 0;
        double fraction = 0.0;
    };

    static constexpr int kFirstPower = 3;
    static constexpr int kLastPower = 16;
    static constexpr int kFitMinimum = 30; // uncertain points for an eps to enter the fit

    std::vector<Scale> scales;     // one per eps_k, k ascending (eps descending)
    std::vector<int> sampleLabels; // the labels of the N points x themselves
    int fitted = 0;                // scales in the fit
    bool defined = false;          // at least two scales fitted
    double alpha = 0.0;
    double alphaError = 0.0; // NaN with only two scales fitted
    double intercept = 0.0;  // c of the fitted line
    double dimension() const { return 2.0 - alpha; }

    // False when the labeller was cancelled.
    bool measure(const Region& region, int samples, std::uint64_t seed, const Labeller& label);

    // The points to label: the N points x first, then for every k the
    // points x + eps_k e and x - eps_k e, alternating, sample after sample.
    static std::vector<PlanePoint> releasePoints(const Region& region, int samples,
                                                 std::uint64_t seed);

private:
    void fit();
};

#endif
