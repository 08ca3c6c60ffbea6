#include "BasinCommand.h"

#include "BandCoverage.h"
#include "BandHeader.h"
#include "BasinEngine.h"
#include "BasinPainter.h"
#include "CommandLine.h"
#include "DataMeasurements.h"
#include "MapReport.h"
#include "MeasurementTables.h"
#include "ModelState.h"
#include "OutputFile.h"
#include "RenderMemory.h"
#include "SystemData.h"
#include "UnsettledShading.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <new>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

// PNG text chunks: what the map is of, which rows a file holds, and the
// attractors with their pixel counts. The first must match for bands to be
// merged; the merge adds the counts up.
const QString kMapKey = QStringLiteral("Orvalis-Map");
const QString kRowsKey = QStringLiteral("Orvalis-Rows");
const QString kAttractorsKey = QStringLiteral("Orvalis-Attractors");
const QByteArray kCsvHeader = "x,y,attractor,magnet,time,steps\n";
// With --verify: whether the pixel keeps its label at a tenth of the tolerance.
const QByteArray kCsvSettledHeader = "x,y,attractor,magnet,time,steps,settled\n";

void fail(const QString& message)
{
    std::fprintf(stderr, "orvalis: %s\n", qPrintable(message));
}

// Shortest text that reads back to the same number.
template <class T> void appendNumber(QByteArray& text, T value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, int(result.ptr - buffer));
}

QString number(double value)
{
    QByteArray text;
    appendNumber(text, value);
    return QString::fromLatin1(text);
}

// What a map is of besides its parameters, one "key values" item each.
QStringList mapGeometry(const BasinRequest& r)
{
    return {QStringLiteral("size %1 %2").arg(r.width).arg(r.height),
            QStringLiteral("region %1 %2 %3 %4")
                .arg(number(r.left), number(r.bottom), number(r.right), number(r.top)),
            QStringLiteral("tolerance %1").arg(number(r.tolerance)),
            QStringLiteral("max-time %1").arg(number(r.maxTime))};
}

QString mapParameters(const ModelParameters& m)
{
    QString text = QStringLiteral("pendulumHeight %1\npendulumLength %2\ngravity %3\n")
                       .arg(number(m.pendulumHeight), number(m.pendulumLength), number(m.gravity));
    text += QStringLiteral("kappa %1\nmagFactor %2\ndamping %3\n")
                .arg(number(m.kappa), number(m.magFactor), number(m.damping));
    for (const Magnet& g : m.magnets)
        text += QStringLiteral("magnet %1 %2 %3 %4 %5 %6 %7\n")
                    .arg(number(g.posX), number(g.posY), number(g.posZ), number(g.alpha),
                         number(g.color[0]), number(g.color[1]), number(g.color[2]));
    return text;
}

// The PNG text that says what a map is of.
QString mapDescription(const BasinRequest& r)
{
    return mapGeometry(r).join(QLatin1Char('\n')) + QLatin1Char('\n') + mapParameters(r.model);
}

// The data file's band header: the parameters go in as a digest.
BandHeader bandHeader(const BasinResult& result, const CommandLineOptions& o)
{
    const BasinRequest& r = result.request;
    const QByteArray digest =
        QCryptographicHash::hash(mapParameters(r.model).toUtf8(), QCryptographicHash::Sha256);
    BandHeader header;
    header.map = (mapGeometry(r) << QStringLiteral("parameters sha256:") +
                                        QString::fromLatin1(digest.toHex()))
                     .join(QStringLiteral("; "));
    header.index = o.tileIndex;
    header.count = o.tileCount;
    header.rowBegin = result.rowBegin();
    header.rowEnd = result.rowEnd();
    header.width = r.width;
    header.height = r.height;
    return header;
}

// One attractor of a file: its line without the count, and the count.
struct AttractorRow
{
    QString key; // "index x y magnet", or "undecided"
    long long pixels = 0;
};

