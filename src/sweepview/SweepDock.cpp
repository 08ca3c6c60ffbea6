#include "SweepDock.h"

#include "FractionPlot.h"
#include "ModelEditor.h"
#include "SweepPreview.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Time each frame shows while the sweep plays.
constexpr int kFrameMilliseconds = 150;
const QColor kUndecidedColour(128, 128, 128);

QDoubleSpinBox* valueBox(const QString& name)
{
    auto* box = new QDoubleSpinBox;
    box->setObjectName(name);
    box->setRange(-1e6, 1e6);
    box->setDecimals(5);
    // A value counts once it is typed in full, not at every key.
    box->setKeyboardTracking(false);
    return box;
}

QPushButton* button(const QString& text, const QString& name)
{
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}

QColor colourOf(const Magnet& m)
{
    return QColor::fromRgbF(m.color[0], m.color[1], m.color[2]);
}

} // namespace

SweepDock::SweepDock(ModelEditor* editor, QWidget* parent)
    : QDockWidget(tr("Sweep"), parent), editor(editor)
{
    setObjectName(QStringLiteral("sweepDock"));
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(buildControls());
    layout->addWidget(buildPlayer(), 1);
    // In a scroll area, so that nothing in it resizes the 2D view beside it.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(body);
    scroll->setMinimumWidth(360);
    setWidget(scroll);

    playTimer.setInterval(kFrameMilliseconds);
    connect(&playTimer, &QTimer::timeout, this, &SweepDock::advance);
    connect(&runner, &SweepRunner::frameReady, this, &SweepDock::frameReady);
    connect(&runner, &SweepRunner::finished, this, &SweepDock::showState);
    connect(&runner, &SweepRunner::failed, this, &SweepDock::showError);
    connect(editor, &ModelEditor::modelChanged, this, &SweepDock::modelEdited);
    fillKeys();
    keyChosen();
    showState();
}

SweepDock::~SweepDock() = default;

QWidget* SweepDock::buildControls()
{
    auto* box = new QWidget;
    auto* form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);
    keyBox = new QComboBox;
    keyBox->setObjectName(QStringLiteral("sweepKey"));
    fromBox = valueBox(QStringLiteral("sweepFrom"));
    toBox = valueBox(QStringLiteral("sweepTo"));
    framesBox = new QSpinBox;
    framesBox->setObjectName(QStringLiteral("sweepFrames"));
    framesBox->setRange(2, 240);
    framesBox->setValue(24);
    framesBox->setKeyboardTracking(false);
    form->addRow(tr("Parameter"), keyBox);
    form->addRow(tr("From"), fromBox);
    form->addRow(tr("To"), toBox);
    form->addRow(tr("Frames"), framesBox);

    auto* buttons = new QHBoxLayout;
    sweepButton = button(tr("Sweep"), QStringLiteral("sweepStart"));
    sweepButton->setToolTip(tr("Computes the frames from the model as it is now"));
    playButton = button(tr("Play"), QStringLiteral("sweepPlay"));
    playButton->setCheckable(true);
    stopButton = button(tr("Stop"), QStringLiteral("sweepStop"));
    stopButton->setToolTip(tr("Ends the sweep and sets the parameter to the frame's value"));
    buttons->addWidget(sweepButton);
    buttons->addWidget(playButton);
    buttons->addWidget(stopButton);
    form->addRow(buttons);

    connect(keyBox, &QComboBox::currentTextChanged, this, [this] {
        keyChosen();
        requestRestart();
    });
    for (QDoubleSpinBox* b : {fromBox, toBox})
        connect(b, &QDoubleSpinBox::valueChanged, this, &SweepDock::requestRestart);
    connect(framesBox, &QSpinBox::valueChanged, this, &SweepDock::requestRestart);
    connect(sweepButton, &QPushButton::clicked, this, &SweepDock::startSweep);
    connect(playButton, &QPushButton::toggled, this, &SweepDock::setPlaying);
    connect(stopButton, &QPushButton::clicked, this, &SweepDock::stopSweep);
    return box;
}

