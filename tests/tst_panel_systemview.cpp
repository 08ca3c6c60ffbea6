
#include "DoubleEdit.h"
#include "EnergyPlot.h"
#include "Experiment.h"
#include "ModelEditor.h"
#include "Playback.h"
#include "SystemData.h"
#include "SystemView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMetaMethod>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QUndoStack>

#include <cmath>
#include <memory>

namespace {

// Opens the editors to the test and answers the colour dialogs without showing one.
class PanelUnderTest : public SystemView
{
public:
    using SystemView::SystemView;

    using SystemView::dampingEdit;
    using SystemView::gravityEdit;
    using SystemView::heightEdit;
    using SystemView::kappaEdit;
    using SystemView::lengthEdit;
    using SystemView::magFactorEdit;
    using SystemView::maxThetaEdit;

    using SystemView::lineColorButton;
    using SystemView::lineWidthSpin;
    using SystemView::maxNumPointsSpin;
    using SystemView::untilCaughtBox;

    using SystemView::magnetAddButton;
    using SystemView::magnetAlphaEdit;
    using SystemView::magnetColorButton;
    using SystemView::magnetIdSpin;
    using SystemView::magnetPosXEdit;
    using SystemView::magnetPosYEdit;
    using SystemView::magnetRemoveButton;
    using SystemView::releaseXEdit;
    using SystemView::releaseYEdit;

    using SystemView::simPlayButton;
    using SystemView::simResetButton;
    using SystemView::simStepButton;
    using SystemView::tScaleEdit;

    using SystemView::animPlayButton;
    using SystemView::animResetButton;
    using SystemView::animSpeedBox;
    using SystemView::animStepButton;
    using SystemView::animTimeLabel;
    using SystemView::animTimeSlider;
    using SystemView::energyPlot;

    QColor answer;           // what the "dialog" returns; invalid means cancelled
    QList<QColor> askedWith; // the initial colour of every dialog opened

protected:
    QColor chooseColor(const QColor& initial) override
    {
        askedWith.append(initial);
        return answer;
    }
};

// What the main window sets up around the panel: the model, its editor, and
// the dock; `playing` stands for the playback timer the panel switches.
struct Rig
{
    SystemData data;
    Experiment experiment{&data};
    ModelEditor editor{&data, &experiment};
    Playback playback{&data};
    QMainWindow window;
    PanelUnderTest* panel = nullptr;
    bool playing = false;

    Rig()
    {
        window.setCentralWidget(new QWidget);
        panel = new PanelUnderTest(&data, &editor, &experiment, &playback);
        window.addDockWidget(Qt::RightDockWidgetArea, panel);
        QObject::connect(&editor, &ModelEditor::modelLoaded, panel, &SystemView::DropTypedValues);
        QObject::connect(&editor, &ModelEditor::modelChanged, panel, &SystemView::ShowModel);
        QObject::connect(&experiment, &Experiment::pathChanged, panel,
                         &SystemView::ShowReleasePoint);
        QObject::connect(panel, &SystemView::playbackSwitched, panel,
                         [this](bool on) { playing = on; });
    }
};

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QColor buttonColor(const QPushButton* button)
{
    return button->palette().color(QPalette::Button);
}

} // namespace

class TestSystemView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void showsTheModelDefaults();
    void isAParametersDock();
    void constructionLeavesTheModelAlone();
    void returnAppliesOnlyChangedPendulumValues();
    void refusesValuesOutsideTheRanges_data();
    void refusesValuesOutsideTheRanges();
    void returnAppliesNothingWhileAFieldIsRefused();
    void showsExtremeValuesInScientific();
    void undoKeysInAFieldUndoTheModel();
    void loadingRefillsAndClampsTheMagnetId();
    void emptyMagnetListIsLeftAlone();
    void magnetEditsReachTheModel();
    void returnAppliesOnlyChangedMagnetValues();
    void showsTheSelectedMagnetKeepingTypedText();
    void playbackFollowsItsButton();
    void stepsChangeStopsPlayback();
    void playbackStepAndRewind();
    void playAtTheEndStartsAgain();
    void speedSetsTheTick();
    void sliderScrubsAndFollows();
    void untilCaughtRunsThePathToItsCapture();
    void energyPlotMarksCaptureAndPlayback();
    void cancelledColourDialogsChangeNothing();
    void chosenColoursAreStored();
    void typedReleasePoint();
    void addAndRemoveButtons();

private:
    std::unique_ptr<Rig> rig;
    PanelUnderTest* panel = nullptr;
    SystemData* data = nullptr;
};

void TestSystemView::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestSystemView::init()
{
    rig = std::make_unique<Rig>();
    panel = rig->panel;
    data = &rig->data;
    rig->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig->window));
}

void TestSystemView::cleanup()
{
    rig.reset();
}

