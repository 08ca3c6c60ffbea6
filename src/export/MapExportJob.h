#ifndef ORVALIS_MAPEXPORTJOB_H
#define ORVALIS_MAPEXPORTJOB_H

#include "BasinEngine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class QTimer;
class SystemData;

// Renders a map into a PNG image and its JSON report on a thread of its own,
// so that the window goes on while it runs. The image is the one the command
// line writes for the same request, byte for byte. Nothing appears under a
// name until its file is complete; a cancelled or failed export leaves none
// of its files behind, the parameter set written before it included.
class MapExportJob : public QObject
{
    Q_OBJECT

public:
    // The files of one export, all beside the image.
    struct Files
    {
        QString image;
        QString params;
        QString report;

        // "map.png" gives "map.par" and "map.json".
        static Files beside(const QString& image);
    };

    // Writes the parameter set the command line reads and sets `model` to
    // what it reads from it: the file keeps six significant digits, and the
    // map must be the one the file gives. False, with the reason, when the
    // file cannot be written or read back.
    static bool writeParams(const SystemData& data, const QString& name, ModelParameters& model,
                            QString& error);

    explicit MapExportJob(QObject* parent = nullptr);
    ~MapExportJob() override;

    bool isRunning() const { return thread.joinable(); }
    // `from`, a part of the same grid, keeps its pixels. The parameter set
    // is expected in files.params already: the command line reads it.
    void start(const BasinRequest& request, std::shared_ptr<const BasinResult> from,
               const Files& files);
    void cancel();

signals:
    void progressChanged(double fraction);
    // error is empty when the export was written, and when it was cancelled.
    void finished(bool written, const QString& error);

private:
    // The thread's: waits for the map, then writes it.
    void finish(const BasinRequest& request, std::shared_ptr<const BasinResult> from,
                QElapsedTimer clock);
    bool write(const BasinResult& result, double seconds);
    void poll();

    QTimer* timer = nullptr;
    Files files;
    BasinEngine engine;
    std::thread thread;
    std::atomic<double> progress{0.0};
    std::atomic<bool> done{false};
    // The GUI thread's cancel against the render's thread starting the map.
    std::mutex mutex;
    bool stopRequested = false;
    // Written by the render's thread, read after it is joined.
    bool written = false;
    QString error;
};

#endif
