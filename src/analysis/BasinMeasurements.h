#ifndef ORVALIS_BASINMEASUREMENTS_H
#define ORVALIS_BASINMEASUREMENTS_H

#include "BasinEngine.h"
#include "BasinEntropy.h"
#include "BasinFraction.h"
#include "PointClassifier.h"
#include "SettledMap.h"
#include "UncertaintyExponent.h"
#include "WadaMerge.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

struct MeasurementOptions
{
    int boxSize = 5;
    int samples = 4096;
    std::uint64_t seed = 1;
    int wadaRadius = 1;
    bool verify = false; // recompute the map at a tenth of its tolerance
};

// Every measurement of one complete map: the grid's basin entropy and Wada
// merging test, the uncertainty exponent and the attractors' fractions from
// release points classified exactly as the map's pixels, and, on request,
// which pixels are settled. MeasurementTables writes them out.
//
// The progress callback runs on the calling thread while the points are
// classified, and on the engine's thread while the map is recomputed.
class BasinMeasurements
{
public:
    using ProgressCallback = std::function<void(double fraction)>;

    BasinMeasurements() = default;
    BasinMeasurements(const BasinMeasurements&) = delete;
    BasinMeasurements& operator=(const BasinMeasurements&) = delete;

    void setProgressCallback(ProgressCallback callback) { onProgress = std::move(callback); }

    // False when cancelled or when the map cannot be measured (error() says
    // why).
    bool measure(const BasinResult& map, const MeasurementOptions& options);
    // May be called from any thread: stops the measure running, or else the
    // next one.
    void cancel();

    QString error() const { return problem; }
    const MeasurementOptions& options() const { return used; }
    const std::vector<Attractor>& attractors() const { return attractorList; }
    const BasinEntropy& entropy() const { return basinEntropy; }
    const WadaMerge& wada() const { return wadaMerge; }
    const UncertaintyExponent& exponent() const { return uncertainty; }
    // One per attractor, then the undecided points.
    const std::vector<BasinFraction>& fractions() const { return sampleFractions; }
    // With options().verify only.
    const std::optional<SettledMap>& settled() const { return settledMap; }

private:
    bool measureAll(const BasinResult& map, const MeasurementOptions& options);
    bool classify(const BasinRequest& request, const std::vector<PlanePoint>& points,
                  std::vector<int>& labels, double weight);
    bool verify(const BasinResult& map, double start);

    MeasurementOptions used;
    std::vector<Attractor> attractorList;
    BasinEntropy basinEntropy;
    WadaMerge wadaMerge;
    UncertaintyExponent uncertainty;
    std::vector<BasinFraction> sampleFractions;
    std::optional<SettledMap> settledMap;
    QString problem;

    PointClassifier classifier;
    BasinEngine engine;
    ProgressCallback onProgress;
    std::atomic<bool> cancelled{false};
};

#endif
