#ifndef ORVALIS_DATAMEASUREMENTS_H
#define ORVALIS_DATAMEASUREMENTS_H

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <vector>

struct MeasurementOptions;

// What merged data bands can be measured by: their labels give the basin
// entropy and the Wada merging test, and a settled column the unsettled
// share. The uncertainty exponent and the samples' fractions need release
// points of their own, hence the model, of which a band keeps only a
// digest: they are not computed here.
class DataMeasurements
{
public:
    // `rows`: the data lines of the whole map, row after row, with
    // `fields` fields each; the attractor is the third, and with
    // `settledColumn` the last field says whether the pixel is settled.
    // Returns the metric table, or an empty string with `error` set.
    static QString metricTable(const QByteArray& rows, int width, int height, int fields,
                               bool settledColumn, const MeasurementOptions& options,
                               QString& error);
    // The same of the pixels' attractors, row after row (-1 undecided), and
    // with `unsettled` (when given) the number of unsettled pixels.
    static QString labelTable(std::vector<int> attractor, int width, int height,
                              const std::size_t* unsettled, const MeasurementOptions& options);
};

#endif
