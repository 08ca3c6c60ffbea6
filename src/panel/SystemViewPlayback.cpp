// The panel's playback and simulation controls: the buttons, the speed and
// the time slider. The window runs the timers these switch.
#include "SystemView.h"

#include "EnergyCurve.h"
#include "EnergyPlot.h"
#include "Experiment.h"
#include "Playback.h"
#include "SystemData.h"

#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int sliderPosition(double time)
{
    // A path that never settles may run for longer than the slider counts.
    const double steps =
        std::min(time * SystemView::kSliderSteps, double(std::numeric_limits<int>::max()));
    return static_cast<int>(std::lround(steps));
}

} // namespace

void SystemView::SetTimer(bool on)
{
    emit simulationSwitched(on);
    showRunning(simPlayButton, simStepButton, on);
}

void SystemView::SingleTimeStep()
{
    emit simulationStepRequested();
}

void SystemView::Reset()
{
    experiment->forget();
    emit emitReset();
}

void SystemView::Play()
{
    SetTimer(!simPlayButton->isChecked());
}

void SystemView::AnimPlay()
{
    SetAnimTimer(!animPlayButton->isChecked());
}

void SystemView::SetAnimTimer(bool on)
{
    // Play at the end of the path starts it again from its beginning.
    if (on && playback->cannotAdvance())
        AnimReset();
    // Checking the play button re-enters here once through toggled(); that
    // pass finds everything already in place.
    emit playbackSwitched(on);
    showRunning(animPlayButton, animStepButton, on);
}

void SystemView::AnimReset()
{
    playback->rewind();
}

void SystemView::SingleAnimTimeStep()
{
    playback->tick();
}

void SystemView::ShowPlayback()
{
    // While the person holds the slider, it shows where they put it.
    if (animTimeSlider->isSliderDown())
        return;
    const QSignalBlocker quiet(animTimeSlider);
    const double duration = playback->duration();
    animTimeSlider->setRange(0, sliderPosition(duration));
    animTimeSlider->setValue(sliderPosition(playback->time()));
    animTimeSlider->setEnabled(duration > 0.0);

    // The playback's clock runs on the stamps, at twice the model time; a
    // late tick leaves it past the end, where the bob rests.
    const double time = 0.5 * std::min(playback->time(), duration);
    QString text = tr("t = %1 s").arg(time, 0, 'f', 2);
    const PathCapture& capture = experiment->capture();
    if (capture.caught())
        text += tr(", caught at %1 s").arg(capture.modelTime(), 0, 'f', 2);
    animTimeLabel->setText(text);
    energyPlot->setTime(time);
}

void SystemView::ShowPath()
{
    const PathCapture& capture = experiment->capture();
    energyPlot->setCurve(EnergyCurve::of(*data), capture.caught() ? capture.modelTime() : -1.0,
                         capture.colour);
    ShowPlayback();
}

void SystemView::setAnimSpeed(int index)
{
    playback->setSpeed(animSpeedBox->itemData(index).toDouble());
}

void SystemView::setUntilCaught(bool on)
{
    // The path is about to be replaced under the playback.
    SetAnimTimer(false);
    maxNumPointsSpin->setEnabled(!on);
    experiment->setUntilCaught(on);
}

void SystemView::seekAnim(int position)
{
    playback->seek(position / kSliderSteps);
}

void SystemView::scrubStarted()
{
    resumeAfterScrub = animPlayButton->isChecked();
    if (resumeAfterScrub)
        SetAnimTimer(false);
}

void SystemView::scrubFinished()
{
    // Let go at the very end, the playback stays there rather than start again.
    if (resumeAfterScrub && !playback->cannotAdvance())
        SetAnimTimer(true);
    resumeAfterScrub = false;
}

void SystemView::showRunning(QPushButton* playButton, QPushButton* stepButton, bool on)
{
    playButton->setIcon(QIcon(on ? QStringLiteral(":/pause.png") : QStringLiteral(":/play.png")));
    stepButton->setEnabled(!on);
    playButton->setChecked(on);
}