std::vector<AttractorRow> attractorRows(const BasinResult& result)
{
    std::vector<AttractorRow> rows;
    for (std::size_t k = 0; k < result.attractors.size(); ++k) {
        const Attractor& a = result.attractors[k];
        rows.push_back(
            {QStringLiteral("%1 %2 %3 %4").arg(k).arg(number(a.x), number(a.y)).arg(a.magnet), 0});
    }
    rows.push_back({QStringLiteral("undecided"), 0});
    for (const std::int16_t a : result.attractor)
        ++rows[a >= 0 ? std::size_t(a) : rows.size() - 1].pixels;
    return rows;
}

QString attractorText(const std::vector<AttractorRow>& rows)
{
    QString text;
    for (const AttractorRow& row : rows)
        text += QStringLiteral("%1 %2\n").arg(row.key).arg(row.pixels);
    return text;
}

bool parseAttractorText(const QString& text, std::vector<AttractorRow>& rows)
{
    rows.clear();
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int space = line.lastIndexOf(QLatin1Char(' '));
        bool ok = false;
        const long long pixels = space > 0 ? line.mid(space + 1).toLongLong(&ok) : 0;
        if (!ok)
            return false;
        rows.push_back({line.left(space), pixels});
    }
    return !rows.empty() && rows.back().key == QLatin1String("undecided");
}

// The table on standard output: one row per attractor and one for the
// undecided pixels, with their shares of the image.
void printTable(const std::vector<AttractorRow>& rows)
{
    long long total = 0;
    for (const AttractorRow& row : rows)
        total += row.pixels;
    std::printf("attractor\tx\ty\tmagnet\tshare\n");
    for (const AttractorRow& row : rows) {
        const double share = total > 0 ? double(row.pixels) / double(total) : 0.0;
        if (row.key == QLatin1String("undecided")) {
            std::printf("undecided\t\t\t\t%.6f\n", share);
            continue;
        }
        const QStringList f = row.key.split(QLatin1Char(' '));
        std::printf("%s\t%.6g\t%.6g\t%s\t%.6f\n", qPrintable(f.value(0)), f.value(1).toDouble(),
                    f.value(2).toDouble(), qPrintable(f.value(3)), share);
    }
    std::fflush(stdout);
}

// One image row of the CSV file.
QByteArray csvRow(const BasinResult& result, int j, const SettledMap* settled)
{
    QByteArray text;
    const BasinRequest& r = result.request;
    for (int i = 0; i < r.width; ++i) {
        const std::size_t k = result.index(i, j);
        const int a = result.attractor[k];
        appendNumber(text, r.pixelX(i));
        text += ',';
        appendNumber(text, r.pixelY(j));
        text += ',';
        appendNumber(text, a);
        text += ',';
        appendNumber(text, a >= 0 ? result.attractors[std::size_t(a)].magnet : -1);
        text += ',';
        appendNumber(text, result.time[k]);
        text += ',';
        appendNumber(text, result.steps[k]);
        if (settled) {
            text += ',';
            appendNumber(text, int(settled->settled[k]));
        }
        text += '\n';
    }
    return text;
}

void failMemory(const BasinRequest& r, std::uint64_t needed)
{
    fail(QStringLiteral("not enough memory for %1 rows of %2 pixels (about %3 MiB): render the "
                        "map in bands with --tile I/N and join them with --merge")
             .arg(r.rowEnd - r.rowBegin)
             .arg(r.width)
             .arg((needed >> 20) + 1));
}

// A bar on standard error, only when it is a terminal.
class ProgressBar
{
public:
    explicit ProgressBar(bool wanted) : shown(wanted && isatty(STDERR_FILENO)) {}
    ~ProgressBar()
    {
        if (shown)
            std::fputs("\n", stderr);
    }

