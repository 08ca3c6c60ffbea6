#include "BasinMeasurements.h"

#include "LabelGrid.h"

void BasinMeasurements::cancel()
{
    cancelled = true;
    classifier.cancel();
    engine.cancel();
}

bool BasinMeasurements::measure(const BasinResult& map, const MeasurementOptions& options)
{
    const bool done = !cancelled && measureAll(map, options);
    // A cancel() has stopped this measure; the next one starts afresh.
    cancelled = false;
    classifier.resume();
    return done;
}

bool BasinMeasurements::measureAll(const BasinResult& map, const MeasurementOptions& options)
{
    used = options;
    attractorList = map.attractors;
    settledMap.reset();
    problem.clear();
    const BasinRequest& r = map.request;
    // The exponent samples the whole region: a band alone has no grid of it.
    if (map.rowBegin() != 0 || map.rowEnd() != r.height) {
        problem = QStringLiteral("a band of a map cannot be measured; merge the bands first");
        return false;
    }
    const std::optional<LabelGrid> grid = LabelGrid::fromResult(map);
    if (!grid) {
        problem = QStringLiteral("the map is not complete");
        return false;
    }
    if (options.boxSize < 1 || options.samples < 1 || options.wadaRadius < 0) {
        problem = QStringLiteral("box size and samples must be at least 1, the radius at least 0");
        return false;
    }
    basinEntropy = BasinEntropy::measure(*grid, options.boxSize);
    wadaMerge = WadaMerge::measure(*grid, options.wadaRadius);

    // The points' share of the work; the recomputed map has the rest.
    const double points =
        double(options.samples) *
        (1 + 2 * (UncertaintyExponent::kLastPower - UncertaintyExponent::kFirstPower + 1));
    const double pixels = options.verify ? double(map.attractor.size()) : 0.0;
    const double weight = points / (points + pixels);
    const UncertaintyExponent::Labeller label = [&](const std::vector<PlanePoint>& p,
                                                    std::vector<int>& labels) {
        return classify(r, p, labels, weight);
    };
    const UncertaintyExponent::Region region{r.left, r.bottom, r.right, r.top};
    if (!uncertainty.measure(region, options.samples, options.seed, label))
        return false;
    sampleFractions =
        BasinFraction::measure(uncertainty.sampleLabels, int(attractorList.size()) + 1);
    return !options.verify || verify(map, weight);
}

bool BasinMeasurements::classify(const BasinRequest& request, const std::vector<PlanePoint>& points,
                                 std::vector<int>& labels, double weight)
{
    classifier.setProgressCallback([this, weight](double f) {
        if (onProgress)
            onProgress(weight * f);
    });
    if (!classifier.run(request, points))
        return false;
    const int undecided = int(classifier.attractors().size());
    labels.clear();
    labels.reserve(points.size());
    for (const std::int16_t a : classifier.outcomes())
        labels.push_back(a >= 0 ? int(a) : undecided);
    return true;
}

bool BasinMeasurements::verify(const BasinResult& map, double start)
{
    engine.setProgressCallback([this, start](double f) {
        if (onProgress)
            onProgress(start + (1.0 - start) * f);
    });
    if (cancelled)
        return false;
    engine.start(SettledMap::finerRequest(map.request));
    // A cancel() between the check and start() was undone by start().
    if (cancelled)
        engine.cancel();
    engine.wait();
    if (engine.result().cancelled)
        return false;
    settledMap = SettledMap::compare(map, engine.result());
    return true;
}
