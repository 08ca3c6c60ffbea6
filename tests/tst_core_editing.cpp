// Edits of the model as undo steps, and the path that follows them.
#include "BasinEngine.h"
#include "Experiment.h"
#include "Files.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "PathOutcome.h"
#include "PotentialLandscape.h"
#include "SystemData.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <vector>

namespace {

std::vector<std::array<float, 4>> path(const SystemData& d)
{
    return {d.trajPoints.begin(), d.trajPoints.begin() + d.numTrajPoints};
}

} // namespace

class TestCoreEditing : public QObject
{
    Q_OBJECT

private slots:
    void editUndoRedoFollowsThePath();
    void dragIsOneStep();
    void loadIsOneStep();
    void forgottenPointStaysForgotten();
    void addAndRemoveMagnets();
    void outcomeAgreesWithTheMap();
};

void TestCoreEditing::editUndoRedoFollowsThePath()
{
    SystemData d;
    Experiment experiment(&d);
    ModelEditor editor(&d, &experiment);
    QSignalSpy changed(&editor, &ModelEditor::modelChanged);
    experiment.release(0.05, -0.02);
    const auto original = path(d);
    QCOMPARE(int(original.size()), d.maxNumPoints);

    editor.edit("gravity", [](ModelState& s) { s.physics.gravity = 3.0; });
    QCOMPARE(d.gravity, 3.0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(editor.undoStack()->undoText(), QString("gravity"));
    // The path was computed again from the same point, under the new gravity.
    QCOMPARE(d.trajPoints[0][0], 0.05f);
    const auto weaker = path(d);
    QVERIFY(weaker != original);

    editor.undoStack()->undo();
    QCOMPARE(d.gravity, 9.81);
    QVERIFY(path(d) == original);
    editor.undoStack()->redo();
    QCOMPARE(d.gravity, 3.0);
    QVERIFY(path(d) == weaker);

    // A change that changes nothing is no step.
    editor.edit("nothing", [](ModelState& s) { s.physics.gravity = 3.0; });
    QCOMPARE(editor.undoStack()->count(), 1);

    // Removing every magnet is a state like any other, and comes back whole.
    editor.edit("remove all", [](ModelState& s) { s.physics.magnets.clear(); });
    QVERIFY(d.magnets.isEmpty());
    editor.undoStack()->undo();
    QCOMPARE(d.magnets.size(), 3);
    QCOMPARE(d.magnets[2].color[2], 1.0f);
    QCOMPARE(SystemData::pickIdFromColor(qRound(d.magnets[2].pickColor[0] * 255),
                                         qRound(d.magnets[2].pickColor[1] * 255),
                                         qRound(d.magnets[2].pickColor[2] * 255)),
             1002);
}

void TestCoreEditing::dragIsOneStep()
{
    SystemData d;
    Experiment experiment(&d);
    ModelEditor editor(&d, &experiment);
    experiment.release(0.04, 0.01);
    const auto original = path(d);

    editor.beginLiveEdit("Move magnet 1");
    for (int i = 1; i <= 5; ++i) {
        editor.moveMagnet(1, 0.03 + 0.002 * i, d.magnets[1].posY);
        QCOMPARE(d.trajPoints[0][0], 0.04f); // follows the magnet as it moves
    }
    const auto moved = path(d);
    QVERIFY(moved != original);
    editor.endLiveEdit();
    QCOMPARE(editor.undoStack()->count(), 1);
    QCOMPARE(editor.undoStack()->undoText(), QString("Move magnet 1"));
    QVERIFY(path(d) == moved); // pushing the finished drag changes nothing

    editor.undoStack()->undo();
    QCOMPARE(d.magnets[1].posX, 0.03f);
    QVERIFY(path(d) == original);
    editor.undoStack()->redo();
    QCOMPARE(d.magnets[1].posX, 0.04f);
    QVERIFY(path(d) == moved);
}

void TestCoreEditing::loadIsOneStep()
{
    SystemData d;
    Experiment experiment(&d);
    ModelEditor editor(&d, &experiment);
    experiment.release(0.03, 0.03);
    QTemporaryDir dir;
    const QString name = dir.filePath("two.par");
    writeFile(name, "gravity 5\nmagnet 0.01 0.01 1 1 0 1\nmagnet -0.01 0.01 0 1 1 1\n");

    QVERIFY(editor.load(name).ok);
    QCOMPARE(d.magnets.size(), 2);
    QCOMPARE(editor.undoStack()->undoText(), QString("Load two.par"));
    // The experiment goes on from its point in the loaded set.
    QCOMPARE(d.numTrajPoints, d.maxNumPoints);
    QCOMPARE(d.trajPoints[0][1], 0.03f);

    QVERIFY(!editor.load(dir.filePath("missing.par")).ok);
    QCOMPARE(editor.undoStack()->count(), 1);
    editor.undoStack()->undo();
    QCOMPARE(d.magnets.size(), 3);
    QCOMPARE(d.gravity, 9.81);
}

void TestCoreEditing::forgottenPointStaysForgotten()
{
    SystemData d;
    Experiment experiment(&d);
    ModelEditor editor(&d, &experiment);
    QSignalSpy pathChanged(&experiment, &Experiment::pathChanged);
    experiment.release(0.02, 0.02);
    experiment.forget();
    QCOMPARE(d.numTrajPoints, 0);
    QVERIFY(!experiment.hasReleasePoint());
    editor.edit("gravity", [](ModelState& s) { s.physics.gravity = 2.0; });
    QCOMPARE(d.numTrajPoints, 0);
    QCOMPARE(pathChanged.count(), 2);

    // The first click of a double-click is taken back: the point before it returns.
    experiment.release(0.01, 0.02);
    experiment.release(0.05, 0.05);
    experiment.revertRelease();
    QCOMPARE(experiment.releaseX(), 0.01);
    QCOMPARE(d.trajPoints[0][1], 0.02f);
    experiment.forget();
    experiment.release(0.05, 0.05);
    experiment.revertRelease();
    QVERIFY(!experiment.hasReleasePoint());
    QCOMPARE(d.numTrajPoints, 0);
}

void TestCoreEditing::addAndRemoveMagnets()
{
    SystemData d;
    Experiment experiment(&d);
    ModelEditor editor(&d, &experiment);

    // A new magnet takes a colour no magnet has yet, strength 1.
    editor.addMagnet(0.05, 0.06);
    QCOMPARE(d.magnets.size(), 4);
    const Magnet& added = d.magnets[3];
    QCOMPARE(added.posX, 0.05f);
    QCOMPARE(added.alpha, 1.0f);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!std::equal(added.color, added.color + 3, d.magnets[i].color));

    // Removing renumbers the pick ids by position; undo brings the magnet back.
    editor.removeMagnet(0);
    QCOMPARE(d.magnets.size(), 3);
    QCOMPARE(d.magnets[0].posX, 0.03f);
    QCOMPARE(SystemData::pickIdFromColor(qRound(d.magnets[2].pickColor[0] * 255),
                                         qRound(d.magnets[2].pickColor[1] * 255), 0),
             1002);
    QCOMPARE(editor.undoStack()->undoText(), QString("Remove magnet 0"));
    editor.undoStack()->undo();
    QCOMPARE(d.magnets[0].posX, -0.03f);
    editor.removeMagnet(7); // no such magnet: nothing happens
    QVERIFY(editor.undoStack()->canRedo());

    // The free spot keeps clear of every magnet, and lies on the plate.
    editor.addMagnetAtFreeSpot();
    const Magnet& free = d.magnets.last();
    for (int i = 0; i + 1 < d.magnets.size(); ++i)
        QVERIFY(std::hypot(free.posX - d.magnets[i].posX, free.posY - d.magnets[i].posY) > 0.03);
    QVERIFY(std::hypot(free.posX, free.posY) < d.pendulumLength * std::sin(5.0 * M_PI / 180.0));

    // With no magnets left the first one goes to the centre.
    editor.edit("clear", [](ModelState& s) { s.physics.magnets.clear(); });
    editor.addMagnetAtFreeSpot();
    QCOMPARE(d.magnets.size(), 1);
    QCOMPARE(d.magnets[0].posX, 0.0f);
    QCOMPARE(d.magnets[0].color[0], 1.0f);
}

