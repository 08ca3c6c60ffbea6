#include "BasinCommand.h"
#include "ModelState.h"

#include "BasinEngine.h"
#include "BasinPainter.h"
#include "CommandLine.h"
#include "SystemData.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cstdio>
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

QString mapDescription(const BasinRequest& r)
{
    const ModelParameters& m = r.model;
    QString text = QStringLiteral("size %1 %2\nregion %3 %4 %5 %6\n")
                       .arg(r.width)
                       .arg(r.height)
                       .arg(number(r.left), number(r.bottom), number(r.right), number(r.top));
    text +=
        QStringLiteral("tolerance %1\nmax-time %2\n").arg(number(r.tolerance), number(r.maxTime));
    text += QStringLiteral("pendulumHeight %1\npendulumLength %2\ngravity %3\n")
                .arg(number(m.pendulumHeight), number(m.pendulumLength), number(m.gravity));
    text += QStringLiteral("kappa %1\nmagFactor %2\ndamping %3\n")
                .arg(number(m.kappa), number(m.magFactor), number(m.damping));
    for (const Magnet& g : m.magnets)
        text += QStringLiteral("magnet %1 %2 %3 %4 %5 %6 %7\n")
                    .arg(number(g.posX), number(g.posY), number(g.posZ), number(g.alpha),
                         number(g.color[0]), number(g.color[1]), number(g.color[2]));
    return text;
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
QByteArray csvRow(const BasinResult& result, int j)
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
        text += '\n';
    }
    return text;
}

// Opens an output before the work, so that an unwritable one stops the run
// at once; nothing appears under the name until commit.
bool openOutput(QSaveFile& file)
{
    if (file.open(QIODevice::WriteOnly))
        return true;
    fail(QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
    return false;
}

bool writeImage(QSaveFile& file, const QImage& image)
{
    QImageWriter writer(&file, "png");
    if (writer.write(image) && file.flush())
        return true;
    fail(QStringLiteral("cannot write %1: %2").arg(file.fileName(), writer.errorString()));
    return false;
}

bool writeBytes(QSaveFile& file, const QByteArray& bytes)
{
    if (file.write(bytes) == bytes.size() && file.flush())
        return true;
    fail(QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
    return false;
}

bool commit(QSaveFile& file)
{
    if (file.commit())
        return true;
    fail(QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
    return false;
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
    std::sort(tiles.begin(), tiles.end(),
              [](const Tile& a, const Tile& b) { return a.begin < b.begin; });
    int next = 0;
    for (const Tile& t : tiles) {
        if (t.begin != next) {
            fail(QStringLiteral("the bands do not cover rows %1 to %2 exactly once")
                     .arg(next)
                     .arg(t.begin - 1));
            return 1;
        }
        next = t.end;
    }
    if (next != height) {
        fail(QStringLiteral("the bands end at row %1 of %2").arg(next).arg(height));
        return 1;
    }

    QImage whole(tiles.front().image.width(), height, QImage::Format_RGB32);
    for (const Tile& t : tiles) {
        const QImage band = t.image.convertToFormat(QImage::Format_RGB32);
        for (int j = 0; j < band.height(); ++j)
            std::copy_n(band.constScanLine(j), band.bytesPerLine(), whole.scanLine(t.begin + j));
    }
    whole.setText(kMapKey, map);
    whole.setText(kRowsKey, QStringLiteral("0 %1 %1").arg(height));
    whole.setText(kAttractorsKey, attractorText(total));
    QSaveFile file(o.output);
    if (!openOutput(file) || !writeImage(file, whole) || !commit(file))
        return 1;
    if (!o.quiet)
        printTable(total);
    return 0;
}

int mergeData(const CommandLineOptions& o)
{
    // Bands of one image, in any order: the first pixel's y (descending
    // from the top) puts them in place.
    std::vector<std::pair<double, QByteArray>> bands;
    for (const QString& name : o.tiles) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            fail(QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
            return 1;
        }
        QByteArray text = file.readAll();
        if (!text.startsWith(kCsvHeader)) {
            fail(QStringLiteral("%1 is not a map data file").arg(name));
            return 1;
        }
        text.remove(0, kCsvHeader.size());
        const QList<QByteArray> first = text.left(text.indexOf('\n')).split(',');
        bands.emplace_back(first.value(1).toDouble(), text);
    }
    std::stable_sort(bands.begin(), bands.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QSaveFile file(o.output);
    if (!openOutput(file) || !writeBytes(file, kCsvHeader))
        return 1;
    for (const auto& band : bands)
        if (!writeBytes(file, band.second))
            return 1;
    return commit(file) ? 0 : 1;
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

    QSaveFile image(o.output);
    QSaveFile csv(o.data);
    if (!openOutput(image) || (!o.data.isEmpty() && !openOutput(csv)))
        return 1;

    BasinEngine engine;
    {
        const ProgressBar bar(!o.quiet);
        engine.setProgressCallback([&bar](double fraction) { bar.show(fraction); });
        engine.run(request);
        bar.show(1.0);
    }
    const BasinResult& result = engine.result();
    QImage picture = BasinPainter(result).paint(result);
    const std::vector<AttractorRow> rows = attractorRows(result);
    picture.setText(kMapKey, mapDescription(result.request));
    picture.setText(
        kRowsKey,
        QStringLiteral("%1 %2 %3").arg(result.rowBegin()).arg(result.rowEnd()).arg(request.height));
    picture.setText(kAttractorsKey, attractorText(rows));
    if (!writeImage(image, picture))
        return 1;
    if (!o.data.isEmpty()) {
        if (!writeBytes(csv, kCsvHeader))
            return 1;
        for (int j = result.rowBegin(); j < result.rowEnd(); ++j)
            if (!writeBytes(csv, csvRow(result, j)))
                return 1;
    }
    // Both files are complete: only now do they take their names.
    if (!commit(image) || (!o.data.isEmpty() && !commit(csv)))
        return 1;
    if (!o.quiet)
        printTable(rows);
    return 0;
}

int BasinCommand::merge(const CommandLineOptions& o)
{
    if (QFileInfo(o.output).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0)
        return mergeData(o);
    return mergeImages(o);
}
