#ifndef ORVALIS_SWEEPDOCK_H
#define ORVALIS_SWEEPDOCK_H

#include "SweepJob.h"
#include "SweepRunner.h"

#include <QDockWidget>
#include <QTimer>

#include <optional>

class FractionPlot;
class ModelEditor;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class SweepPreview;

// The Sweep group: one parameter of the model swept from one value to
// another over a number of frames. The frames' maps are computed in the
// background, coarse first and finer as the frames come round again, while
// the preview plays through them; beside it the shares of the magnets
// against the value, the frame shown marked. A slider picks a frame; Stop
// leaves the model at that frame's value, as one step of the undo history.
// An edit of the model or of the sweep's values while it runs starts it
// anew from the edited ones.
class SweepDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit SweepDock(ModelEditor* editor, QWidget* parent = nullptr);
    ~SweepDock() override;

    // Side of each frame's square map in pixels, for the next sweep.
    void setGrid(int pixels) { grid = pixels; }
    // Model time after which a pixel is undecided, for the next sweep.
    void setMaxTime(double seconds) { maxTime = seconds; }

    bool isSweeping() const { return job.has_value(); }
    bool isPlaying() const { return playTimer.isActive(); }
    int currentFrame() const;
    // The sweep shown, while there is one.
    const std::optional<SweepJob>& sweepJob() const { return job; }
    const SweepRunner& frames() const { return runner; }

public slots:
    // A sweep of what the controls say, from the model as it is now.
    void startSweep();
    // Ends the sweep, leaving the model at the value of the frame shown.
    void stopSweep();
    void setPlaying(bool on);
    void showFrame(int frame);

private:
    QWidget* buildControls();
    QWidget* buildPlayer();
    // The keys of the model as it is; false when the one chosen is gone.
    bool fillKeys();
    void keyChosen();
    void modelEdited();
    void requestRestart();
    void restart();
    // The job the controls and the model make now; nothing, and why, when
    // they make none.
    std::optional<SweepJob> controlledJob(QString* error) const;
    void frameReady(int frame);
    void advance();
    void showCurves();
    void showState();
    void showError(const QString& error);

    ModelEditor* editor;
    SweepRunner runner;
    std::optional<SweepJob> job;
    QTimer playTimer;
    int grid = 128;
    double maxTime = 100.0;
    bool applying = false;
    bool restartPosted = false;

    QComboBox* keyBox = nullptr;
    QDoubleSpinBox* fromBox = nullptr;
    QDoubleSpinBox* toBox = nullptr;
    QSpinBox* framesBox = nullptr;
    QPushButton* sweepButton = nullptr;
    QPushButton* playButton = nullptr;
    QPushButton* stopButton = nullptr;
    SweepPreview* preview = nullptr;
    FractionPlot* plot = nullptr;
    QSlider* slider = nullptr;
    QLabel* frameText = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* status = nullptr;
};

#endif