QWidget* SweepDock::buildPlayer()
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* pictures = new QHBoxLayout;
    preview = new SweepPreview;
    preview->setObjectName(QStringLiteral("sweepPreview"));
    plot = new FractionPlot;
    plot->setObjectName(QStringLiteral("sweepFractions"));
    plot->setToolTip(tr("Share of the map of each magnet (grey: undecided) against the value"));
    pictures->addWidget(preview, 1);
    pictures->addWidget(plot, 1);
    layout->addLayout(pictures, 1);
    slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(QStringLiteral("sweepFrame"));
    frameText = new QLabel;
    frameText->setObjectName(QStringLiteral("sweepFrameText"));
    layout->addWidget(slider);
    layout->addWidget(frameText);
    progress = new QProgressBar;
    progress->setRange(0, 1000);
    progress->setTextVisible(false);
    layout->addWidget(progress);
    status = new QLabel;
    status->setObjectName(QStringLiteral("sweepStatus"));
    status->setWordWrap(true);
    layout->addWidget(status);

    connect(slider, &QSlider::valueChanged, this, &SweepDock::showFrame);
    // A frame picked by hand holds still.
    connect(slider, &QSlider::actionTriggered, this, [this] { setPlaying(false); });
    return box;
}

int SweepDock::currentFrame() const
{
    return slider->value();
}

bool SweepDock::fillKeys()
{
    const QString chosen = keyBox->currentText();
    const QSignalBlocker quiet(keyBox);
    keyBox->clear();
    keyBox->addItems(ParameterKey::names(editor->state().physics));
    const int at = keyBox->findText(chosen);
    keyBox->setCurrentIndex(at >= 0 ? at : 0);
    return at >= 0;
}

void SweepDock::keyChosen()
{
    // A span around the value the model has now.
    const ModelState s = editor->state();
    const std::optional<ParameterKey> key =
        ParameterKey::parse(keyBox->currentText(), s.physics, nullptr);
    if (!key)
        return;
    const double v = key->value(s.physics, s.maxTheta);
    const double span = v != 0.0 ? 0.25 * std::abs(v) : 0.1;
    const QSignalBlocker quietFrom(fromBox);
    const QSignalBlocker quietTo(toBox);
    fromBox->setValue(v - span);
    toBox->setValue(v + span);
}

std::optional<SweepJob> SweepDock::controlledJob(QString* error) const
{
    const ModelState s = editor->state();
    const std::optional<ParameterKey> key =
        ParameterKey::parse(keyBox->currentText(), s.physics, error);
    if (!key)
        return std::nullopt;
    SweepJob j{s, SweepPlan{*key, fromBox->value(), toBox->value(), framesBox->value()}};
    j.grid = grid;
    j.maxTime = maxTime;
    // Each frame's map must be possible: the first and the last tell.
    for (const int f : {0, j.plan.frames - 1})
        if (!j.frameRequest(f, error))
            return std::nullopt;
    return j;
}

void SweepDock::startSweep()
{
    QString error;
    job = controlledJob(&error);
    if (!job) {
        runner.cancel();
        showError(error);
        return;
    }
    runner.start(*job);
    status->clear();
    plot->setRange(job->plan.from, job->plan.to);
    {
        const QSignalBlocker quiet(slider);
        slider->setRange(0, job->plan.frames - 1);
        slider->setValue(std::min(slider->value(), job->plan.frames - 1));
    }
    showFrame(slider->value());
    showCurves();
    setPlaying(true);
    showState();
}

void SweepDock::stopSweep()
{
    if (!job)
        return;
    const SweepPlan plan = job->plan;
    const double value = plan.value(currentFrame());
    runner.cancel();
    job.reset();
    setPlaying(false);
    QString error;
    applying = true;
    editor->edit(tr("Sweep of %1").arg(plan.key.name()), [&](ModelState& s) {
        ModelState changed = s;
        if (plan.key.apply(value, changed.physics, changed.maxTheta, &error))
            s = changed;
    });
    applying = false;
    if (!error.isEmpty())
        showError(error);
    showState();
}