void TestSystemView::showsTheModelDefaults()
{
    QCOMPARE(panel->dampingEdit->text(), QString("1.000"));
    QCOMPARE(panel->maxThetaEdit->text(), QString("5.00"));
    QCOMPARE(panel->lineWidthSpin->value(), 2);
    QCOMPARE(panel->maxNumPointsSpin->value(), 1500);
    QCOMPARE(panel->magnetIdSpin->value(), 0);
    QCOMPARE(panel->magnetIdSpin->minimum(), 0);
    QCOMPARE(panel->magnetIdSpin->maximum(), 2);
    QCOMPARE(panel->magnetPosXEdit->text(), QString("-0.030"));
    QCOMPARE(panel->magnetPosYEdit->text(), QString("-0.030"));
    QCOMPARE(panel->magnetAlphaEdit->text(), QString("1.000"));
    QCOMPARE(buttonColor(panel->magnetColorButton), QColor(255, 0, 0));
    QCOMPARE(buttonColor(panel->lineColorButton), QColor(Qt::white));
    QVERIFY(panel->magnetColorButton->text().isEmpty());
    QVERIFY(panel->lineColorButton->text().isEmpty());

    // Every parameter of the model is in reach.
    const QList<QPair<DoubleEdit*, QString>> pendulum{
        {panel->heightEdit, "2.02"},     {panel->lengthEdit, "2.00"},
        {panel->gravityEdit, "9.81"},    {panel->kappaEdit, "1.000"},
        {panel->magFactorEdit, "0.010"}, {panel->dampingEdit, "1.000"},
        {panel->maxThetaEdit, "5.00"}};
    for (const auto& [edit, text] : pendulum) {
        QCOMPARE(edit->text(), text);
        QVERIFY(edit->isVisible());
    }
    const QList<QWidget*> shown{
        panel->lineWidthSpin,      panel->lineColorButton,   panel->maxNumPointsSpin,
        panel->magnetIdSpin,       panel->magnetPosXEdit,    panel->magnetPosYEdit,
        panel->magnetAlphaEdit,    panel->magnetColorButton, panel->magnetAddButton,
        panel->magnetRemoveButton, panel->releaseXEdit,      panel->releaseYEdit,
        panel->animResetButton,    panel->animPlayButton,    panel->animStepButton};
    for (QWidget* widget : shown)
        QVERIFY(widget->isVisible());
    // No release point yet: nothing to show.
    QVERIFY(panel->releaseXEdit->text().isEmpty());

    // The time scale is read by nothing and stays hidden.
    QCOMPARE(panel->tScaleEdit->text(), QString("1.00"));
    QVERIFY(!panel->tScaleEdit->parentWidget());
    for (QPushButton* button : {panel->simResetButton, panel->simPlayButton, panel->simStepButton})
        QVERIFY(!button->parentWidget());
}

void TestSystemView::isAParametersDock()
{
    QCOMPARE(panel->windowTitle(), QString("Parameters"));
    QCOMPARE(panel->features(), QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                                    QDockWidget::DockWidgetFloatable);
    QCOMPARE(panel->sizeHint(), QSize(100, 50));

    auto* grid = qobject_cast<QGridLayout*>(panel->widget()->layout());
    QVERIFY(grid);
    QStringList groups;
    for (int row = 0; row < grid->rowCount(); ++row)
        if (QLayoutItem* item = grid->itemAtPosition(row, 0))
            groups << qobject_cast<QGroupBox*>(item->widget())->title();
    QCOMPARE(groups,
             QStringList({"Pendulum", "Magnets", "Release point", "Trajectory", "Animate"}));

    // Connections by index and the main window's wiring rely on this order.
    const QMetaObject& meta = SystemView::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        const char* kind = method.methodType() == QMetaMethod::Signal ? "signal"
                           : method.access() == QMetaMethod::Public   ? "public"
                                                                      : "protected";
        methods << QString("%1 %2").arg(QString(method.methodSignature()), kind);
    }
    QCOMPARE(methods, QStringList({"emitReset() signal",
                                   "simulationSwitched(bool) signal",
                                   "simulationStepRequested() signal",
                                   "playbackSwitched(bool) signal",
                                   "SetTimer(bool) public",
                                   "SingleTimeStep() public",
                                   "Reset() public",
                                   "Play() public",
                                   "DropTypedValues() public",
                                   "AnimPlay() public",
                                   "SetAnimTimer(bool) public",
                                   "AnimReset() public",
                                   "SingleAnimTimeStep() public",
                                   "ShowReleasePoint() public",
                                   "ShowModel() public",
                                   "ShowPlayback() public",
                                   "ShowPath() public",
                                   "updateParams() protected",
                                   "changeMagnet(int) protected",
                                   "setMagnetParams() protected",
                                   "setMagnetColor() protected",
                                   "setTScale() protected",
                                   "setLineWidth(int) protected",
                                   "setLineColor() protected",
                                   "setMaxNumPoints(int) protected",
                                   "setUntilCaught(bool) protected",
                                   "releaseAtTypedPoint() protected",
                                   "addMagnet() protected",
                                   "removeMagnet() protected",
                                   "setAnimSpeed(int) protected",
                                   "seekAnim(int) protected",
                                   "scrubStarted() protected",
                                   "scrubFinished() protected"}));
}

