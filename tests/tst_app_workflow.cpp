// Exploring in the running window: the experiment survives edits, magnets come
// and go in the program, edits undo, and the status bar says what happened.
// Real rendering under Xvfb.
#define QTEST_QPA_MOUSE_HANDLING
#include "MainWindow.h"

// epoxy first: the views pull in Qt's OpenGL headers.
#include "Experiment.h"
#include "GLContext.h"
#include "ModelEditor.h"
#include "OpenGL2d.h"
#include "Pixels.h"
#include "SystemData.h"
#include "SystemView.h"
#include "ViewPixels.h"
#include "WindowKeys.h"

#include <QAction>
#include <QApplication>
#include <QLCDNumber>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

class ProbeWindow : public MainWindow
{
public:
    using MainWindow::cursorLabel;
    using MainWindow::data;
    using MainWindow::editMenu;
    using MainWindow::editor;
    using MainWindow::experiment;
    using MainWindow::loadParams;
    using MainWindow::outcomeLabel;
    using MainWindow::paramView;
    using MainWindow::stepsLcd;
    using MainWindow::view2d;

    QString answer; // what the open dialog returns

protected:
    QString askOpenFileName(const QString&, const QString&, const QString&) override
    {
        return answer;
    }
    // Loading over the explored set: its changes are let go.
    SaveAnswer askSaveChanges() override { return SaveAnswer::Discard; }
};

std::vector<std::array<float, 4>> pathOf(const SystemData& d)
{
    return {d.trajPoints.begin(), d.trajPoints.begin() + d.numTrajPoints};
}

} // namespace

class TestWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void dragFollowsAndUndoes();
    void doubleClickAddsAndDeleteRemoves();
    void statusBarTellsWhatHappened();
    void loadKeepsTheExperimentAndUndoes();

private:
    QPoint pixelOf(double x, double y) const;
    bool shortcut(Qt::Key key, Qt::KeyboardModifiers modifiers);

    std::unique_ptr<ProbeWindow> window;
};

void TestWorkflow::initTestCase()
{
    // The window reads its remembered settings: never the user's.
    QStandardPaths::setTestModeEnabled(true);
}

void TestWorkflow::init()
{
    window = std::make_unique<ProbeWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resetView();
}

void TestWorkflow::cleanup()
{
    window.reset();
}

QPoint TestWorkflow::pixelOf(double x, double y) const
{
    return viewPixel(*window->view2d, x, y).toPoint();
}

bool TestWorkflow::shortcut(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    return pressInWindow(window.get(), key, modifiers);
}

void TestWorkflow::dragFollowsAndUndoes()
{
    SystemData& d = *window->data;
    OpenGL2d* view = window->view2d;
    QTest::mouseClick(view, Qt::LeftButton, {}, pixelOf(0.06, 0.05));
    const auto released = pathOf(d);
    QCOMPARE(int(released.size()), d.maxNumPoints);
    const QImage before = view->grabFramebuffer();

    // A right drag of magnet 1: the path follows from the same release point.
    const QPoint from = pixelOf(d.magnets[1].posX, d.magnets[1].posY);
    const QPoint to = from + QPoint(40, -25);
    QTest::mouseMove(view, from);
    QTest::mousePress(view, Qt::RightButton, {}, from);
    QTest::mouseMove(view, from + QPoint(10, -5));
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::RightButton, {}, to);
    const float movedX = d.magnets[1].posX;
    QVERIFY(movedX > 0.035f);
    const auto dragged = pathOf(d);
    QCOMPARE(dragged.front(), released.front());
    QVERIFY(dragged != released);
    QVERIFY(view->grabFramebuffer() != before);

    // One step for the whole drag, named in the Edit menu.
    const QList<QAction*> actions = window->editMenu->actions();
    QCOMPARE(actions.at(0)->text(), QString("Undo Move magnet 1"));
    QVERIFY(shortcut(Qt::Key_Z, Qt::ControlModifier));
    QCOMPARE(d.magnets[1].posX, 0.03f);
    QVERIFY(pathOf(d) == released);
    // The highlight went with the magnet: the frame is the one before the drag.
    QCOMPARE(view->grabFramebuffer(), before);
    QVERIFY(shortcut(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));
    QCOMPARE(d.magnets[1].posX, movedX);
    QVERIFY(pathOf(d) == dragged);
    QVERIFY(shortcut(Qt::Key_Z, Qt::ControlModifier));
    QVERIFY(shortcut(Qt::Key_Y, Qt::ControlModifier));
    QVERIFY(pathOf(d) == dragged);
}