    void show(double fraction) const
    {
        if (!shown)
            return;
        constexpr int width = 40;
        const int filled = std::clamp(int(fraction * width), 0, width);
        std::fprintf(stderr, "\r[%s%s] %3d%%", QByteArray(filled, '#').constData(),
                     QByteArray(width - filled, '.').constData(), int(fraction * 100.0));
        std::fflush(stderr);
    }

private:
    bool shown;
};

int mergeImages(const CommandLineOptions& o)
{
    struct Tile
    {
        QImage image;
        int begin, end;
    };
    std::vector<Tile> tiles;
    QString map;
    std::vector<AttractorRow> total;
    int height = 0;
    for (const QString& name : o.tiles) {
        QImageReader reader(name, "png");
        QImage image = reader.read();
        if (image.isNull()) {
            fail(QStringLiteral("cannot read %1: %2").arg(name, reader.errorString()));
            return 1;
        }
        const QStringList rows = image.text(kRowsKey).split(QLatin1Char(' '));
        std::vector<AttractorRow> attractors;
        bool ok = rows.size() == 3 && parseAttractorText(image.text(kAttractorsKey), attractors);
        Tile tile{image, rows.value(0).toInt(), rows.value(1).toInt()};
        ok = ok && tile.end - tile.begin == image.height();
        if (map.isNull()) {
            map = image.text(kMapKey);
            total = attractors;
            height = rows.value(2).toInt();
            for (AttractorRow& row : total)
                row.pixels = 0;
        }
        ok = ok && image.text(kMapKey) == map && rows.value(2).toInt() == height &&
             attractors.size() == total.size() &&
             (tiles.empty() || image.width() == tiles.front().image.width());
        for (std::size_t k = 0; ok && k < total.size(); ++k) {
            ok = attractors[k].key == total[k].key;
            total[k].pixels += attractors[k].pixels;
        }
        if (!ok) {
            fail(QStringLiteral("%1 is not a band of the same map as %2").arg(name, o.tiles[0]));
            return 1;
        }
        tiles.push_back(tile);
    }
    BandCoverage coverage(height);
    for (const Tile& t : tiles)
        coverage.add(t.begin, t.end);
    if (const QString fault = coverage.fault(); !fault.isEmpty()) {
        fail(QStringLiteral("cannot merge: %1").arg(fault));
        return 1;
    }

    QImage whole(tiles.front().image.width(), height, QImage::Format_RGB32);
    if (whole.isNull()) {
        fail(QStringLiteral("not enough memory for an image of %1 x %2 pixels")
                 .arg(whole.width())
                 .arg(height));
        return 1;
    }
    for (const Tile& t : tiles) {
        const QImage band = t.image.convertToFormat(QImage::Format_RGB32);
        for (int j = 0; j < band.height(); ++j)
            std::copy_n(band.constScanLine(j), band.bytesPerLine(), whole.scanLine(t.begin + j));
    }
    whole.setText(kMapKey, map);
    whole.setText(kRowsKey, QStringLiteral("0 %1 %1").arg(height));
    whole.setText(kAttractorsKey, attractorText(total));
    OutputFile file(o.output);
    if (!file.open() || !file.writeImage(whole) || !file.commit())
        return 1;
    if (!o.quiet && !OutputFile::isStandardOutput(o.output))
        printTable(total);
    return 0;
}

// A band's rows must all be there, each whole: a truncated file would
// otherwise glue its last row to the next band's first.
bool completeRows(const QByteArray& rows, const BandHeader& header, qsizetype fields)
{
    const qsizetype lines = qsizetype(header.rowEnd - header.rowBegin) * header.width;
    return rows.endsWith('\n') && rows.count('\n') == lines &&
           rows.count(',') == lines * (fields - 1);
}

