#include "MapDataFile.h"

#include "BandHeader.h"
#include "BasinResult.h"
#include "NpyFormat.h"
#include "SettledMap.h"
#include "ShortestNumber.h"

#include <QFileInfo>

namespace {

QByteArray csvRow(const BasinResult& result, int j, const SettledMap* settled)
{
    QByteArray text;
    const BasinRequest& r = result.request;
    for (int i = 0; i < r.width; ++i) {
        const std::size_t k = result.index(i, j);
        const int a = result.attractor[k];
        appendShortest(text, r.pixelX(i));
        text += ',';
        appendShortest(text, r.pixelY(j));
        text += ',';
        appendShortest(text, a);
        text += ',';
        appendShortest(text, a >= 0 ? result.attractors[std::size_t(a)].magnet : -1);
        text += ',';
        appendShortest(text, result.time[k]);
        text += ',';
        appendShortest(text, result.steps[k]);
        if (settled) {
            text += ',';
            appendShortest(text, int(settled->settled[k]));
        }
        text += '\n';
    }
    return text;
}

QByteArray npyRow(const BasinResult& result, int j, const SettledMap* settled)
{
    QByteArray bytes;
    const BasinRequest& r = result.request;
    const bool withSettled = settled != nullptr;
    bytes.reserve(r.width * NpyFormat::recordSize(withSettled));
    for (int i = 0; i < r.width; ++i) {
        const std::size_t k = result.index(i, j);
        NpyFormat::Record record;
        record.x = r.pixelX(i);
        record.y = r.pixelY(j);
        record.attractor = result.attractor[k];
        record.magnet =
            record.attractor >= 0 ? result.attractors[std::size_t(record.attractor)].magnet : -1;
        record.time = result.time[k];
        record.steps = result.steps[k];
        record.settled = settled ? settled->settled[k] : 0;
        NpyFormat::appendRecord(bytes, record, withSettled);
    }
    return bytes;
}

} // namespace

MapDataFile::Format MapDataFile::formatOf(const QString& name)
{
    return QFileInfo(name).suffix().compare(QLatin1String("npy"), Qt::CaseInsensitive) == 0
               ? Format::Npy
               : Format::Csv;
}

QByteArray MapDataFile::csvColumns(bool settled)
{
    // With --verify: whether the pixel keeps its label at a tenth of the tolerance.
    return settled ? "x,y,attractor,magnet,time,steps,settled\n"
                   : "x,y,attractor,magnet,time,steps\n";
}

QByteArray MapDataFile::head(Format format, const BasinResult& result, bool settled,
                             const BandHeader* band)
{
    if (format == Format::Csv)
        return (band ? band->line() : QByteArray()) + csvColumns(settled);
    return NpyFormat::header(result.rowEnd() - result.rowBegin(), result.width(), settled,
                             band ? band->line().trimmed() : QByteArray());
}

QByteArray MapDataFile::row(Format format, const BasinResult& result, int j,
                            const SettledMap* settled)
{
    return format == Format::Csv ? csvRow(result, j, settled) : npyRow(result, j, settled);
}