void TestSystemView::constructionLeavesTheModelAlone()
{
    data->computeTrajectory(0.05, 0.05);
    const int points = data->numTrajPoints;
    QVERIFY(points > 1);
    panel->SetAnimTimer(true);

    {
        PanelUnderTest another(data, &rig->editor, &rig->experiment, &rig->playback);
        QCOMPARE(another.dampingEdit->text(), QString("1.000"));
    }
    QCOMPARE(data->numTrajPoints, points);
    QCOMPARE(data->maxNumPoints, 1500);
    QVERIFY(rig->playing);
    QCOMPARE(data->magnets.size(), 3);
}

void TestSystemView::returnAppliesOnlyChangedPendulumValues()
{
    // Values finer than the editors show, as a parameter file may hold them.
    rig->editor.load(QStringLiteral(ORVALIS_TEST_DATA "/panel_fine_values.par"));
    QCOMPARE(panel->magFactorEdit->text(), QString("0.005"));
    rig->experiment.release(0.05, 0.05);
    const auto before = data->trajPoints;
    QVERIFY(data->numTrajPoints > 1);
    QSignalSpy changes(&rig->editor, &ModelEditor::modelChanged);

    // Stepping alone only changes the text.
    QTest::keyClick(panel->maxThetaEdit, Qt::Key_Up);
    QCOMPARE(panel->maxThetaEdit->text(), QString("7.51"));
    QCOMPARE(data->maxTheta, 7.5);

    typeInto(panel->dampingEdit, "0.25");
    QCOMPARE(data->damping, 1.0);
    QTest::keyClick(panel->dampingEdit, Qt::Key_Return);

    // What was typed or stepped is applied; the rest keeps every digit.
    QCOMPARE(data->damping, 0.25);
    QCOMPARE(data->maxTheta, 7.51);
    QCOMPARE(data->pendulumHeight, 2.0125);
    QCOMPARE(data->pendulumLength, 1.99875);
    QCOMPARE(data->gravity, 9.80665);
    QCOMPARE(data->kappa, 1.5);
    QCOMPARE(data->magFactor, 0.005);
    // The experiment goes on: the same release point under the new damping.
    QCOMPARE(data->trajPoints[0][0], 0.05f);
    QVERIFY(data->numTrajPoints > 1 && data->trajPoints != before);
    QCOMPARE(rig->editor.undoStack()->undoText(), QString("Set pendulum parameters"));
    QCOMPARE(changes.count(), 1);

    // Applied once: a later Return elsewhere does not read them again.
    data->damping = 0.125;
    QTest::keyClick(panel->maxThetaEdit, Qt::Key_Return);
    QCOMPARE(data->damping, 0.125);
    QCOMPARE(data->maxTheta, 7.51);

    // One value changed is named in the undo step; undo brings everything back.
    typeInto(panel->gravityEdit, "3");
    QTest::keyClick(panel->gravityEdit, Qt::Key_Return);
    QCOMPARE(rig->editor.undoStack()->undoText(), QString("Set gravity"));
    rig->editor.undoStack()->undo();
    QCOMPARE(panel->gravityEdit->text(), QString("9.81"));
    rig->editor.undoStack()->undo();
    QCOMPARE(data->damping, 1.0);
    QCOMPARE(panel->maxThetaEdit->text(), QString("7.50"));
}

void TestSystemView::refusesValuesOutsideTheRanges_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    const auto row = [](const char* editor, const char* typed, bool accepted) {
        QTest::addRow("%s %s", editor, typed) << QString(editor) << QString(typed) << accepted;
    };
    // What a parameter file may hold, the dock takes.
    row("maxTheta", "0", false);
    row("maxTheta", "90", true);
    row("maxTheta", "90.01", false);
    row("damping", "0", true);
    row("damping", "-0.5", false);
    row("gravity", "-9.81", false);
    row("gravity", "1e400", false);
    row("posX", "5", true);
    row("posY", "-1.5", true);
    row("posY", "1e39", false); // a magnet's position is single precision
    row("alpha", "-1e39", false);
    row("Length", "0", false);
    row("Height", "0", false);
}

void TestSystemView::refusesValuesOutsideTheRanges()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);

    const QMap<QString, DoubleEdit*> editors{
        {"maxTheta", panel->maxThetaEdit}, {"damping", panel->dampingEdit},
        {"gravity", panel->gravityEdit},   {"posX", panel->magnetPosXEdit},
        {"posY", panel->magnetPosYEdit},   {"alpha", panel->magnetAlphaEdit},
        {"Length", panel->lengthEdit},     {"Height", panel->heightEdit}};
    DoubleEdit* edit = editors.value(editor);
    QSignalSpy returned(edit, &QLineEdit::returnPressed);
    typeInto(edit, typed);
    // Every key stays; refused text is marked instead.
    QCOMPARE(edit->text(), typed);
    QCOMPARE(edit->showsInvalid(), !accepted);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(returned.count(), accepted ? 1 : 0);
}

