// The Analysis dock in the main window: reached from the View menu, fed by
// the mapper's complete maps, stale after a zoom, maps switched off or an
// edit of the model. Under Xvfb; the settings are the test mode's.
#include "MainWindow.h"

#include "AnalysisDock.h"
#include "BasinEngine.h"
#include "BasinMapper.h"
#include "BasinPainter.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "SystemData.h"
#include "Wheel.h"

// epoxy before the views' Qt OpenGL headers.
#include "GLContext.h"
#include "OpenGL2d.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr int kWait = 30000; // ms: a busy machine, generously

BasinMap smallMap()
{
    BasinRequest r = ModelState::of(SystemData()).basinRequest();
    r.width = r.height = 32;
    r.threads = 1;
    BasinEngine engine;
    engine.run(r);
    return BasinMap(engine.result(), 1, BasinPainter(engine.result()));
}

class ProbeWindow : public MainWindow
{
public:
    using MainWindow::analysisDock;
    using MainWindow::basinMapper;
    using MainWindow::editor;
    using MainWindow::view2d;
    using MainWindow::viewMenu;
};

} // namespace

class TestAppAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void dockFollowsTheMapInView();
};

void TestAppAnalysis::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis")).clear();
}

void TestAppAnalysis::cleanupTestCase()
{
    QSettings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis")).clear();
}

void TestAppAnalysis::dockFollowsTheMapInView()
{
    ProbeWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resetView();

    QAction* toggle = nullptr;
    for (QAction* action : window.viewMenu->actions())
        if (action->text() == QLatin1String("Analysis"))
            toggle = action;
    QVERIFY(toggle);
    QVERIFY(!window.analysisDock->isVisible()); // hidden at the first start
    toggle->trigger();
    QVERIFY(window.analysisDock->isVisible());

    // A complete map as the mapper hands it over: the map itself is not what
    // is tested here, and one of the whole view takes a minute on a busy machine.
    emit window.basinMapper->viewMapReady(smallMap());
    QTRY_VERIFY_WITH_TIMEOUT(!window.analysisDock->figuresStale(), kWait);
    QCOMPARE(window.analysisDock->figures()->shares, smallMap().shares());

    sendWheel(window.view2d, QPointF(100, 100), 240);
    QVERIFY(window.analysisDock->figuresStale());
    emit window.basinMapper->viewMapReady(smallMap());
    QTRY_VERIFY_WITH_TIMEOUT(!window.analysisDock->figuresStale(), kWait);
    emit window.basinMapper->cleared();
    QVERIFY(window.analysisDock->figuresStale());
    emit window.basinMapper->viewMapReady(smallMap());
    QTRY_VERIFY_WITH_TIMEOUT(!window.analysisDock->figuresStale(), kWait);

    window.editor->moveMagnet(0, 0.01, 0.02);
    QVERIFY(window.analysisDock->figuresStale());
}

QTEST_MAIN(TestAppAnalysis)
#include "tst_app_analysis.moc"
