#include "BasinCommand.h"

#include "BandCoverage.h"
#include "BasinPainter.h"
#include "CommandLine.h"
#include "DataMerge.h"
#include "MapDescription.h"
#include "MapRender.h"
#include "MapSetup.h"
#include "MeasurementTables.h"
#include "OutputFile.h"
#include "ProgressBar.h"
#include "ShortestNumber.h"
#include "SweepCommand.h"

#include <QFileInfo>
#include <QImageReader>

#include <cstdio>
#include <vector>

namespace {

// PNG text chunks: what the map is of, which rows a file holds, and the
// attractors with their pixel counts. The first must match for bands to be
// merged; the merge adds the counts up.
const QString kMapKey = QStringLiteral("Orvalis-Map");
const QString kRowsKey = QStringLiteral("Orvalis-Rows");
const QString kAttractorsKey = QStringLiteral("Orvalis-Attractors");

void fail(const QString& message)
{
    std::fprintf(stderr, "orvalis: %s\n", qPrintable(message));
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
        rows.push_back({QStringLiteral("%1 %2 %3 %4")
                            .arg(k)
                            .arg(shortestText(a.x), shortestText(a.y))
                            .arg(a.magnet),
                        0});
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

} // namespace

int BasinCommand::render(const CommandLineOptions& o)
{
    ModelState state;
    if (const int status = MapSetup::load(o, state); status != 0)
        return status;
    const BasinRequest request = MapSetup::request(o, state);
    if (!o.sweep.isEmpty())
        return SweepCommand::run(o, request, state.maxTheta);

    MapRender map(o);
    {
        ProgressBar bar(!o.quiet);
        const QString total =
            QString::number((long long)request.width * (request.lastRow() - request.rowBegin));
        const int status =
            map.render(request, {o.output, o.data, o.report}, [&](double f, long long pixels) {
                bar.show(f, QStringLiteral("%1/%2 pixels").arg(pixels).arg(total));
            });
        if (status != 0)
            return status;
    }
    // Standard output may carry a file instead of the table.
    if (!o.quiet && !OutputFile::isStandardOutput(o.output) &&
        !OutputFile::isStandardOutput(o.data) && !OutputFile::isStandardOutput(o.report))
        printTable(attractorRows(map.result()));
    if (o.stats) {
        // Without the attractor table, no blank line to part them from it.
        const QString tables = MeasurementTables::all(map.measurements());
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
    picture.setText(kMapKey, MapDescription::text(result.request));
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
    const QString suffix = QFileInfo(named).suffix().toLower();
    if (suffix == QLatin1String("csv") || suffix == QLatin1String("npy"))
        return DataMerge::run(o);
    if (o.stats) {
        fail(QStringLiteral("--stats measures merged data bands (--merge OUT.csv BAND.csv...): "
                            "an image holds colours, not the pixels' attractors"));
        return 2;
    }
    return mergeImages(o);
}
