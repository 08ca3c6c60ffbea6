#include "DataMeasurements.h"

#include <QByteArrayList>

#include "BasinEntropy.h"
#include "BasinMeasurements.h"
#include "LabelGrid.h"
#include "MeasurementTables.h"
#include "WadaMerge.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

QString DataMeasurements::metricTable(const QByteArray& rows, int width, int height, int fields,
                                      bool settledColumn, const MeasurementOptions& options,
                                      QString& error)
{
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    std::vector<int> attractor;
    attractor.reserve(pixels);
    std::size_t unsettled = 0;
    int lines = 0;
    for (qsizetype start = 0; start < rows.size();) {
        qsizetype end = rows.indexOf('\n', start);
        if (end < 0)
            end = rows.size();
        const QList<QByteArray> f = rows.mid(start, end - start).split(',');
        bool ok = f.size() == fields;
        const int a = ok ? f[2].toInt(&ok) : 0;
        // A map's attractor is an int16 index, or -1 for undecided.
        // The columns' line comes first: row 0 is line 2.
        if (!ok || a < -1 || a > std::numeric_limits<std::int16_t>::max()) {
            error =
                QStringLiteral("line %1 of the merged data is not a pixel's row").arg(lines + 2);
            return QString();
        }
        attractor.push_back(a);
        unsettled += settledColumn && f.back() != "1";
        ++lines;
        start = end + 1;
    }
    if (attractor.size() != pixels) {
        error = QStringLiteral("the merged data holds %1 pixels, not %2").arg(lines).arg(pixels);
        return QString();
    }
    return labelTable(std::move(attractor), width, height, settledColumn ? &unsettled : nullptr,
                      options);
}

QString DataMeasurements::labelTable(std::vector<int> attractor, int width, int height,
                                     const std::size_t* unsettled,
                                     const MeasurementOptions& options)
{
    // The undecided pixels (-1) take the label after the last attractor.
    const int undecided =
        attractor.empty() ? 0 : *std::max_element(attractor.begin(), attractor.end()) + 1;
    for (int& a : attractor)
        if (a < 0)
            a = undecided;
    const std::size_t pixels = attractor.size();
    const LabelGrid grid(width, height, std::move(attractor));
    QString text = MeasurementTables::metricHeader() +
                   MeasurementTables::gridMetrics(BasinEntropy::measure(grid, options.boxSize),
                                                  WadaMerge::measure(grid, options.wadaRadius));
    if (unsettled && pixels > 0)
        text += MeasurementTables::unsettledMetric(double(*unsettled) / double(pixels));
    return text;
}
