// Edits of the model as undo steps, and the path that follows them.
#include "Experiment.h"
#include "ModelEditor.h"
#include "SystemData.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
        d.magnets[1].posX = 0.03f + 0.002f * float(i);
        editor.liveChanged();
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
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("gravity 5\nmagnet 0.01 0.01 1 1 0 1\nmagnet -0.01 0.01 0 1 1 1\n");
    file.close();

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
}

QTEST_GUILESS_MAIN(TestCoreEditing)
#include "tst_core_editing.moc"
