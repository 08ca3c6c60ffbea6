#ifndef ORVALIS_MAPRENDER_H
#define ORVALIS_MAPRENDER_H

#include "BasinEngine.h"
#include "BasinMeasurements.h"

#include <QString>

#include <functional>
#include <optional>

struct CommandLineOptions;

// The files of one map.
struct MapOutputs
{
    QString image;
    QString data;   // empty: none
    QString report; // empty: none
};

// Renders maps into their files as the options ask: the image, the data
// (CSV or NumPy, a band with its header), the measurements and the report.
// One object renders map after map with the same engine, so a sweep's frames
// share its threads. Every file is complete before it takes its name.
class MapRender
{
public:
    // fraction of this map's work, pixels of it computed
    using Progress = std::function<void(double fraction, long long pixels)>;

    explicit MapRender(const CommandLineOptions& options) : o(options) {}

    // Exit status as CommandLine::run; the failure is printed.
    int render(const BasinRequest& request, const MapOutputs& outputs, const Progress& progress);
    const BasinResult& result() const { return engine.result(); }
    // The last map's measurements, with --stats or --report.
    const BasinMeasurements& measurements() const { return measured; }

private:
    const std::optional<SettledMap>& settled() const;

    const CommandLineOptions& o;
    BasinEngine engine;
    BasinMeasurements measured;
    BasinEngine finer; // --verify without measurements
    std::optional<SettledMap> settledOnly;
};

#endif
