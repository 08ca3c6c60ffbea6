#ifndef ORVALIS_MAINWINDOW_H
#define ORVALIS_MAINWINDOW_H

#include "ExportDialog.h"
#include "MapStatusText.h"
#include "ModelParameters.h"

#include <QMainWindow>
#include <QPointF>
#include <QString>

#include <memory>
#include <optional>

class AnalysisDock;
class BasinMapper;
class DocumentState;
class Experiment;
class ExportProgress;
class MapExportJob;
class ModelEditor;
class OpenGL2d;
class PinnedPath;
class PotentialLandscape;
class OpenGL3d;
class Playback;
struct PathOutcome;
class QAction;
class QCloseEvent;
class QKeySequence;
class QLabel;
class QLCDNumber;
class QMenu;
class QProgressBar;
class QStatusBar;
class QTabWidget;
class QTimer;
class SimulationTimers;
class SweepDock;
class SystemData;
class SystemView;

// The application's only top-level window. It owns the model, the two views (as
// tabs), the parameter panel (as a dock) and the two timers (WindowParts wires
// them together); its menus and shortcuts carry the file commands and the view
// switch.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Re-frames the 2D view; called once the window is shown and has its size.
    void resetView();

    // Opens a parameter set with the experiment it holds, as a load does but
    // without asking about unsaved changes.
    void openFile(const QString& fileName);
    // The program's arguments: a first one that names a ".par" file opens it.
    void openFromArguments(const QStringList& arguments);

public slots:
    void about();
    void play();
    void quit();
    void loadParams();
    void saveParams();
    void animate();
    void showParamWin();
    void grabWindow();
    // Renders the 2D view's region at a size asked for, in the background.
    void exportMap();

protected slots:
    void particleStep();
    void particleReset();
    void selectTab();
    void animateStep(double milliseconds);

protected:
    void closeEvent(QCloseEvent* event) override;

    // The modal dialogs, virtual so that tests can answer them without blocking.
    // An empty name means the user cancelled.
    virtual QString askOpenFileName(const QString& caption, const QString& dir,
                                    const QString& filter);
    virtual QString askSaveFileName(const QString& caption, const QString& dir,
                                    const QString& filter);
    virtual void showAbout(const QString& title, const QString& text);
    virtual void showWarning(const QString& title, const QString& text);
    // Null when the user cancelled.
    virtual std::optional<MapExportSettings> askExportSettings(const MapExportSettings& proposed);
    enum class SaveAnswer { Save, Discard, Cancel };
    // Whether to save unsaved changes before they would be lost.
    virtual SaveAnswer askSaveChanges();

    // Where the parameter dialogs open: ./config when it exists, else the
    // installed sets, else the working directory; always absolute.
    static QString parameterDirectory();

    SystemData* data = nullptr;
    Experiment* experiment = nullptr;
    ModelEditor* editor = nullptr;
    Playback* playback = nullptr;
    SimulationTimers* timers = nullptr;
    SystemView* paramView = nullptr;
    OpenGL2d* view2d = nullptr;
    OpenGL3d* view3d = nullptr;
    QTabWidget* tabs = nullptr;
    QStatusBar* mainStatusBar = nullptr;
    QLabel* stepsLabel = nullptr;
    QLCDNumber* stepsLcd = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* recentMenu = nullptr;
    DocumentState* document = nullptr;
    QAction* act_showParamWin = nullptr;
    QAction* act_grabWindow = nullptr;
    QAction* act_view2d = nullptr;
    QAction* act_view3d = nullptr;
    QMenu* editMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QLabel* cursorLabel = nullptr;
    QLabel* outcomeLabel = nullptr;
    QAction* act_animate = nullptr;

    // The basin map under the 2D view, its View menu and its status bar parts.
    BasinMapper* basinMapper = nullptr;
    QMenu* viewMenu = nullptr;
    QAction* act_basinMap = nullptr;
    QAction* act_legend = nullptr;
    QAction* act_resetView = nullptr;
    QLabel* basinLabel = nullptr;
    QProgressBar* basinProgress = nullptr;
    // The view's scale, the map's level and the cache's use.
    QLabel* mapStateLabel = nullptr;
    // The map export and its part of the status bar.
    QAction* act_exportMap = nullptr;
    MapExportJob* mapExport = nullptr;
    ExportProgress* exportProgress = nullptr;
    // The measurements of the map in view, a dock toggled from the View menu.
    AnalysisDock* analysisDock = nullptr;
    // A path kept for comparison, its menu and its part of the status bar.
    PinnedPath* pinnedPath = nullptr;
    QMenu* pathMenu = nullptr;
    QAction* act_pinPath = nullptr;
    QAction* act_clearPin = nullptr;
    QLabel* pinnedLabel = nullptr;
    // The maps of one parameter swept over a range, a dock beside it.
    SweepDock* sweepDock = nullptr;

private:
    // Appends the suffix unless the name already ends with it, in exactly
    // this case: "set.PAR" becomes "set.PAR.par".
    static QString withSuffix(const QString& name, const QString& suffix);
    // The document: saving with the experiment's lines, asking before unsaved
    // changes are lost, and the recent sets.
    void createDocument();
    bool saveAs();
    bool saveTo(const QString& fileName);
    bool maybeSave();
    void showRecentFiles();
    void openRecent(const QString& fileName);
    void createStatusBar();
    void createTabs();
    void createMenus();
    // The window's own part in the wiring: its status bar, the 2D view's
    // framing, and the timers' ticks.
    void followParts();
    // Keeps the playback in step with the tab on show: Ctrl+A works on the 3D tab
    // only, and showing a tab stops both timers.
    void followTab(int index);
    // The basin map: its menu, status bar parts and wiring; its switch; its word
    // on the pixel under the cursor.
    void createBasinMap();
    void showBasinMap(bool on);
    void showBasinAtCursor();
    void showMapState();
    void createExport();
    void exportFinished(bool written, const QString& error);
    // After every edit of the model: the 2D view re-frames when the pendulum's
    // reach changed.
    void followModel();
    // The status bar: where the cursor is, and what the current path comes to.
    void showCursor(double x, double y);
    void showPath();
    void showOutcome();
    // What the current path comes to, judged now.
    PathOutcome currentOutcome();
    // The pinned path: its menu and wiring, the pin, and its status text.
    void createPinnedPath();
    void pinPath();
    void showPinned();

    // The landscape of the parameters the outcome was last judged with.
    std::unique_ptr<PotentialLandscape> landscape;
    ModelParameters landscapeParameters;
    QTimer* outcomeTimer = nullptr;
    double framedTheta = 0.0;
    double framedLength = 0.0;

    // The window's own actions: parented, with a shortcut, active anywhere in the window.
    QAction* addWindowAction(const QString& text, const QKeySequence& shortcut,
                             void (MainWindow::*slot)());

    // Where the cursor is over the 2D view, for the map's status text.
    QPointF basinCursor;
    bool basinCursorInView = false;
    MapStatusText mapStatus;
    QString exportFileName;
};

#endif // ORVALIS_MAINWINDOW_H