void TestSystemView::returnAppliesNothingWhileAFieldIsRefused()
{
    const int steps = rig->editor.undoStack()->count();
    typeInto(panel->gravityEdit, "-1");
    typeInto(panel->dampingEdit, "0,5");
    QTest::keyClick(panel->dampingEdit, Qt::Key_Return);
    QCOMPARE(data->damping, 1.0);
    QCOMPARE(data->gravity, 9.81);
    QCOMPARE(rig->editor.undoStack()->count(), steps);
    QCOMPARE(panel->gravityEdit->text(), QString("-1"));

    // Mended, one Return takes both, the comma as the decimal point.
    typeInto(panel->gravityEdit, "3");
    QTest::keyClick(panel->gravityEdit, Qt::Key_Return);
    QCOMPARE(data->gravity, 3.0);
    QCOMPARE(data->damping, 0.5);
    QCOMPARE(panel->dampingEdit->text(), QString("0.500"));
}

void TestSystemView::showsExtremeValuesInScientific()
{
    rig->editor.load(QStringLiteral(ORVALIS_TEST_DATA "/panel_extreme_values.par"));
    QCOMPARE(data->gravity, 1e308);
    QCOMPARE(panel->gravityEdit->text(), QString("1.00e+308"));
    QCOMPARE(panel->magnetPosXEdit->text(), QString("1.500e+07"));
    QVERIFY(!panel->gravityEdit->showsInvalid() && !panel->magnetPosXEdit->showsInvalid());

    typeInto(panel->gravityEdit, "1e300");
    QTest::keyClick(panel->gravityEdit, Qt::Key_Return);
    QCOMPARE(data->gravity, 1e300);
    QCOMPARE(panel->gravityEdit->text(), QString("1.00e+300"));
}

