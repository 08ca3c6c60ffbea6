#include "MainWindow.h"

// GLContext.h brings epoxy, which must precede the Qt OpenGL headers of the views.
#include "AnalysisDock.h"
#include "BasinMapper.h"
#include "DocumentState.h"
#include "Experiment.h"
#include "ExperimentFile.h"
#include "GLContext.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "OpenGL2d.h"
#include "OpenGL3d.h"
#include "PathOutcome.h"
#include "Playback.h"
#include "PotentialLandscape.h"
#include "RecentFiles.h"
#include "SimulationTimers.h"
#include "SystemData.h"
#include "SystemView.h"
#include "WindowParts.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QImageWriter>
#include <QKeySequence>
#include <QLCDNumber>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUndoStack>

#include <cstdio>

namespace {

// Why an image could not be saved under that name, in the image writer's words.
// The probe leaves nothing behind that the failed save had not left already.
QString imageSaveError(const QString& fileName)
{
    QImageWriter writer(fileName);
    return writer.canWrite() ? QImageWriter::tr("Unable to write the image") : writer.errorString();
}

} // namespace

QString MainWindow::withSuffix(const QString& name, const QString& suffix)
{
    return name.endsWith(suffix, Qt::CaseSensitive) ? name : name + suffix;
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    // Each view gets its own copy of the format and its own context; they
    // share no GL objects.
    const QSurfaceFormat format = viewSurfaceFormat();
    data = new SystemData();
    experiment = new Experiment(data, this);
    editor = new ModelEditor(data, experiment, this);
    playback = new Playback(data, this);
    timers = new SimulationTimers(this);
    view2d = new OpenGL2d(format, data, this);
    view3d = new OpenGL3d(format, data, this);
    paramView = new SystemView(data, editor, experiment, playback);
    basinMapper = new BasinMapper(this);
    basinMapper->setModel(editor->state().physics, data->maxTheta);
    analysisDock = new AnalysisDock(this);
    WindowParts{experiment, editor,    playback,    timers,      view2d,
                view3d,     paramView, basinMapper, analysisDock}
        .wire();

    createStatusBar();
    createTabs();
    createMenus();
    createBasinMap();
    createExport();
    createPinnedPath();
    followParts();
    createDocument();
}

void MainWindow::createStatusBar()
{
    stepsLabel = new QLabel(tr("# steps:"));
    // The samples of the current path.
    stepsLcd = new QLCDNumber();
    stepsLcd->setDigitCount(5);
    stepsLcd->display(0);
    stepsLcd->setSegmentStyle(QLCDNumber::Flat);
    cursorLabel = new QLabel;
    outcomeLabel = new QLabel;
    mainStatusBar = new QStatusBar(this);
    mainStatusBar->addWidget(cursorLabel);
    mainStatusBar->addWidget(outcomeLabel, 1);
    pinnedLabel = new QLabel;
    mainStatusBar->addWidget(pinnedLabel, 1);
    mainStatusBar->addPermanentWidget(stepsLabel, 0);
    mainStatusBar->addPermanentWidget(stepsLcd, 0);
    setStatusBar(mainStatusBar);
}

void MainWindow::createTabs()
{
    tabs = new QTabWidget();
    tabs->addTab(view2d, tr("View2D"));
    tabs->addTab(view3d, tr("View3D"));
    // Connected after the tabs are in, so Ctrl+A starts enabled; from then on a
    // click on a tab counts as much as its shortcut.
    connect(tabs, &QTabWidget::currentChanged, this, &MainWindow::followTab);
    setCentralWidget(tabs);
    addDockWidget(Qt::RightDockWidgetArea, paramView);
}

