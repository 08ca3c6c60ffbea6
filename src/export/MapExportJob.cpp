#include "MapExportJob.h"

#include "BasinCommand.h"
#include "ExportReport.h"
#include "ModelState.h"
#include "SystemData.h"
#include "ThreadPriority.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QTimer>

#include <new>

namespace {

QString saveError(const QString& name, const QString& reason)
{
    return MapExportJob::tr("Cannot write %1: %2").arg(name, reason);
}

QString memoryError(const BasinRequest& r)
{
    return MapExportJob::tr("Not enough memory for an image of %1 x %2 pixels")
        .arg(r.width)
        .arg(r.height);
}

} // namespace

MapExportJob::Files MapExportJob::Files::beside(const QString& image)
{
    const QFileInfo info(image);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName();
    return {image, stem + QStringLiteral(".par"), stem + QStringLiteral(".json")};
}

bool MapExportJob::writeParams(const SystemData& data, const QString& name, ModelParameters& model,
                               QString& error)
{
    SystemData written;
    ParamFileReport report = data.writeParams(name);
    if (report.ok)
        report = written.readParams(name);
    error = report.error;
    if (report.ok)
        model = ModelState::of(written).physics;
    return report.ok;
}

MapExportJob::MapExportJob(QObject* parent) : QObject(parent), timer(new QTimer(this))
{
    // The render's thread only sets atomics; the GUI thread looks at them.
    timer->setInterval(50);
    connect(timer, &QTimer::timeout, this, &MapExportJob::poll);
    engine.setProgressCallback([this](double fraction) { progress = fraction; });
}

MapExportJob::~MapExportJob()
{
    if (isRunning()) {
        cancel();
        thread.join();
    }
}

void MapExportJob::start(const BasinRequest& request, std::shared_ptr<const BasinResult> from,
                         const Files& exportFiles)
{
    if (isRunning())
        return;
    files = exportFiles;
    progress = 0.0;
    done = false;
    written = false;
    error.clear();
    stopRequested = false;
    QElapsedTimer clock;
    clock.start();
    thread = std::thread(
        [this, request, from = std::move(from), clock] { finish(request, from, clock); });
    timer->start();
}

void MapExportJob::cancel()
{
    const std::lock_guard<std::mutex> lock(mutex);
    stopRequested = true;
    engine.cancel();
}

void MapExportJob::finish(const BasinRequest& request, std::shared_ptr<const BasinResult> from,
                          QElapsedTimer clock)
{
    lowerThreadPriority();
    {
        // A cancel that comes before the map starts would be lost in the
        // engine's start.
        const std::lock_guard<std::mutex> lock(mutex);
        if (stopRequested) {
            done = true;
            return;
        }
        engine.start(request, std::move(from));
    }
    engine.wait();
    const BasinResult& result = engine.result();
    if (!result.cancelled) {
        try {
            written = write(result, double(clock.elapsed()) / 1000.0);
        } catch (const std::bad_alloc&) {
            error = memoryError(result.request);
        }
    }
    done = true;
}

bool MapExportJob::write(const BasinResult& result, double seconds)
{
    const QImage picture = BasinCommand::picture(result);
    if (picture.isNull()) {
        error = memoryError(result.request);
        return false;
    }
    QSaveFile image(files.image);
    QImageWriter writer(&image, "png");
    if (!image.open(QIODevice::WriteOnly) || !writer.write(picture)) {
        error =
            saveError(files.image, image.error() != QFileDevice::NoError ? image.errorString()
                                                                         : writer.errorString());
        return false;
    }
    const QString command = ExportReport::commandLine(
        ExportReport::arguments(result.request, files.image, files.params));
    QSaveFile report(files.report);
    if (!report.open(QIODevice::WriteOnly) ||
        report.write(ExportReport::json(result, command, seconds)) < 0 || !report.commit()) {
        error = saveError(files.report, report.errorString());
        return false;
    }
    // The image last: an image under its name always has its report beside it.
    if (!image.commit()) {
        QFile::remove(files.report);
        error = saveError(files.image, image.errorString());
        return false;
    }
    return true;
}

void MapExportJob::poll()
{
    if (!done) {
        emit progressChanged(progress);
        return;
    }
    timer->stop();
    thread.join();
    if (!written)
        QFile::remove(files.params);
    emit progressChanged(1.0);
    emit finished(written, error);
}
