#include "MapRender.h"

#include "BasinCommand.h"
#include "CommandLine.h"
#include "MapDataFile.h"
#include "MapDescription.h"
#include "MapReport.h"
#include "OutputFile.h"
#include "RenderMemory.h"
#include "UnsettledShading.h"

#include <QCoreApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <new>

namespace {

void failMemory(const BasinRequest& r, std::uint64_t needed)
{
    std::fprintf(stderr,
                 "orvalis: not enough memory for %d rows of %d pixels (about %llu MiB): render the "
                 "map in bands with --tile I/N and join them with --merge\n",
                 r.lastRow() - r.rowBegin, r.width, (unsigned long long)(needed >> 20) + 1);
}

} // namespace

int MapRender::render(const BasinRequest& request, const MapOutputs& outputs,
                      const Progress& progress)
{
    const bool verify = o.measurement.verify;
    const int rows = request.lastRow() - request.rowBegin;
    // A verified map is computed twice, and both are held at once.
    const std::uint64_t needed = RenderMemory::needed(request.width, rows) * (verify ? 2 : 1);
    if (needed > RenderMemory::available()) {
        failMemory(request, needed);
        return 1;
    }
    // Opened before the work, so that an unwritable output stops it at once.
    OutputFile image(outputs.image);
    OutputFile data(outputs.data);
    OutputFile report(outputs.report);
    if (!image.open() || (!outputs.data.isEmpty() && !data.open()) ||
        (!outputs.report.isEmpty() && !report.open()))
        return 1;

    const long long pixels = (long long)request.width * rows;
    const auto advance = [&progress](double fraction, long long done) {
        if (progress)
            progress(fraction, done);
    };
    settledOnly.reset();
    QImage picture;
    // The estimate leaves room, but the memory may still be gone by the time
    // it is asked for.
    try {
        // The map, then its measurements or its recomputation, half the work each.
        const double part = o.measures() || verify ? 0.5 : 1.0;
        engine.setProgressCallback([&advance, part, pixels](double f) {
            advance(part * f, std::llround(f * double(pixels)));
        });
        engine.run(request);
        const auto second = [&advance, part, pixels](double f) {
            advance(part + part * f, pixels);
        };
        if (o.measures()) {
            measured.setProgressCallback(second);
            if (!measured.measure(engine.result(), o.measurement)) {
                std::fprintf(stderr, "orvalis: cannot measure the map: %s\n",
                             qPrintable(measured.error()));
                return 1;
            }
        } else if (verify) {
            finer.setProgressCallback(second);
            finer.run(SettledMap::finerRequest(request));
            settledOnly = SettledMap::compare(engine.result(), finer.result());
        }
        advance(1.0, pixels);
        picture = BasinCommand::picture(engine.result());
        if (settled() && !picture.isNull())
            UnsettledShading::apply(picture, settled()->settled, engine.result().rowBegin());
    } catch (const std::bad_alloc&) {
        picture = QImage();
    }
    if (picture.isNull()) {
        failMemory(request, needed);
        return 1;
    }
    const BasinResult& result = engine.result();
    const SettledMap* settledPixels = settled() ? &*settled() : nullptr;
    if (!image.writeImage(picture))
        return 1;
    if (!outputs.data.isEmpty()) {
        const MapDataFile::Format format = MapDataFile::formatOf(outputs.data);
        const BandHeader band = MapDescription::bandHeader(result, o.tileIndex, o.tileCount);
        if (!data.write(MapDataFile::head(format, result, settledPixels != nullptr,
                                          o.hasTile ? &band : nullptr)))
            return 1;
        for (int j = result.rowBegin(); j < result.rowEnd(); ++j)
            if (!data.write(MapDataFile::row(format, result, j, settledPixels)))
                return 1;
    }
    if (!outputs.report.isEmpty() &&
        !report.write(MapReport::json(result, measured, QCoreApplication::arguments())))
        return 1;
    // Every file is complete: only now do they take their names.
    return image.commit() && (outputs.data.isEmpty() || data.commit()) &&
                   (outputs.report.isEmpty() || report.commit())
               ? 0
               : 1;
}

const std::optional<SettledMap>& MapRender::settled() const
{
    return o.measures() ? measured.settled() : settledOnly;
}