void MainWindow::createMenus()
{
    // Window actions: their shortcuts work wherever the focus is in the window.
    act_animate =
        addWindowAction(tr("Animate"), QKeySequence(Qt::CTRL | Qt::Key_A), &MainWindow::animate);
    act_showParamWin = addWindowAction(tr("Show Param Win"), QKeySequence(Qt::CTRL | Qt::Key_W),
                                       &MainWindow::showParamWin);
    act_grabWindow = addWindowAction(tr("Grab window"), QKeySequence(Qt::CTRL | Qt::Key_G),
                                     &MainWindow::grabWindow);
    act_view2d =
        addWindowAction(tr("View2D"), QKeySequence(Qt::CTRL | Qt::Key_1), &MainWindow::selectTab);
    act_view2d->setObjectName(QStringLiteral("act_view2d"));
    act_view3d =
        addWindowAction(tr("View3D"), QKeySequence(Qt::CTRL | Qt::Key_2), &MainWindow::selectTab);
    act_view3d->setObjectName(QStringLiteral("act_view3d"));

    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(QIcon(QStringLiteral(":/open.png")), tr("Load params"),
                        QKeySequence(Qt::CTRL | Qt::Key_L), this, &MainWindow::loadParams);
    recentMenu = fileMenu->addMenu(tr("Open Recent"));
    fileMenu->addAction(QIcon(QStringLiteral(":/save.png")), tr("Save params"),
                        QKeySequence(Qt::CTRL | Qt::Key_S), this, &MainWindow::saveParams);
    fileMenu->addSeparator();
    fileMenu->addAction(act_showParamWin);
    fileMenu->addAction(act_grabWindow);
    fileMenu->addSeparator();
    fileMenu->addAction(QIcon(QStringLiteral(":/exit.png")), tr("Quit"),
                        QKeySequence(Qt::CTRL | Qt::Key_Q), this, &QWidget::close);

    // Undo and redo of every edit of the model, named after the edit.
    editMenu = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = editor->undoStack()->createUndoAction(this, tr("Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = editor->undoStack()->createRedoAction(this, tr("Redo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* action : {undo, redo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        editMenu->addAction(action);
    }

    helpMenu = menuBar()->addMenu(tr("&Help"));
    // There is no about.png among the resources, so the entry stays without an icon.
    helpMenu->addAction(QIcon(QStringLiteral(":/about.png")), tr("&About"), this,
                        &MainWindow::about);
}

void MainWindow::followParts()
{
    connect(timers, &SimulationTimers::simulationTicked, this, &MainWindow::particleStep);
    connect(timers, &SimulationTimers::playbackTicked, this, &MainWindow::animateStep);
    connect(paramView, &SystemView::emitReset, this, &MainWindow::particleReset);
    connect(editor, &ModelEditor::modelChanged, this, &MainWindow::followModel);
    connect(experiment, &Experiment::pathChanged, this, &MainWindow::showPath);
    connect(view2d, &OpenGL2d::cursorMoved, this, &MainWindow::showCursor);
    connect(view2d, &OpenGL2d::cursorLeft, cursorLabel, &QLabel::clear);
    // Judging where a path ends needs the potential's landscape, which takes a
    // while to build: a drag tells it when the mouse rests.
    outcomeTimer = new QTimer(this);
    outcomeTimer->setSingleShot(true);
    outcomeTimer->setInterval(150);
    connect(outcomeTimer, &QTimer::timeout, this, &MainWindow::showOutcome);
    framedTheta = data->maxTheta;
    framedLength = data->pendulumLength;
}

MainWindow::~MainWindow()
{
    // The map's threads stop before anything they report to goes.
    delete basinMapper;
    // The undo history tells of its last change as it goes, when the
    // experiment the document also reads may be gone already.
    delete document;
    // The views and the panel keep plain pointers into the model. Qt would delete
    // these children only after this body, so they go first, the model last.
    // Taking the views out of their tabs must not reach the panel gone by then.
    disconnect(tabs, &QTabWidget::currentChanged, this, &MainWindow::followTab);
    delete paramView;
    delete view3d;
    delete view2d;
    delete data;
}

QSize MainWindow::sizeHint() const
{
    return {1270, 700};
}

QSize MainWindow::minimumSizeHint() const
{
    return {1270, 700};
}

void MainWindow::resetView()
{
    view2d->resetView();
}

void MainWindow::about()
{
    showAbout(tr("Kelvora"), tr("Orvalis Simulation\n\n"
                                "The chaotic path of a pendulum bob swinging over magnets,\n"
                                "integrated with an adaptive Runge-Kutta method and shown\n"
                                "in a top-down and a perspective OpenGL view."));
}

void MainWindow::play()
{
    paramView->SetTimer(!timers->isSimulating());
}

void MainWindow::quit()
{
    close();
}

void MainWindow::loadParams()
{
    if (!maybeSave())
        return;
    const QString name =
        askOpenFileName(tr("Load Parameters"), parameterDirectory(), QStringLiteral("*.par"));
    if (!name.isEmpty())
        openFile(withSuffix(name, QStringLiteral(".par")));
}

void MainWindow::openFile(const QString& fileName)
{
    // One undo step; the experiment goes on from its release point in the new
    // set unless the file holds one of its own.
    const ParamFileReport report = editor->load(fileName);
    if (!report.ok) {
        showWarning(tr("Load Parameters"),
                    tr("Cannot load parameter file %1:\n%2").arg(fileName, report.error));
        return;
    }
    // After the load, which may have re-framed the view to the new pendulum.
    const ExperimentFile saved = ExperimentFile::read(fileName);
    if (saved.view)
        view2d->showRegion(*saved.view);
    if (saved.release)
        experiment->release(saved.release->x(), saved.release->y());
    document->markSaved(fileName);
    RecentFiles::add(fileName);
    showRecentFiles();
    if (!report.skipped.isEmpty()) {
        // A box a screen high at most; standard error has every line.
        constexpr int shown = 20;
        QStringList lines = report.skipped.mid(0, shown);
        if (report.skipped.size() > shown)
            lines.append(tr("... and %1 more").arg(report.skipped.size() - shown));
        showWarning(tr("Load Parameters"),
                    tr("Parameter file %1 was loaded; these lines were skipped:\n%2")
                        .arg(fileName, lines.join(QLatin1Char('\n'))));
    }
}

void MainWindow::openFromArguments(const QStringList& arguments)
{
    const QString first = arguments.value(1);
    if (!first.startsWith(QLatin1Char('-')) && first.endsWith(QStringLiteral(".par")))
        openFile(first);
}

void MainWindow::saveParams()
{
    saveAs();
}

void MainWindow::animate()
{
    paramView->SetAnimTimer(!timers->isPlaying());
}

void MainWindow::showParamWin()
{
    paramView->setVisible(!paramView->isVisible());
}

void MainWindow::grabWindow()
{
    const QString name =
        askSaveFileName(tr("Save window"), QDir::currentPath(), QStringLiteral("*.png"));
    if (name.isEmpty())
        return;
    const QString fileName = withSuffix(name, QStringLiteral(".png"));
    const bool saved =
        tabs->currentIndex() == 0 ? view2d->saveImage(fileName) : view3d->saveImage(fileName);
    if (saved)
        return;
    fprintf(stderr, "Cannot save image %s\n", qPrintable(fileName));
    showWarning(tr("Save window"),
                tr("Cannot save image %1:\n%2").arg(fileName, imageSaveError(fileName)));
}

void MainWindow::particleStep()
{
    view2d->particleStep();
}

void MainWindow::particleReset()
{
    view2d->resetView();
    data->numSteps = 0;
}

void MainWindow::selectTab()
{
    const bool to2d = sender() && sender()->objectName() == QLatin1String("act_view2d");
    const int index = to2d ? 0 : 1;
    if (tabs->currentIndex() != index)
        tabs->setCurrentIndex(index); // followTab() runs on the change
    else
        followTab(index); // the shortcut stops the playback on its own tab too
}

void MainWindow::followTab(int index)
{
    // Playback only makes sense where the bob is drawn, in the 3D view.
    act_animate->setEnabled(index == 1);
    paramView->SetTimer(false);
    paramView->SetAnimTimer(false);
}

void MainWindow::animateStep(double milliseconds)
{
    if (!playback->advance(milliseconds))
        paramView->SetAnimTimer(false);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    // A floating parameter panel is a top-level window of its own.
    QApplication::closeAllWindows();
    event->accept();
}

QString MainWindow::askOpenFileName(const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getOpenFileName(this, caption, dir, filter);
}

QString MainWindow::askSaveFileName(const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getSaveFileName(this, caption, dir, filter);
}

void MainWindow::showAbout(const QString& title, const QString& text)
{
    QMessageBox::about(this, title, text);
}

void MainWindow::showWarning(const QString& title, const QString& text)
{
    QMessageBox::warning(this, title, text);
}

MainWindow::SaveAnswer MainWindow::askSaveChanges()
{
    const QString name = document->fileName().isEmpty()
                             ? tr("The parameter set")
                             : QFileInfo(document->fileName()).fileName();
    switch (QMessageBox::warning(
        this, tr("Unsaved changes"), tr("%1 has unsaved changes. Save them?").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save)) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

QString MainWindow::parameterDirectory()
{
    // ./config of a working copy first, then the sets an installation ships.
    for (const QDir& config :
         {QDir(QStringLiteral("config")), QDir(dataDirectory() + QStringLiteral("/config"))}) {
        if (config.exists())
            return config.absolutePath();
    }
    return QDir::current().absolutePath();
}

void MainWindow::followModel()
{
    if (data->maxTheta != framedTheta || data->pendulumLength != framedLength) {
        framedTheta = data->maxTheta;
        framedLength = data->pendulumLength;
        view2d->resetView();
    }
}

void MainWindow::showCursor(double x, double y)
{
    cursorLabel->setText(tr("x %1, y %2").arg(x, 0, 'f', 5).arg(y, 0, 'f', 5));
}

void MainWindow::showPath()
{
    stepsLcd->display(data->numTrajPoints);
    outcomeTimer->start();
}

void MainWindow::showOutcome()
{
    outcomeLabel->setText(currentOutcome().describe());
}

PathOutcome MainWindow::currentOutcome()
{
    const ModelParameters parameters = ModelState::of(*data).physics;
    if (!landscape || parameters != landscapeParameters) {
        landscape = std::make_unique<PotentialLandscape>(parameters);
        landscapeParameters = parameters;
    }
    return PathOutcome::of(*data, *landscape);
}

QAction* MainWindow::addWindowAction(const QString& text, const QKeySequence& shortcut,
                                     void (MainWindow::*slot)())
{
    auto* action = new QAction(text, this);
    action->setShortcut(shortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, slot);
    return action;
}