void TestSystemView::undoKeysInAFieldUndoTheModel()
{
    // The window's Edit menu, as the program sets it up.
    QUndoStack* history = rig->editor.undoStack();
    QAction* undo = history->createUndoAction(&rig->window);
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = history->createRedoAction(&rig->window);
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    rig->window.addActions({undo, redo});
    rig->window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig->window));

    typeInto(panel->lengthEdit, "1.5");
    QTest::keyClick(panel->lengthEdit, Qt::Key_Return);
    typeInto(panel->gravityEdit, "3");
    QTest::keyClick(panel->gravityEdit, Qt::Key_Return);
    QCOMPARE(history->count(), 2);
    panel->gravityEdit->setFocus();
    QTRY_VERIFY(panel->gravityEdit->hasFocus());

    // Nothing unapplied: one step of the model's history per key.
    QTest::keyClick(panel->gravityEdit, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(data->gravity, 9.81);
    QCOMPARE(data->pendulumLength, 1.5);
    QCOMPARE(panel->gravityEdit->text(), QString("9.81"));
    QTest::keyClick(panel->gravityEdit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(data->gravity, 3.0);
    QCOMPARE(history->index(), 2);

    // Text still being typed is the field's own to take back.
    panel->gravityEdit->end(false);
    QTest::keyClick(panel->gravityEdit, '4');
    QTest::keyClick(panel->gravityEdit, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(panel->gravityEdit->text(), QString("3.00"));
    QCOMPARE(history->index(), 2);
}

void TestSystemView::loadingRefillsAndClampsTheMagnetId()
{
    panel->magnetIdSpin->setValue(2);
    QCOMPARE(panel->magnetPosXEdit->text(), QString("0.000"));
    QCOMPARE(panel->magnetPosYEdit->text(), QString("0.042"));
    rig->experiment.release(0.05, 0.05);

    const QString file = QStringLiteral(ORVALIS_TEST_DATA "/panel_two_magnets.par");
    rig->editor.load(file);
    QCOMPARE(data->magnets.size(), 2);
    QCOMPARE(panel->magnetIdSpin->maximum(), 1);
    QCOMPARE(panel->magnetIdSpin->value(), 1);
    QCOMPARE(panel->magnetPosXEdit->text(), QString("0.040"));
    QCOMPARE(panel->magnetPosYEdit->text(), QString("0.020"));
    QCOMPARE(panel->magnetAlphaEdit->text(), QString("-0.750"));
    QCOMPARE(buttonColor(panel->magnetColorButton), QColor(0, 127, 255));

    QCOMPARE(panel->heightEdit->text(), QString("1.55"));
    QCOMPARE(panel->lengthEdit->text(), QString("1.50"));
    QCOMPARE(panel->gravityEdit->text(), QString("3.71"));
    QCOMPARE(panel->kappaEdit->text(), QString("2.000"));
    QCOMPARE(panel->magFactorEdit->text(), QString("0.020"));
    QCOMPARE(panel->maxThetaEdit->text(), QString("8.00"));
    QCOMPARE(panel->dampingEdit->text(), QString("1.000"));
    QCOMPARE(data->trajPoints[0][1], 0.05f); // the experiment goes on in the loaded set

    // Same index after the next load: the rows are refilled all the same.
    data->magnets[1].posX = 0.9f;
    data->magnets[1].alpha = 4.0f;
    panel->magnetAlphaEdit->setText("4.000");
    rig->editor.load(file);
    QCOMPARE(panel->magnetIdSpin->value(), 1);
    QCOMPARE(panel->magnetPosXEdit->text(), QString("0.040"));
    QCOMPARE(panel->magnetAlphaEdit->text(), QString("-0.750"));
}

void TestSystemView::emptyMagnetListIsLeftAlone()
{
    QSignalSpy changes(&rig->editor, &ModelEditor::modelChanged);
    // What a parameter file that could not be read may leave behind.
    data->magnets.clear();
    QCOMPARE(panel->magnetIdSpin->maximum(), 2);

    panel->magnetIdSpin->setValue(1);
    QCOMPARE(panel->magnetPosXEdit->text(), QString("-0.030"));
    typeInto(panel->magnetPosXEdit, "0.5");
    QTest::keyClick(panel->magnetPosXEdit, Qt::Key_Return);
    QTest::mouseClick(panel->magnetColorButton, Qt::LeftButton);
    panel->ShowModel();

    QVERIFY(data->magnets.isEmpty());
    QCOMPARE(changes.count(), 0);
    QVERIFY(panel->askedWith.isEmpty());
    QCOMPARE(panel->magnetPosYEdit->text(), QString("-0.030"));
}

void TestSystemView::magnetEditsReachTheModel()
{
    panel->magnetIdSpin->setValue(1);
    rig->experiment.release(0.05, 0.05);
    const auto path = data->trajPoints;
    const Magnet before0 = data->magnets[0];

    typeInto(panel->magnetPosXEdit, "0.5");
    typeInto(panel->magnetPosYEdit, "-0.2");
    typeInto(panel->magnetAlphaEdit, "-0.3");
    QCOMPARE(data->magnets[1].posX, 0.03f);
    QTest::keyClick(panel->magnetPosYEdit, Qt::Key_Return);

    QCOMPARE(data->magnets[1].posX, 0.5f);
    QCOMPARE(data->magnets[1].posY, -0.2f);
    QCOMPARE(data->magnets[1].posZ, 0.0f);
    QCOMPARE(data->magnets[1].alpha, -0.3f);
    QCOMPARE(data->magnets[0].posX, before0.posX);
    QCOMPARE(data->magnets[0].alpha, before0.alpha);
    QVERIFY(data->numTrajPoints > 1 && data->trajPoints != path);
    QCOMPARE(rig->editor.undoStack()->undoText(), QString("Edit magnet 1"));

    // A negative strength steps on down instead of snapping to zero.
    QTest::keyClick(panel->magnetAlphaEdit, Qt::Key_Down);
    QCOMPARE(panel->magnetAlphaEdit->text(), QString("-0.301"));
}

void TestSystemView::returnAppliesOnlyChangedMagnetValues()
{
    panel->magnetIdSpin->setValue(2);
    const Magnet before = data->magnets[2];
    QCOMPARE(panel->magnetPosYEdit->text(), QString("0.042"));

    typeInto(panel->magnetAlphaEdit, "2");
    QTest::keyClick(panel->magnetAlphaEdit, Qt::Key_Return);
    QCOMPARE(data->magnets[2].alpha, 2.0f);
    QCOMPARE(data->magnets[2].posX, before.posX);
    QCOMPARE(data->magnets[2].posY, before.posY);

    // A stepped position counts as changed; a refused one holds the group back.
    QTest::keyClick(panel->magnetPosXEdit, Qt::Key_Up);
    typeInto(panel->magnetPosYEdit, "5e40");
    QTest::keyClick(panel->magnetAlphaEdit, Qt::Key_Return);
    QCOMPARE(data->magnets[2].posX, before.posX);
    QCOMPARE(data->magnets[2].posY, before.posY);
    QCOMPARE(panel->magnetPosYEdit->text(), QString("5e40"));
    typeInto(panel->magnetPosYEdit, "5");
    QTest::keyClick(panel->magnetAlphaEdit, Qt::Key_Return);
    QCOMPARE(data->magnets[2].posX, 0.001f);
    QCOMPARE(data->magnets[2].posY, 5.0f);
}

void TestSystemView::showsTheSelectedMagnetKeepingTypedText()
{
    panel->magnetIdSpin->setValue(1);
    data->magnets[1].posX = 0.2f;
    data->magnets[1].posY = -0.1f;
    data->magnets[1].alpha = 3.0f;
    data->magnets[1].color[2] = 1.0f;
    typeInto(panel->magnetPosYEdit, "0.3");
    panel->ShowModel();
    QCOMPARE(panel->magnetPosXEdit->text(), QString("0.200"));
    QCOMPARE(panel->magnetPosYEdit->text(), QString("0.3")); // still being typed
    QCOMPARE(panel->magnetAlphaEdit->text(), QString("3.000"));
    QCOMPARE(buttonColor(panel->magnetColorButton), QColor(0, 255, 255));

    data->magnets[0].posX = 0.7f;
    panel->ShowModel();
    QCOMPARE(panel->magnetPosXEdit->text(), QString("0.200"));
}

void TestSystemView::playbackFollowsItsButton()
{
    data->computeTrajectory(0.05, 0.05);
    QVERIFY(panel->animStepButton->isEnabled());
    QVERIFY(!panel->animPlayButton->isChecked());

    QTest::mouseClick(panel->animPlayButton, Qt::LeftButton);
    QVERIFY(rig->playing);
    QVERIFY(panel->animPlayButton->isChecked());
    QVERIFY(!panel->animStepButton->isEnabled());

    QTest::mouseClick(panel->animPlayButton, Qt::LeftButton);
    QVERIFY(!rig->playing);
    QVERIFY(!panel->animPlayButton->isChecked());
    QVERIFY(panel->animStepButton->isEnabled());

    // The main window's animate() goes through AnimPlay.
    panel->AnimPlay();
    QVERIFY(rig->playing);
    QVERIFY(panel->animPlayButton->isChecked());
    panel->AnimPlay();
    QVERIFY(!rig->playing);
    QVERIFY(!panel->animPlayButton->isChecked());
}

void TestSystemView::stepsChangeStopsPlayback()
{
    rig->experiment.release(0.05, 0.05);
    panel->SetAnimTimer(true);
    QVERIFY(rig->playing);

    QTest::keyClick(panel->maxNumPointsSpin, Qt::Key_Up);
    QCOMPARE(panel->maxNumPointsSpin->value(), 1501);
    QVERIFY(!rig->playing);
    QVERIFY(!panel->animPlayButton->isChecked());
    QVERIFY(panel->animStepButton->isEnabled());
    QCOMPARE(data->maxNumPoints, 1501);
    QCOMPARE(data->numTrajPoints, 1501); // the path follows at once

    // The shortest path the model draws has two samples; #steps shows what is used.
    panel->maxNumPointsSpin->setValue(1);
    QCOMPARE(panel->maxNumPointsSpin->value(), 2);
    QCOMPARE(data->maxNumPoints, 2);
    QTest::keyClick(panel->maxNumPointsSpin, Qt::Key_Down);
    QCOMPARE(panel->maxNumPointsSpin->value(), 2);
    QCOMPARE(data->maxNumPoints, 2);
}

void TestSystemView::playbackStepAndRewind()
{
    data->computeTrajectory(0.05, 0.05);
    data->ResetAnim();
    QSignalSpy moved(&rig->playback, &Playback::moved);

    QTest::mouseClick(panel->animStepButton, Qt::LeftButton);
    QVERIFY(data->animTime > 0.0f);
    QCOMPARE(moved.count(), 1);
    QVERIFY(!rig->playing);

    QTest::mouseClick(panel->animResetButton, Qt::LeftButton);
    QCOMPARE(data->animTime, 0.0f);
    QCOMPARE(data->animPos[0], data->trajPoints[0][0]);
    QCOMPARE(data->animPos[1], data->trajPoints[0][1]);
    QVERIFY(!rig->playing);
}

void TestSystemView::playAtTheEndStartsAgain()
{
    data->computeTrajectory(0.05, 0.05);
    data->ResetAnim();
    // What the main window's ticks do until the clock passes the last sample.
    const auto playToTheEnd = [this] {
        panel->SetAnimTimer(true);
        int ticks = 0;
        while (data->animStep())
            QVERIFY(++ticks < 1000000);
        panel->SetAnimTimer(false);
    };
    playToTheEnd();
    QVERIFY(data->animTime > 0.0f);

    QTest::mouseClick(panel->animPlayButton, Qt::LeftButton);
    QVERIFY(rig->playing);
    QCOMPARE(data->animTime, 0.0f);
    QCOMPARE(data->animPos[0], data->trajPoints[0][0]);
    QVERIFY(data->animStep());
    QTest::mouseClick(panel->animPlayButton, Qt::LeftButton);

    // Paused on the way, play goes on from there.
    const float paused = data->animTime;
    QTest::mouseClick(panel->animPlayButton, Qt::LeftButton);
    QCOMPARE(data->animTime, paused);

    // Ctrl+A reaches the panel as SetAnimTimer(true).
    playToTheEnd();
    panel->SetAnimTimer(true);
    QCOMPARE(data->animTime, 0.0f);
    QVERIFY(panel->animPlayButton->isChecked());
    QVERIFY(data->animStep());

    // A new path after the end of the last one plays from its start too.
    playToTheEnd();
    data->computeTrajectory(0.15, -0.1);
    QTest::mouseClick(panel->animPlayButton, Qt::LeftButton);
    QVERIFY(data->animStep());
}

void TestSystemView::speedSetsTheTick()
{
    rig->experiment.release(0.05, 0.05);
    QCOMPARE(panel->animSpeedBox->count(), 5);
    QCOMPARE(panel->animSpeedBox->currentText(), QString("1×"));
    // A 10 ms tick advances the clock by 0.01 at 1x.
    QCOMPARE(panel->animSpeedBox->itemText(4), QString("4×"));
    panel->animSpeedBox->setCurrentIndex(4);
    QTest::mouseClick(panel->animStepButton, Qt::LeftButton);
    QVERIFY(std::fabs(data->animTime - 0.04) < 1e-6);
}

void TestSystemView::sliderScrubsAndFollows()
{
    QSlider* slider = panel->animTimeSlider;
    QVERIFY(slider->isVisible() && !slider->isEnabled());
    rig->experiment.release(0.05, 0.05);
    const auto lastStamp = [this] { return data->trajTimes[std::size_t(data->numTrajPoints - 1)]; };
    QVERIFY(slider->isEnabled());
    QCOMPARE(slider->maximum(), int(std::lround(lastStamp() * 1000.0)));

    // Dragged forwards and back: the bob goes to that time, and the 3D view shows it.
    QSignalSpy moved(&rig->playback, &Playback::moved);
    const int half = slider->maximum() / 2;
    slider->setValue(half);
    QCOMPARE(data->animTime, float(half / 1000.0));
    slider->setValue(half / 2);
    QCOMPARE(data->animTime, float(half / 2 / 1000.0));
    QCOMPARE(moved.count(), 2);

    // It follows the ticks of the playback, and a new path.
    QTest::mouseClick(panel->animStepButton, Qt::LeftButton);
    QCOMPARE(slider->value(), half / 2 + 10);
    rig->experiment.release(-0.05, 0.08);
    QCOMPARE(slider->value(), 0);
    QCOMPARE(slider->maximum(), int(std::lround(lastStamp() * 1000.0)));

    // Held while playing, the playback waits for it, and goes on when let go.
    panel->SetAnimTimer(true);
    slider->setSliderDown(true);
    QVERIFY(!rig->playing);
    slider->setValue(300);
    QCOMPARE(data->animTime, 0.3f);
    slider->setSliderDown(false);
    QVERIFY(rig->playing);
    panel->SetAnimTimer(false);
}

void TestSystemView::untilCaughtRunsThePathToItsCapture()
{
    rig->experiment.release(0.071, -0.043);
    QCOMPARE(data->numTrajPoints, 1500);
    panel->SetAnimTimer(true);
    QVERIFY(panel->untilCaughtBox->isVisible() && !panel->untilCaughtBox->isChecked());

    QTest::mouseClick(panel->untilCaughtBox, Qt::LeftButton);
    QVERIFY(rig->experiment.untilCaught());
    QVERIFY(!rig->playing); // its path was replaced
    QVERIFY(!panel->maxNumPointsSpin->isEnabled());
    const PathCapture& capture = rig->experiment.capture();
    QVERIFY(capture.caught());
    QCOMPARE(capture.sample, data->numTrajPoints - 1);
    QVERIFY(data->numTrajPoints != 1500);
    // The slider spans the new path; the time shown names the capture.
    QCOMPARE(panel->animTimeSlider->maximum(), int(std::lround(data->trajTimes.back() * 1000.0)));
    const QString caughtAt = QString::number(capture.modelTime(), 'f', 2);
    QCOMPARE(panel->animTimeLabel->text(),
             QStringLiteral("t = 0.00 s, caught at %1 s").arg(caughtAt));
    // A late tick takes the clock past the end, where the bob rests, and the
    // time shown with it.
    int ticks = 0;
    while (rig->playback.advance(400.0))
        QVERIFY(++ticks < 100000);
    QVERIFY(data->animTime > data->trajTimes.back() + 0.02f);
    QCOMPARE(panel->animTimeLabel->text(),
             QStringLiteral("t = %1 s, caught at %1 s").arg(caughtAt));

    // The ordinary path passes the same capture on its way.
    QTest::mouseClick(panel->untilCaughtBox, Qt::LeftButton);
    QVERIFY(!rig->experiment.untilCaught());
    QCOMPARE(data->numTrajPoints, 1500);
    QVERIFY(panel->maxNumPointsSpin->isEnabled());
    QCOMPARE(panel->animTimeLabel->text(),
             QStringLiteral("t = 0.00 s, caught at %1 s").arg(caughtAt));
}

// The capture as a line in the attractor's colour at the path's end, and the
// playback's model time as the marker that follows the slider.
void TestSystemView::energyPlotMarksCaptureAndPlayback()
{
    rig->experiment.setUntilCaught(true);
    rig->experiment.release(0.071, -0.043);
    const PathCapture& capture = rig->experiment.capture();
    QVERIFY(capture.caught());
    const QRgb captureColour = capture.colour.rgb() & 0xffffff;
    constexpr QRgb marker = 0xffc83c;
    EnergyPlot* plot = panel->energyPlot;
    // Whether column x, in the middle row, or one of its neighbours has colour c.
    const auto lineAt = [plot](double x, QRgb c) {
        const QImage image = plot->grab().toImage();
        for (int dx = -1; dx <= 1; ++dx)
            if ((image.pixel(int(x) + dx, image.height() / 2) & 0xffffff) == c)
                return true;
        return false;
    };
    QVERIFY(plot->width() > 20);
    QVERIFY(lineAt(plot->xOf(capture.modelTime()), captureColour));
    QVERIFY(!lineAt(plot->xOf(0.5 * capture.modelTime()), captureColour));

    const int half = panel->animTimeSlider->maximum() / 2;
    panel->animTimeSlider->setValue(half);
    const double time = 0.5 * half / 1000.0;
    QVERIFY(lineAt(plot->xOf(time), marker));
    QVERIFY(!lineAt(plot->xOf(0.5 * time), marker));
}

void TestSystemView::cancelledColourDialogsChangeNothing()
{
    data->magnets[0].color[0] = 0.5f;
    data->magnets[0].color[1] = 0.999f;
    data->magnets[0].color[2] = 0.2f;
    data->magnets[0].color[3] = 0.3f;
    panel->magnetIdSpin->setValue(1);
    panel->magnetIdSpin->setValue(0);
    QCOMPARE(buttonColor(panel->magnetColorButton), QColor(127, 254, 51));

    QTest::mouseClick(panel->magnetColorButton, Qt::LeftButton);
    QTest::mouseClick(panel->lineColorButton, Qt::LeftButton);
    QCOMPARE(panel->askedWith, QList<QColor>({QColor(127, 254, 51), QColor(Qt::white)}));

    QCOMPARE(data->magnets[0].color[0], 0.5f);
    QCOMPARE(data->magnets[0].color[3], 0.3f);
    QCOMPARE(buttonColor(panel->magnetColorButton), QColor(127, 254, 51));
    QCOMPARE(data->lineColor, QColor(Qt::white));
    QCOMPARE(buttonColor(panel->lineColorButton), QColor(Qt::white));
}

void TestSystemView::chosenColoursAreStored()
{
    panel->magnetIdSpin->setValue(2);
    const QColor chosen(10, 128, 250);
    panel->answer = chosen;

    QTest::mouseClick(panel->magnetColorButton, Qt::LeftButton);
    QCOMPARE(panel->askedWith, QList<QColor>({QColor(0, 0, 255)}));
    const Magnet& magnet = data->magnets[2];
    QCOMPARE(magnet.color[0], float(chosen.redF()));
    QCOMPARE(magnet.color[1], float(chosen.greenF()));
    QCOMPARE(magnet.color[2], float(chosen.blueF()));
    QCOMPARE(magnet.color[3], 1.0f);
    QCOMPARE(buttonColor(panel->magnetColorButton), chosen);
    QCOMPARE(data->magnets[0].color[0], 1.0f);

    QSignalSpy settings(&rig->editor, &ModelEditor::settingsChanged);
    QTest::mouseClick(panel->lineColorButton, Qt::LeftButton);
    QCOMPARE(data->lineColor, chosen);
    QCOMPARE(buttonColor(panel->lineColorButton), chosen);
    QCOMPARE(settings.count(), 1);
    panel->lineWidthSpin->setValue(4);
    QCOMPARE(data->lineWidth, 4);
    QCOMPARE(settings.count(), 2);
}

void TestSystemView::typedReleasePoint()
{
    // Nothing is released until both coordinates are there.
    typeInto(panel->releaseXEdit, "0.04");
    QTest::keyClick(panel->releaseXEdit, Qt::Key_Return);
    QVERIFY(!rig->experiment.hasReleasePoint());
    typeInto(panel->releaseYEdit, "-0.02");
    QTest::keyClick(panel->releaseYEdit, Qt::Key_Return);
    QCOMPARE(rig->experiment.releaseX(), 0.04);
    QCOMPARE(data->trajPoints[0][1], -0.02f);

    // A click elsewhere shows its point; a coordinate not typed keeps every digit.
    rig->experiment.release(0.0123456789, 0.0456789);
    QCOMPARE(panel->releaseXEdit->text(), QString("0.0123"));
    typeInto(panel->releaseYEdit, "0.05");
    QTest::keyClick(panel->releaseYEdit, Qt::Key_Return);
    QCOMPARE(rig->experiment.releaseX(), 0.0123456789);
    QCOMPARE(rig->experiment.releaseY(), 0.05);
}

void TestSystemView::addAndRemoveButtons()
{
    QTest::mouseClick(panel->magnetAddButton, Qt::LeftButton);
    QCOMPARE(data->magnets.size(), 4);
    QCOMPARE(panel->magnetIdSpin->maximum(), 3);
    QCOMPARE(panel->magnetIdSpin->value(), 3); // the new magnet is shown
    QCOMPARE(panel->magnetPosXEdit->text(), QString::number(data->magnets[3].posX, 'f', 3));

    // Down to none: a valid state, with nothing left to edit or remove.
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(panel->magnetRemoveButton, Qt::LeftButton);
    QVERIFY(data->magnets.isEmpty());
    QVERIFY(!panel->magnetRemoveButton->isEnabled());
    QVERIFY(!panel->magnetPosXEdit->isEnabled());
    rig->editor.undoStack()->undo();
    QCOMPARE(data->magnets.size(), 1);
    QVERIFY(panel->magnetRemoveButton->isEnabled());
}

QTEST_MAIN(TestSystemView)
#include "tst_panel_systemview.moc"
