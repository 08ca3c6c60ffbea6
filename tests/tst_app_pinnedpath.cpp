// The pinned path in the running window: P keeps the current path in a muted
// colour under the next releases in both views, P again replaces it, Escape
// clears it, and the status bar tells what both paths come to. Real rendering
// under Xvfb.
#include "MainWindow.h"

// epoxy first: the views pull in Qt's OpenGL headers.
#include "GLContext.h"

#include "Experiment.h"
#include "Files.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "OpenGL2d.h"
#include "OpenGL3d.h"
#include "PathOutcome.h"
#include "PinnedPath.h"
#include "Pixels.h"
#include "PotentialLandscape.h"
#include "SceneLayout.h"
#include "ScenePixels.h"
#include "SystemData.h"
#include "SystemView.h"
#include "ViewPixels.h"
#include "WindowKeys.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <algorithm>
#include <memory>

namespace {

class ProbeWindow : public MainWindow
{
public:
    using MainWindow::act_clearPin;
    using MainWindow::act_pinPath;
    using MainWindow::data;
    using MainWindow::editor;
    using MainWindow::experiment;
    using MainWindow::outcomeLabel;
    using MainWindow::paramView;
    using MainWindow::pinnedLabel;
    using MainWindow::view2d;
    using MainWindow::view3d;

    QString answer; // what the open dialog returns

protected:
    QString askOpenFileName(const QString&, const QString&, const QString&) override
    {
        return answer;
    }
    SaveAnswer askSaveChanges() override { return SaveAnswer::Discard; }
};

using Samples = std::vector<std::array<float, 4>>;
using Line = std::vector<QPointF>;

Samples pathOf(const SystemData& d)
{
    return {d.trajPoints.begin(), d.trajPoints.begin() + d.numTrajPoints};
}

QString outcomeOf(const SystemData& d)
{
    return PathOutcome::of(d, PotentialLandscape(ModelState::of(d).physics)).describe();
}

double distanceToLine(QPointF p, const Line& line)
{
    double nearest = QLineF(p, line.front()).length();
    for (std::size_t i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1], ab = line[i] - a;
        const double length2 = QPointF::dotProduct(ab, ab);
        const double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0.0;
        nearest = std::min(nearest, QLineF(p, a + std::clamp(t, 0.0, 1.0) * ab).length());
    }
    return nearest;
}

// The points of `path` that lie `distance` away from every one of `others`
// (other paths, magnets): where nothing else can show.
Line clearOf(const Line& path, const std::vector<Line>& others, double distance)
{
    Line clear;
    std::copy_if(path.begin(), path.end(), std::back_inserter(clear), [&](QPointF p) {
        return std::all_of(others.begin(), others.end(),
                           [&](const Line& other) { return distanceToLine(p, other) >= distance; });
    });
    return clear;
}

// Each point a line of its own, to keep clear of.
std::vector<Line> apart(const Line& points)
{
    std::vector<Line> lines;
    for (QPointF p : points)
        lines.push_back({p});
    return lines;
}

// The share of `points` that have colour c within two pixels.
double shareShowing(const QImage& image, const Line& points, QRgb c)
{
    const auto shows = [&](QPointF p) { return colourNear(image, p.toPoint(), c, 2); };
    return double(std::count_if(points.begin(), points.end(), shows)) / double(points.size());
}

// Records the keys that reach a widget.
class KeyLog : public QObject
{
public:
    QList<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent*>(event)->key();
        return false;
    }
};

} // namespace

class TestAppPinnedPath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup() { window.reset(); }

    void pinnedPathLiesUnderTheNextInBothViews();
    void escapeIsTakenOnlyWithAPin();
    void pinOutlivesEditsButNotALoad();

private:
    bool key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        return pressInWindow(window.get(), k, modifiers);
    }
    // Where each view draws samples and magnets on the plate.
    Line on2d(const Samples& s) const;
    Line on3d(const Samples& s) const;

    std::unique_ptr<ProbeWindow> window;
};

void TestAppPinnedPath::init()
{
    window = std::make_unique<ProbeWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resetView();
}

Line TestAppPinnedPath::on2d(const Samples& s) const
{
    Line line;
    for (const auto& p : s)
        line.push_back(viewPixel(*window->view2d, p[0], p[1]));
    return line;
}

Line TestAppPinnedPath::on3d(const Samples& s) const
{
    Line line;
    for (const auto& p : s)
        line.push_back(project(*window->view3d, {p[0], p[1], SceneLayout::plateTop}));
    return line;
}