void TestCoreEditing::outcomeAgreesWithTheMap()
{
    // A long path from a point ends where the map says that point's bob is caught.
    SystemData d;
    d.maxNumPoints = 20000;
    const double x0 = 0.061, y0 = -0.047;
    d.computeTrajectory(x0, y0);
    const PotentialLandscape landscape(ModelState::of(d).physics);
    const PathOutcome outcome = PathOutcome::of(d, landscape);
    QCOMPARE(outcome.ending, PathOutcome::Ending::Rests);
    QVERIFY(outcome.magnet >= 0);
    QVERIFY(
        outcome.describe().endsWith(QString("comes to rest over magnet %1").arg(outcome.magnet)));
    QVERIFY(outcome.duration > 0.0);

    BasinRequest one = ModelState::of(d).basinRequest();
    one.left = x0 - 1e-6;
    one.right = x0 + 1e-6;
    one.bottom = y0 - 1e-6;
    one.top = y0 + 1e-6;
    one.width = one.height = 1;
    one.threads = 1;
    BasinEngine engine;
    QVERIFY(engine.run(one));
    const int a = engine.result().attractor[0];
    QVERIFY(a >= 0);
    QCOMPARE(engine.result().attractors[std::size_t(a)].magnet, outcome.magnet);

    // A path cut short, or without friction, has not come to rest.
    d.maxNumPoints = 20;
    d.computeTrajectory(x0, y0);
    QCOMPARE(PathOutcome::of(d, landscape).ending, PathOutcome::Ending::Moving);
    QVERIFY(PathOutcome::of(d, landscape).describe().startsWith("20 samples over "));
    d.numTrajPoints = 0;
    QCOMPARE(PathOutcome::of(d, landscape).ending, PathOutcome::Ending::NoPath);
}

QTEST_GUILESS_MAIN(TestCoreEditing)
#include "tst_core_editing.moc"