int mergeData(const CommandLineOptions& o)
{
    struct Band
    {
        BandHeader header;
        QByteArray columns;
        QByteArray rows;
    };
    std::vector<Band> bands;
    for (const QString& name : o.tiles) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            fail(QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
            return 1;
        }
        Band band;
        const QByteArray first = file.readLine();
        band.columns = file.readLine();
        if (!BandHeader::parse(first, band.header) ||
            (band.columns != kCsvHeader && band.columns != kCsvSettledHeader)) {
            fail(QStringLiteral("%1 is not a band of a map data file (render bands with --tile)")
                     .arg(name));
            return 1;
        }
        band.rows = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            fail(QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
            return 1;
        }
        if (!bands.empty() && (band.header.map != bands.front().header.map)) {
            fail(QStringLiteral("%1 is not a band of the same map as %2").arg(name, o.tiles[0]));
            return 1;
        }
        if (!bands.empty() && band.columns != bands.front().columns) {
            fail(QStringLiteral("%1 and %2 differ in their columns: render every band with "
                                "--verify or none")
                     .arg(name, o.tiles[0]));
            return 1;
        }
        if (!completeRows(band.rows, band.header, band.columns.count(',') + 1)) {
            fail(QStringLiteral("%1 is truncated: it does not hold rows %2 to %3 whole")
                     .arg(name)
                     .arg(band.header.rowBegin)
                     .arg(band.header.rowEnd - 1));
            return 1;
        }
        bands.push_back(std::move(band));
    }
    BandCoverage coverage(bands.front().header.height);
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
    if (!file.open() || !file.write(bands.front().columns))
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
        const BandHeader& h = bands.front().header;
        const bool settled = bands.front().columns == kCsvSettledHeader;
        QString error;
        const QString table = DataMeasurements::metricTable(
            whole, h.width, h.height, int(bands.front().columns.count(',')) + 1, settled,
            o.measurement, error);
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

} // namespace

