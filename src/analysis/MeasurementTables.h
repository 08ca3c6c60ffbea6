#ifndef ORVALIS_MEASUREMENTTABLES_H
#define ORVALIS_MEASUREMENTTABLES_H

#include <QString>

class BasinMeasurements;
struct BasinEntropy;
struct WadaMerge;

// The measurements as tab-separated tables for standard output, each with a
// header line; an error or value that does not exist is left empty.
//   metric  value  error: basin_entropy, boundary_basin_entropy,
//       boundary_fraction, wada_merge, uncertainty_exponent,
//       boundary_dimension, and unsettled_fraction when verified;
//   epsilon  uncertain  samples  fraction: one row per eps;
//   fraction  attractor  magnet  share  low  high: one row per attractor and
//       one for the undecided points, each row tagged "fraction".
class MeasurementTables
{
public:
    static QString metrics(const BasinMeasurements& m);
    // Pieces of the metric table, for maps known by their labels alone.
    static QString metricHeader();
    static QString gridMetrics(const BasinEntropy& e, const WadaMerge& w);
    static QString unsettledMetric(double fraction);
    static QString scales(const BasinMeasurements& m);
    static QString fractions(const BasinMeasurements& m);
    // The three, each after a blank line: what follows the attractor table.
    static QString all(const BasinMeasurements& m);
};

#endif
