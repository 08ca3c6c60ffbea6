#include "DataMerge.h"

#include "BandCoverage.h"
#include "BandHeader.h"
#include "BasinMeasurements.h"
#include "CommandLine.h"
#include "DataMeasurements.h"
#include "MapDataFile.h"
#include "NpyFormat.h"
#include "OutputFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

using Format = MapDataFile::Format;

struct Band
{
    BandHeader header;
    bool settled = false;
    QByteArray rows; // without the band's header
};

void fail(const QString& message)
{
    std::fprintf(stderr, "orvalis: %s\n", qPrintable(message));
}

// False, with the reason printed, unless `name` is a band of a data file.
bool readBand(Format format, const QString& name, Band& band)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
        return false;
    }
    bool ok = false;
    if (format == Format::Csv) {
        const QByteArray first = file.readLine();
        const QByteArray columns = file.readLine();
        band.settled = columns == MapDataFile::csvColumns(true);
        ok = BandHeader::parse(first, band.header) &&
             (band.settled || columns == MapDataFile::csvColumns(false));
        band.rows = file.readAll();
    } else {
        const QByteArray bytes = file.readAll();
        NpyFormat::Header npy;
        ok = NpyFormat::parse(bytes, npy) && BandHeader::parse(npy.comment, band.header) &&
             npy.width == band.header.width &&
             npy.rows == band.header.rowEnd - band.header.rowBegin;
        band.settled = npy.settled;
        band.rows = bytes.mid(npy.size);
    }
    if (file.error() != QFileDevice::NoError) {
        fail(QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
        return false;
    }
    if (!ok)
        fail(QStringLiteral("%1 is not a band of a map data file (render bands with --tile)")
                 .arg(name));
    return ok;
}

// A band's rows must all be there, each whole: a truncated file would
// otherwise glue its last row to the next band's first.
bool completeRows(Format format, const Band& band)
{
    const BandHeader& h = band.header;
    const qsizetype pixels = qsizetype(h.rowEnd - h.rowBegin) * h.width;
    if (format == Format::Npy)
        return band.rows.size() == pixels * NpyFormat::recordSize(band.settled);
    const qsizetype fields = band.settled ? 7 : 6;
    return band.rows.endsWith('\n') && band.rows.count('\n') == pixels &&
           band.rows.count(',') == pixels * (fields - 1);
}

// The grid's metrics of merged NumPy records.
QString npyMetrics(const QByteArray& records, const BandHeader& h, bool settled,
                   const MeasurementOptions& options, QString& error)
{
    const qsizetype size = NpyFormat::recordSize(settled);
    std::vector<int> attractor;
    attractor.reserve(std::size_t(records.size() / size));
    std::size_t unsettled = 0;
    for (qsizetype at = 0; at + size <= records.size(); at += size) {
        const std::int32_t a =
            qFromLittleEndian<std::int32_t>(records.constData() + at + NpyFormat::kAttractorOffset);
        // A map's attractor is an int16 index, or -1 for undecided.
        if (a < -1 || a > std::numeric_limits<std::int16_t>::max()) {
            error = QStringLiteral("record %1 of the merged data is not a pixel's").arg(at / size);
            return QString();
        }
        attractor.push_back(a);
        unsettled += settled && records[at + NpyFormat::kSettledOffset] != 1;
    }
    return DataMeasurements::labelTable(std::move(attractor), h.width, h.height,
                                        settled ? &unsettled : nullptr, options);
}

} // namespace

int DataMerge::run(const CommandLineOptions& o)
{
    // Standard output has no suffix: the bands say what is merged.
    const Format format =
        MapDataFile::formatOf(OutputFile::isStandardOutput(o.output) ? o.tiles.front() : o.output);
    std::vector<Band> bands;
    for (const QString& name : o.tiles) {
        Band band;
        if (!readBand(format, name, band))
            return 1;
        if (!bands.empty() && band.header.map != bands.front().header.map) {
            fail(QStringLiteral("%1 is not a band of the same map as %2").arg(name, o.tiles[0]));
            return 1;
        }
        if (!bands.empty() && band.settled != bands.front().settled) {
            fail(QStringLiteral("%1 and %2 differ in their columns: render every band with "
                                "--verify or none")
                     .arg(name, o.tiles[0]));
            return 1;
        }
        if (!completeRows(format, band)) {
            fail(QStringLiteral("%1 is truncated: it does not hold rows %2 to %3 whole")
                     .arg(name)
                     .arg(band.header.rowBegin)
                     .arg(band.header.rowEnd - 1));
            return 1;
        }
        bands.push_back(std::move(band));
    }
    const BandHeader& h = bands.front().header;
    const bool settled = bands.front().settled;
    BandCoverage coverage(h.height);
    for (const Band& band : bands)
        coverage.add(band.header.rowBegin, band.header.rowEnd);
    if (const QString fault = coverage.fault(); !fault.isEmpty()) {
        fail(QStringLiteral("cannot merge: %1").arg(fault));
        return 1;
    }
    std::sort(bands.begin(), bands.end(),
              [](const Band& a, const Band& b) { return a.header.rowBegin < b.header.rowBegin; });
    // Without the band headers: the same bytes as a render in one piece.
    OutputFile file(o.output);
    const QByteArray head = format == Format::Csv ? MapDataFile::csvColumns(settled)
                                                  : NpyFormat::header(h.height, h.width, settled);
    if (!file.open() || !file.write(head))
        return 1;
    QByteArray whole;
    for (const Band& band : bands) {
        if (!file.write(band.rows))
            return 1;
        if (o.stats)
            whole += band.rows;
    }
    if (!file.commit())
        return 1;
    if (o.stats) {
        QString error;
        const QString table =
            format == Format::Csv
                ? DataMeasurements::metricTable(whole, h.width, h.height, settled ? 7 : 6, settled,
                                                o.measurement, error)
                : npyMetrics(whole, h, settled, o.measurement, error);
        if (table.isEmpty()) {
            fail(error);
            return 1;
        }
        std::fputs(qPrintable(table), stdout);
        fail(QStringLiteral("the uncertainty exponent and the samples' fractions need the "
                            "model's parameters, which data bands keep only as a digest: "
                            "measure the whole map with --basin --stats for them"));
    }
    return 0;
}