int BasinCommand::render(const CommandLineOptions& o)
{
    SystemData data;
    if (!o.params.isEmpty()) {
        const ParamFileReport report = data.readParams(o.params);
        if (!report.ok) {
            fail(QStringLiteral("%1: %2").arg(o.params, report.error));
            return 1;
        }
        // The reader has already listed the lines it skipped on standard error.
    }
    BasinRequest request = ModelState::of(data).basinRequest();
    if (o.hasDamping)
        request.model.damping = o.damping;
    if (o.hasRegion) {
        request.left = o.region[0];
        request.bottom = o.region[1];
        request.right = o.region[2];
        request.top = o.region[3];
    }
    request.width = o.width;
    request.height = o.height;
    request.rowBegin = int((long long)(o.tileIndex - 1) * o.height / o.tileCount);
    request.rowEnd = int((long long)o.tileIndex * o.height / o.tileCount);
    request.threads = o.threads;
    request.tolerance = o.tolerance;
    request.maxTime = o.maxTime;

    // A verified map is computed twice, and both are held at once.
    const std::uint64_t needed =
        RenderMemory::needed(request.width, request.rowEnd - request.rowBegin) *
        (o.measurement.verify ? 2 : 1);
    if (needed > RenderMemory::available()) {
        failMemory(request, needed);
        return 1;
    }

    OutputFile image(o.output);
    OutputFile csv(o.data);
    OutputFile report(o.report);
    if (!image.open() || (!o.data.isEmpty() && !csv.open()) ||
        (!o.report.isEmpty() && !report.open()))
        return 1;

    // The estimate leaves room, but the memory may still be gone by the time
    // it is asked for.
    BasinEngine engine;
    BasinMeasurements measurements;
    BasinEngine finer; // --verify without measurements
    std::optional<SettledMap> settledOnly;
    QImage picture;
    try {
        const ProgressBar bar(!o.quiet);
        // The map, then its measurements or its recomputation, half the bar each.
        const double part = o.measures() || o.measurement.verify ? 0.5 : 1.0;
        engine.setProgressCallback([&bar, part](double f) { bar.show(part * f); });
        engine.run(request);
        const auto second = [&bar, part](double f) { bar.show(part + part * f); };
        if (o.measures()) {
            measurements.setProgressCallback(second);
            if (!measurements.measure(engine.result(), o.measurement)) {
                fail(QStringLiteral("cannot measure the map: %1").arg(measurements.error()));
                return 1;
            }
        } else if (o.measurement.verify) {
            finer.setProgressCallback(second);
            finer.run(SettledMap::finerRequest(request));
            settledOnly = SettledMap::compare(engine.result(), finer.result());
        }
        bar.show(1.0);
        picture = BasinCommand::picture(engine.result());
        const std::optional<SettledMap>& settled =
            o.measures() ? measurements.settled() : settledOnly;
        if (settled && !picture.isNull())
            UnsettledShading::apply(picture, settled->settled, engine.result().rowBegin());
    } catch (const std::bad_alloc&) {
        picture = QImage();
    }
    if (picture.isNull()) {
        failMemory(request, needed);
        return 1;
    }
    const BasinResult& result = engine.result();
    const std::optional<SettledMap>& settled = o.measures() ? measurements.settled() : settledOnly;
    const SettledMap* settledPixels = settled ? &*settled : nullptr;
    const std::vector<AttractorRow> rows = attractorRows(result);
    if (!image.writeImage(picture))
        return 1;
    if (!o.data.isEmpty()) {
        if ((o.hasTile && !csv.write(bandHeader(result, o).line())) ||
            !csv.write(settledPixels ? kCsvSettledHeader : kCsvHeader))
            return 1;
        for (int j = result.rowBegin(); j < result.rowEnd(); ++j)
            if (!csv.write(csvRow(result, j, settledPixels)))
                return 1;
    }
    if (!o.report.isEmpty() &&
        !report.write(MapReport::json(result, measurements, QCoreApplication::arguments())))
        return 1;
    // Every file is complete: only now do they take their names.
    if (!image.commit() || (!o.data.isEmpty() && !csv.commit()) ||
        (!o.report.isEmpty() && !report.commit()))
        return 1;
    // Standard output may carry a file instead of the table.
    if (!o.quiet && !OutputFile::isStandardOutput(o.output) &&
        !OutputFile::isStandardOutput(o.data) && !OutputFile::isStandardOutput(o.report))
        printTable(rows);
    if (o.stats) {
        // Without the attractor table, no blank line to part them from it.
        const QString tables = MeasurementTables::all(measurements);
        std::fputs(qPrintable(o.quiet ? tables.mid(1) : tables), stdout);
    }
    return 0;
}

QImage BasinCommand::picture(const BasinResult& result)
{
    QImage picture = BasinPainter(result).paint(result);
    if (picture.isNull())
        return picture;
    // A new image takes the resolution of the process's screen: 100 dots per
    // inch, as without one, so that a map's file does not depend on where it
    // was made.
    constexpr int kDotsPerMeter = 3937;
    picture.setDotsPerMeterX(kDotsPerMeter);
    picture.setDotsPerMeterY(kDotsPerMeter);
    picture.setText(kMapKey, mapDescription(result.request));
    picture.setText(kRowsKey, QStringLiteral("%1 %2 %3")
                                  .arg(result.rowBegin())
                                  .arg(result.rowEnd())
                                  .arg(result.request.height));
    picture.setText(kAttractorsKey, attractorText(attractorRows(result)));
    return picture;
}

int BasinCommand::merge(const CommandLineOptions& o)
{
    // Standard output has no suffix: the bands say what is merged.
    const QString& named = OutputFile::isStandardOutput(o.output) ? o.tiles.front() : o.output;
    if (QFileInfo(named).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0)
        return mergeData(o);
    if (o.stats) {
        fail(QStringLiteral("--stats measures merged data bands (--merge OUT.csv BAND.csv...): "
                            "an image holds colours, not the pixels' attractors"));
        return 2;
    }
    return mergeImages(o);
}
