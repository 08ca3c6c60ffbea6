// The Sweep dock in the main window: reached from the View menu, sweeping
// the window's own model, and its Stop a step of the window's undo history.
// Under Xvfb; the settings are the test mode's.
#include "MainWindow.h"

#include "ModelEditor.h"
#include "SweepDock.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr int kWait = 120000; // ms: a busy machine, generously

class ProbeWindow : public MainWindow
{
public:
    using MainWindow::editor;
    using MainWindow::sweepDock;
    using MainWindow::viewMenu;
};

} // namespace

class TestAppSweep : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sweepsTheWindowsModel();
};

void TestAppSweep::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis")).clear();
}

void TestAppSweep::cleanupTestCase()
{
    QSettings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis")).clear();
}

void TestAppSweep::sweepsTheWindowsModel()
{
    ProbeWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    SweepDock* dock = window.sweepDock;
    QVERIFY(!dock->isVisible());
    QAction* toggle = nullptr;
    for (QAction* action : window.viewMenu->actions())
        if (action->text() == QStringLiteral("Sweep"))
            toggle = action;
    QVERIFY(toggle);
    toggle->trigger();
    QTRY_VERIFY(dock->isVisible());

    dock->setGrid(24);
    dock->setMaxTime(20.0);
    dock->findChild<QComboBox*>(QStringLiteral("sweepKey"))->setCurrentText("gravity");
    dock->findChild<QDoubleSpinBox*>(QStringLiteral("sweepFrom"))->setValue(8.0);
    dock->findChild<QDoubleSpinBox*>(QStringLiteral("sweepTo"))->setValue(12.0);
    dock->findChild<QSpinBox*>(QStringLiteral("sweepFrames"))->setValue(3);
    dock->startSweep();
    QTRY_VERIFY_WITH_TIMEOUT(dock->frames().frames()[1].level != nullptr, kWait);
    QCOMPARE(dock->sweepJob()->base, window.editor->state());

    dock->findChild<QSlider*>(QStringLiteral("sweepFrame"))->setValue(1);
    const ModelState before = window.editor->state();
    dock->stopSweep();
    QCOMPARE(window.editor->undoStack()->count(), 1);
    QCOMPARE(window.editor->state().physics.gravity, 10.0);
    window.editor->undoStack()->undo();
    QVERIFY(window.editor->state() == before);
}

QTEST_MAIN(TestAppSweep)
#include "tst_app_sweep.moc"