void TestWorkflow::doubleClickAddsAndDeleteRemoves()
{
    SystemData& d = *window->data;
    OpenGL2d* view = window->view2d;
    QTest::mouseClick(view, Qt::LeftButton, {}, pixelOf(-0.07, 0.06));
    const auto released = pathOf(d);

    // The new magnet appears where the person double-clicked, in a new colour;
    // the experiment is the one from before the double-click, recomputed.
    const QPoint spot = pixelOf(0.09, -0.08);
    QTest::mouseDClick(view, Qt::LeftButton, {}, spot);
    QCOMPARE(d.magnets.size(), 4);
    QVERIFY((pixelOf(d.magnets[3].posX, d.magnets[3].posY) - spot).manhattanLength() <= 2);
    QVERIFY(std::abs(window->experiment->releaseX() + 0.07) < 1e-3);
    QCOMPARE(pathOf(d).front(), released.front());
    QVERIFY(pathOf(d) != released);
    const Magnet& added = d.magnets[3];
    const QRgb drawn = rgbAt(view->grabFramebuffer(), spot);
    QCOMPARE(drawn,
             QColor::fromRgbF(added.color[0], added.color[1], added.color[2]).rgb() & 0xffffff);

    // Delete removes the magnet under the cursor, and undo brings it back.
    QTest::mouseMove(view, spot);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(d.magnets.size(), 3);
    QVERIFY(pathOf(d) == released);
    window->editor->undoStack()->undo();
    QCOMPARE(d.magnets.size(), 4);
}

void TestWorkflow::statusBarTellsWhatHappened()
{
    SystemData& d = *window->data;
    OpenGL2d* view = window->view2d;
    QTest::mouseMove(view, pixelOf(0.05, -0.02));
    const QRegularExpression position("x ([-0-9.]+), y ([-0-9.]+)");
    const auto match = position.match(window->cursorLabel->text());
    QVERIFY2(match.hasMatch(), qPrintable(window->cursorLabel->text()));
    QVERIFY(std::abs(match.captured(1).toDouble() - 0.05) < 1e-3);
    QVERIFY(std::abs(match.captured(2).toDouble() + 0.02) < 1e-3);

    // A long path from there comes to rest; a short one is still on its way.
    window->editor->edit("steps", [](ModelState& s) { s.maxNumPoints = 10000; });
    QTest::mouseClick(view, Qt::LeftButton, {}, pixelOf(0.05, -0.02));
    QCOMPARE(window->stepsLcd->intValue(), d.numTrajPoints);
    QTRY_VERIFY2(window->outcomeLabel->text().contains("comes to rest over magnet"),
                 qPrintable(window->outcomeLabel->text()));
    QVERIFY(window->outcomeLabel->text().startsWith(QString("%1 samples").arg(d.numTrajPoints)));
    window->editor->edit("steps", [](ModelState& s) { s.maxNumPoints = 30; });
    QCOMPARE(window->stepsLcd->intValue(), 30);
    QTRY_VERIFY2(window->outcomeLabel->text().endsWith("still moving at the end"),
                 qPrintable(window->outcomeLabel->text()));
}

void TestWorkflow::loadKeepsTheExperimentAndUndoes()
{
    SystemData& d = *window->data;
    QTest::mouseClick(window->view2d, Qt::LeftButton, {}, pixelOf(0.02, 0.07));
    const auto released = pathOf(d);

    window->answer = QStringLiteral(ORVALIS_SOURCE_DIR "/config/square.par");
    window->loadParams();
    QCOMPARE(d.magnets.size(), 4);
    QCOMPARE(pathOf(d).front(), released.front());
    QVERIFY(pathOf(d) != released);
    QCOMPARE(window->editMenu->actions().at(0)->text(), QString("Undo Load square.par"));
    window->editor->undoStack()->undo();
    QCOMPARE(d.magnets.size(), 3);
    QVERIFY(pathOf(d) == released);
}

QTEST_MAIN(TestWorkflow)
#include "tst_app_workflow.moc"