void SweepDock::modelEdited()
{
    if (applying)
        return;
    if (!job) {
        // The values typed stay, unless their key went with a magnet.
        if (!fillKeys())
            keyChosen();
        return;
    }
    // The frames are of the model before: they start again from this one.
    requestRestart();
}

void SweepDock::requestRestart()
{
    // Edits that come together (a key brings its span) make one restart.
    if (!job || restartPosted)
        return;
    restartPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            restartPosted = false;
            restart();
        },
        Qt::QueuedConnection);
}

void SweepDock::restart()
{
    if (!job)
        return;
    // A magnet removed takes its keys along: that sweep cannot go on.
    if (!fillKeys()) {
        const QString lost = job->plan.key.name();
        runner.cancel();
        keyChosen();
        showError(tr("The model no longer has %1").arg(lost));
        return;
    }
    const bool playing = isPlaying();
    startSweep();
    setPlaying(playing);
}

void SweepDock::setPlaying(bool on)
{
    on = on && job.has_value();
    if (on)
        playTimer.start();
    else
        playTimer.stop();
    const QSignalBlocker quiet(playButton);
    playButton->setChecked(on);
    playButton->setText(on ? tr("Pause") : tr("Play"));
}

void SweepDock::advance()
{
    // To the next frame that has a map; frames still without one are passed over.
    const auto& frames = runner.frames();
    const int n = int(frames.size());
    for (int step = 1; step <= n; ++step) {
        const int f = (currentFrame() + step) % n;
        if (frames[std::size_t(f)].level) {
            slider->setValue(f);
            return;
        }
    }
}

void SweepDock::showFrame(int frame)
{
    const auto& frames = runner.frames();
    if (frame < 0 || frame >= int(frames.size()) || !job)
        return;
    const SweepRunner::Frame& f = frames[std::size_t(frame)];
    // A frame still without a map keeps the last one up, rather than a blank
    // at every restart.
    if (f.level)
        preview->setImage(f.level->map.image());
    plot->setMark(f.value);
    frameText->setText(tr("Frame %1 of %2: %3 = %4")
                           .arg(frame + 1)
                           .arg(frames.size())
                           .arg(job->plan.key.name(), QString::number(f.value, 'g', 6)));
}

void SweepDock::frameReady(int frame)
{
    if (frame == currentFrame())
        showFrame(frame);
    showCurves();
    progress->setValue(int(runner.progress() * 1000.0));
}

void SweepDock::showCurves()
{
    if (!job) {
        plot->setCurves({});
        return;
    }
    const std::vector<Magnet>& magnets = job->base.physics.magnets;
    std::vector<FractionPlot::Curve> curves(magnets.size() + 1);
    for (std::size_t k = 0; k < curves.size(); ++k)
        curves[k].colour = k < magnets.size() ? colourOf(magnets[k]) : kUndecidedColour;
    for (const SweepRunner::Frame& f : runner.frames())
        for (std::size_t k = 0; k < f.shares.size() && k < curves.size(); ++k)
            curves[k].points.emplace_back(f.value, f.shares[k]);
    plot->setCurves(std::move(curves));
}

void SweepDock::showState()
{
    const bool sweeping = job.has_value();
    playButton->setEnabled(sweeping);
    stopButton->setEnabled(sweeping);
    slider->setEnabled(sweeping);
    plot->setEnabled(sweeping);
    progress->setValue(int(runner.progress() * 1000.0));
    if (sweeping && !runner.isBusy())
        status->setText(tr("All %1 frames complete").arg(runner.frames().size()));
}

void SweepDock::showError(const QString& error)
{
    job.reset();
    setPlaying(false);
    status->setText(
        QStringLiteral("<span style=\"color:#c0392b\">%1</span>").arg(error.toHtmlEscaped()));
    showState();
}
