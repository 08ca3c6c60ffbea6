// The window's basin map: its menu and status bar, the mapper's wiring and
// the export of the map in view.
#include "MainWindow.h"

// GLContext.h brings epoxy, which must precede the Qt OpenGL headers of the views.
#include "AnalysisDock.h"
#include "BasinMapper.h"
#include "ExportProgress.h"
#include "GLContext.h"
#include "MapExportJob.h"
#include "OpenGL2d.h"
#include "OpenGL3d.h"
#include "SweepDock.h"
#include "WindowSettings.h"

#include <QAction>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>

#include <cstdio>

namespace {

const QString kBasinMapKey = QStringLiteral("view/basinMap");
const QString kLegendKey = QStringLiteral("view/legend");

} // namespace

void MainWindow::createBasinMap()
{
    basinLabel = new QLabel();
    mainStatusBar->addWidget(basinLabel, 1);
    basinProgress = new QProgressBar();
    basinProgress->setRange(0, 100);
    basinProgress->setMaximumWidth(160);
    basinProgress->hide();
    mainStatusBar->addPermanentWidget(basinProgress, 0);
    mapStateLabel = new QLabel();
    mainStatusBar->addPermanentWidget(mapStateLabel, 0);

    viewMenu = new QMenu(tr("&View"), this);
    menuBar()->insertMenu(helpMenu->menuAction(), viewMenu);
    act_basinMap = viewMenu->addAction(tr("Basin map"));
    act_basinMap->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    act_basinMap->setCheckable(true);
    act_legend = viewMenu->addAction(tr("Legend"));
    act_legend->setCheckable(true);
    viewMenu->addSeparator();
    act_resetView = viewMenu->addAction(tr("Reset view"), QKeySequence(Qt::CTRL | Qt::Key_0), this,
                                        &MainWindow::resetView);
    viewMenu->addSeparator();
    addDockWidget(Qt::RightDockWidgetArea, analysisDock);
    analysisDock->hide();
    viewMenu->addAction(analysisDock->toggleViewAction());
    sweepDock = new SweepDock(editor, this);
    addDockWidget(Qt::RightDockWidgetArea, sweepDock);
    tabifyDockWidget(analysisDock, sweepDock);
    sweepDock->hide();
    viewMenu->addAction(sweepDock->toggleViewAction());

    connect(tabs, &QTabWidget::currentChanged, basinMapper,
            [this](int index) { basinMapper->setPlateFirst(tabs->widget(index) == view3d); });
    connect(basinMapper, &BasinMapper::busyChanged, basinProgress, &QWidget::setVisible);
    connect(basinMapper, &BasinMapper::progressChanged, this,
            [this](BasinMapper::Target target, double fraction) {
                basinProgress->setFormat(target == BasinMapper::ViewMap ? tr("Map %p%")
                                                                        : tr("3D plate %p%"));
                basinProgress->setValue(int(fraction * 100.0));
            });

    // The map's word on the pixel under the cursor, also as the map refines under it.
    connect(view2d, &OpenGL2d::cursorMoved, this, [this](double x, double y) {
        basinCursor = QPointF(x, y);
        basinCursorInView = true;
        showBasinAtCursor();
    });
    connect(view2d, &OpenGL2d::cursorLeft, this, [this] {
        basinCursorInView = false;
        showBasinAtCursor();
    });
    connect(basinMapper, &BasinMapper::viewMapReady, this, &MainWindow::showBasinAtCursor);
    connect(basinMapper, &BasinMapper::cleared, this, &MainWindow::showBasinAtCursor);

    connect(view2d, &OpenGL2d::viewChanged, this,
            [this](const QRectF& region, const QSize& pixels) {
                mapStatus.setView(region, pixels);
                showMapState();
            });
    connect(basinMapper, &BasinMapper::mapStateChanged, this,
            [this](BasinMapper::Target target, int stride, bool fromCache) {
                if (target == BasinMapper::ViewMap)
                    mapStatus.setMapState(stride, fromCache);
                showMapState();
            });
    connect(basinMapper, &BasinMapper::cleared, this, [this] {
        mapStatus.setMapState(0, false);
        showMapState();
    });
    // A map that ended has gone into the cache.
    connect(basinMapper, &BasinMapper::busyChanged, this, &MainWindow::showMapState);

    const QSettings settings = windowSettings();
    act_basinMap->setChecked(settings.value(kBasinMapKey, false).toBool());
    act_legend->setChecked(settings.value(kLegendKey, true).toBool());
    basinMapper->setEnabled(act_basinMap->isChecked());
    view2d->setLegendVisible(act_legend->isChecked());
    connect(act_basinMap, &QAction::toggled, this, &MainWindow::showBasinMap);
    connect(act_legend, &QAction::toggled, this, [this](bool on) {
        view2d->setLegendVisible(on);
        windowSettings().setValue(kLegendKey, on);
    });
}

void MainWindow::showBasinMap(bool on)
{
    basinMapper->setEnabled(on);
    windowSettings().setValue(kBasinMapKey, on);
}

void MainWindow::showMapState()
{
    mapStatus.setCacheUse(basinMapper->cacheBytesUsed(), basinMapper->cacheCapacityBytes());
    mapStateLabel->setText(mapStatus.text());
}

void MainWindow::createExport()
{
    mapExport = new MapExportJob(this);
    exportProgress = new ExportProgress(mapExport);
    mainStatusBar->addPermanentWidget(exportProgress, 0);
    act_exportMap = new QAction(tr("Export map…"), this);
    act_exportMap->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(act_exportMap, &QAction::triggered, this, &MainWindow::exportMap);
    fileMenu->insertAction(act_grabWindow, act_exportMap);
    connect(mapExport, &MapExportJob::finished, this, &MainWindow::exportFinished);
    exportFileName = QDir(QDir::homePath()).filePath(QStringLiteral("basin.png"));
}

std::optional<MapExportSettings> MainWindow::askExportSettings(const MapExportSettings& proposed)
{
    ExportDialog dialog(proposed, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.settings();
}

void MainWindow::exportMap()
{
    if (mapExport->isRunning())
        return;
    const QSize view = view2d->viewPixels();
    const QSize twice(std::clamp(2 * view.width(), 1, MapExportSettings::kMaxSide),
                      std::clamp(2 * view.height(), 1, MapExportSettings::kMaxSide));
    const std::optional<MapExportSettings> chosen = askExportSettings({exportFileName, twice});
    if (!chosen || chosen->fileName.isEmpty())
        return;
    exportFileName = chosen->fileName;
    const MapExportJob::Files files = MapExportJob::Files::beside(exportFileName);
    BasinRequest request = basinMapper->viewRequest();
    QString error;
    if (!MapExportJob::writeParams(*data, files.params, request.model, error)) {
        showWarning(tr("Export map"), tr("Cannot write %1: %2").arg(files.params, error));
        return;
    }
    request.width = chosen->size.width();
    request.height = chosen->size.height();
    mapExport->start(request, basinMapper->cachedResult(request), files);
    exportProgress->started();
}

void MainWindow::exportFinished(bool written, const QString& error)
{
    if (written)
        mainStatusBar->showMessage(tr("Map exported to %1").arg(exportFileName), 5000);
    else if (!error.isEmpty())
        showWarning(tr("Export map"), error);
}

void MainWindow::showBasinAtCursor()
{
    basinLabel->setText(basinCursorInView
                            ? basinMapper->viewMap().describeAt(basinCursor.x(), basinCursor.y())
                            : QString());
}
