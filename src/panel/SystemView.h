#ifndef ORVALIS_SYSTEMVIEW_H
#define ORVALIS_SYSTEMVIEW_H

#include <QColor>
#include <QDockWidget>

#include <array>

class DoubleEdit;
class EnergyPlot;
class Experiment;
class ModelEditor;
struct ModelState;
class Playback;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class SystemData;

// The dock "Parameters": editors that mirror the model's pendulum, magnet and
// trajectory fields, and the playback controls. It holds no model data itself;
// the model is borrowed and outlives the panel, and every change goes through
// the editor.
class SystemView : public QDockWidget
{
    Q_OBJECT

public:
    // Edits go through the editor, so each is an undo step that keeps the
    // experiment; the release point is the experiment's; the Animate group
    // steers the playback.
    SystemView(SystemData* data, ModelEditor* editor, Experiment* experiment, Playback* playback,
               QWidget* parent = nullptr);
    ~SystemView() override;

    QSize sizeHint() const override;

    // The time slider counts milliseconds of the playback clock: a tick at 1x is 10.
    static constexpr double kSliderSteps = 1000.0;

signals:
    void emitReset();
    // The window runs the timers: the simulation's, one tick of it, and the playback's.
    void simulationSwitched(bool on);
    void simulationStepRequested();
    void playbackSwitched(bool on);

public slots:
    void SetTimer(bool on);
    void SingleTimeStep();
    void Reset();
    void Play();
    // A loaded set takes the place of what the person typed and did not
    // apply; the refill that follows shows it.
    void DropTypedValues();
    void AnimPlay();
    void SetAnimTimer(bool on);
    void AnimReset();
    void SingleAnimTimeStep();
    void ShowReleasePoint();
    // Shows the model after an edit, keeping what the person is still typing.
    void ShowModel();
    // The time slider, the model time and the energy plot follow the
    // playback and the length of the path.
    void ShowPlayback();
    // A new path: its energy and capture in the plot.
    void ShowPath();

protected slots:
    void updateParams();
    void changeMagnet(int i);
    void setMagnetParams();
    void setMagnetColor();
    void setTScale();
    void setLineWidth(int n);
    void setLineColor();
    void setMaxNumPoints(int n);
    void setUntilCaught(bool on);
    void releaseAtTypedPoint();
    void addMagnet();
    void removeMagnet();
    void setAnimSpeed(int index);
    void seekAnim(int position);
    // Holding the time slider pauses a running playback until it is let go.
    void scrubStarted();
    void scrubFinished();

protected:
    // Runs the modal colour dialog; an invalid colour means it was cancelled.
    // Virtual so that tests can answer without a dialog.
    virtual QColor chooseColor(const QColor& initial);

    SystemData* data = nullptr;
    ModelEditor* editor = nullptr;
    Experiment* experiment = nullptr;
    Playback* playback = nullptr;

    QLabel* heightLabel = nullptr;
    DoubleEdit* heightEdit = nullptr;
    QLabel* lengthLabel = nullptr;
    DoubleEdit* lengthEdit = nullptr;
    QLabel* gravityLabel = nullptr;
    DoubleEdit* gravityEdit = nullptr;
    QLabel* dampingLabel = nullptr;
    DoubleEdit* dampingEdit = nullptr;
    QLabel* kappaLabel = nullptr;
    DoubleEdit* kappaEdit = nullptr;
    QLabel* magFactorLabel = nullptr;
    DoubleEdit* magFactorEdit = nullptr;
    QLabel* maxThetaLabel = nullptr;
    DoubleEdit* maxThetaEdit = nullptr;

    QLabel* lineWidthLabel = nullptr;
    QSpinBox* lineWidthSpin = nullptr;
    QLabel* lineColorLabel = nullptr;
    QPushButton* lineColorButton = nullptr;
    QLabel* maxNumPointsLabel = nullptr;
    QSpinBox* maxNumPointsSpin = nullptr;
    QCheckBox* untilCaughtBox = nullptr;

    QLabel* magnetIdLabel = nullptr;
    QSpinBox* magnetIdSpin = nullptr;
    QLabel* magnetPosXLabel = nullptr;
    DoubleEdit* magnetPosXEdit = nullptr;
    QLabel* magnetPosYLabel = nullptr;
    DoubleEdit* magnetPosYEdit = nullptr;
    QLabel* magnetAlphaLabel = nullptr;
    DoubleEdit* magnetAlphaEdit = nullptr;
    QLabel* magnetColorLabel = nullptr;
    QPushButton* magnetColorButton = nullptr;
    QPushButton* magnetAddButton = nullptr;
    QPushButton* magnetRemoveButton = nullptr;

    QLabel* releaseXLabel = nullptr;
    DoubleEdit* releaseXEdit = nullptr;
    QLabel* releaseYLabel = nullptr;
    DoubleEdit* releaseYEdit = nullptr;

    QPushButton* simResetButton = nullptr;
    QPushButton* simPlayButton = nullptr;
    QPushButton* simStepButton = nullptr;

    QLabel* tScaleLabel = nullptr;
    DoubleEdit* tScaleEdit = nullptr;

    QPushButton* animResetButton = nullptr;
    QPushButton* animPlayButton = nullptr;
    QPushButton* animStepButton = nullptr;
    QComboBox* animSpeedBox = nullptr;
    QSlider* animTimeSlider = nullptr;
    QLabel* animTimeLabel = nullptr;
    EnergyPlot* energyPlot = nullptr;
    bool resumeAfterScrub = false;

    QGroupBox* animateGroup = nullptr;

private:
    // An editor of the pendulum group, its label, and the value it shows.
    struct PendulumField
    {
        DoubleEdit* edit;
        QLabel* label;
        double& (*value)(ModelState& state);
    };
    std::array<PendulumField, 7> pendulumFields() const;
    // The editors of the pendulum and the selected magnet.
    QList<DoubleEdit*> modelEdits() const;
    // Refills the editors from the model; keepEdits spares those with text
    // the person has changed and not applied.
    void fill(bool keepEdits);
    void showMagnet(int i, bool keepEdits);
    // Shared by SetTimer and SetAnimTimer: shows a timer running or stopped on its buttons.
    static void showRunning(QPushButton* playButton, QPushButton* stepButton, bool on);
};

#endif