void TestAppPinnedPath::pinnedPathLiesUnderTheNextInBothViews()
{
    SystemData& d = *window->data;
    const QRgb line = d.lineColor.rgb() & 0xffffff;
    const QRgb muted = PinnedPath::mutedColor(d.lineColor).rgb() & 0xffffff;
    Samples magnets;
    for (const Magnet& m : d.magnets)
        magnets.push_back({m.posX, m.posY, 0.0f, 0.0f});

    window->experiment->release(0.09, 0.06);
    const Samples a = pathOf(d);
    const QString aOutcome = outcomeOf(d);
    QVERIFY(key(Qt::Key_P));
    // Both outcomes at once, the current one not waiting for its delay.
    QCOMPARE(window->outcomeLabel->text(), aOutcome);
    QCOMPARE(window->pinnedLabel->text(), "pinned: " + aOutcome);

    window->experiment->release(-0.08, 0.07);
    const Samples b = pathOf(d);
    const QString bOutcome = outcomeOf(d);
    QVERIFY(bOutcome != aOutcome);
    QTRY_COMPARE(window->outcomeLabel->text(), bOutcome);
    QCOMPARE(window->pinnedLabel->text(), "pinned: " + aOutcome);

    // 2D: the old path muted where it alone runs, the new one in its colour.
    const std::vector<Line> magnets2d = apart(on2d(magnets));
    const Line aOnly = clearOf(clearOf(on2d(a), {on2d(b)}, 6.0), magnets2d, 12.0);
    const Line bOnly = clearOf(clearOf(on2d(b), {on2d(a)}, 6.0), magnets2d, 12.0);
    QVERIFY(aOnly.size() > 20 && bOnly.size() > 20);
    QImage frame = window->view2d->grabFramebuffer();
    QCOMPARE(shareShowing(frame, aOnly, muted), 1.0);
    QCOMPARE(shareShowing(frame, bOnly, line), 1.0);
    QCOMPARE(shareShowing(frame, aOnly, line) + shareShowing(frame, bOnly, muted), 0.0);

    // 3D: the pinned path lies whole on the plate, the new one as it is
    // played. The magnets stand up and hide what lies behind them; the rod
    // and the bob may hide a few places more.
    QVERIFY(key(Qt::Key_2, Qt::ControlModifier));
    QTRY_VERIFY(window->view3d->isVisible());
    const std::vector<Line> magnets3d = apart(on3d(magnets));
    const Line aOnly3d = clearOf(clearOf(on3d(a), {on3d(b)}, 8.0), magnets3d, 30.0);
    const Line bOnly3d = clearOf(clearOf(on3d(b), {on3d(a)}, 8.0), magnets3d, 30.0);
    QVERIFY(aOnly3d.size() > 20 && bOnly3d.size() > 20);
    frame = window->view3d->grabFramebuffer();
    QVERIFY(shareShowing(frame, aOnly3d, muted) > 0.9);
    QVERIFY(shareShowing(frame, bOnly3d, line) < 0.1);
    while (d.animStep(1000.0)) {
    }
    frame = window->view3d->grabFramebuffer();
    QVERIFY(shareShowing(frame, bOnly3d, line) > 0.9);
    QVERIFY(shareShowing(frame, aOnly3d, muted) > 0.9);
    QCOMPARE(shareShowing(frame, bOnly3d, muted), 0.0);

    // Pinning again replaces the pin: now the second path is the muted one.
    QVERIFY(key(Qt::Key_P));
    QCOMPARE(window->pinnedLabel->text(), "pinned: " + bOutcome);
    window->experiment->release(0.02, -0.12);
    frame = window->view3d->grabFramebuffer();
    QCOMPARE(shareShowing(frame, aOnly3d, muted), 0.0);
    QVERIFY(shareShowing(frame, bOnly3d, muted) > 0.5);

    // Escape clears it from both views and from the status bar.
    QVERIFY(key(Qt::Key_Escape));
    QCOMPARE(window->pinnedLabel->text(), QString());
    QCOMPARE(countColour(window->view3d->grabFramebuffer(), muted), 0);
    QVERIFY(key(Qt::Key_1, Qt::ControlModifier));
    QTRY_VERIFY(window->view2d->isVisible());
    frame = window->view2d->grabFramebuffer();
    QCOMPARE(countColour(frame, muted), 0);
    QVERIFY(countColour(frame, line) > 0);
}

// Escape belongs to the pin only while there is one (the views see it
// otherwise); P typed into a field is text, not the shortcut.
void TestAppPinnedPath::escapeIsTakenOnlyWithAPin()
{
    OpenGL2d* view = window->view2d;
    KeyLog log;
    view->installEventFilter(&log);
    QVERIFY(makeActive(window.get()));
    QVERIFY(!window->act_pinPath->isEnabled());
    QTest::keyClick(view, Qt::Key_Escape);
    QCOMPARE(log.keys, QList<int>{Qt::Key_Escape});

    window->experiment->release(0.09, 0.06);
    QTest::keyClick(window->paramView->findChild<QLineEdit*>(), Qt::Key_P);
    QVERIFY(!window->act_clearPin->isEnabled());
    QVERIFY(key(Qt::Key_P));
    QVERIFY(window->act_clearPin->isEnabled());
    log.keys.clear();
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(log.keys.isEmpty());
    QVERIFY(!window->act_clearPin->isEnabled());
}

// An edit leaves the pinned path as it was, and its text says it came from
// other parameters until they are back; another parameter set clears it.
void TestAppPinnedPath::pinOutlivesEditsButNotALoad()
{
    window->experiment->release(0.09, 0.06);
    QVERIFY(key(Qt::Key_P));
    const QString pinned = window->pinnedLabel->text();
    QVERIFY(pinned.startsWith("pinned: "));
    window->editor->edit(QStringLiteral("Gravity"),
                         [](ModelState& s) { s.physics.gravity *= 1.2; });
    QCOMPARE(window->pinnedLabel->text(),
             QString(pinned).replace("pinned: ", "pinned, under earlier parameters: "));
    window->editor->undoStack()->undo();
    QCOMPARE(window->pinnedLabel->text(), pinned);
    // A magnet's colour does not move the bob.
    window->editor->edit(QStringLiteral("Colour"),
                         [](ModelState& s) { s.physics.magnets[0].color[1] = 1.0f; });
    QCOMPARE(window->pinnedLabel->text(), pinned);

    const QTemporaryDir tmp;
    window->answer = tmp.filePath("set.par");
    writeFile(window->answer, "gravity 9.81\n");
    window->loadParams();
    QCOMPARE(window->pinnedLabel->text(), QString());
    QVERIFY(!window->act_clearPin->isEnabled());
}

QTEST_MAIN(TestAppPinnedPath)
#include "tst_app_pinnedpath.moc"
