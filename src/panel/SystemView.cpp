#include "SystemView.h"

#include "DoubleEdit.h"
#include "EnergyPlot.h"
#include "Experiment.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "ParameterRanges.h"
#include "Playback.h"
#include "SystemData.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QUndoStack>

#include <algorithm>

namespace {

using Parameter = ParameterRanges::Parameter;

// An editor for a value of the model, bounded as every other way in bounds it.
DoubleEdit* rangedEdit(int precision, double value, double step, bool highlightEdits,
                       Parameter parameter)
{
    auto* edit = new DoubleEdit(precision, value, step, highlightEdits);
    edit->setRange(ParameterRanges::range(parameter));
    return edit;
}

// The model keeps colours as floats in 0..1; the button shows them truncated
// to 8 bits, fully opaque.
QColor displayColor(const Magnet& magnet)
{
    return QColor(static_cast<int>(magnet.color[0] * 255), static_cast<int>(magnet.color[1] * 255),
                  static_cast<int>(magnet.color[2] * 255));
}

// Whether Return would take the editor's text: the person changed it, and it
// reads as a value within the editor's range.
bool hasEdit(const DoubleEdit* edit)
{
    return edit->isModified() && edit->hasAcceptableInput();
}

// Return in one editor of a group applies the group's changed editors; while
// one of them holds text its own Return would refuse, it applies none.
bool holdsRefusedEdit(std::initializer_list<const DoubleEdit*> group)
{
    return std::any_of(group.begin(), group.end(), [](const DoubleEdit* edit) {
        return edit->isModified() && !edit->hasAcceptableInput();
    });
}

// Takes an editor's value only when the person has changed it since it was
// filled: untouched text is a rounded copy of the model's value.
template <typename T> void applyEdit(DoubleEdit* edit, T& field)
{
    if (!hasEdit(edit))
        return;
    field = static_cast<T>(edit->getValue());
    edit->setModified(false);
}

QPushButton* iconButton(const QString& iconFile)
{
    return new QPushButton(QIcon(iconFile), QString());
}

QPushButton* autoRepeatButton(const QString& iconFile)
{
    QPushButton* button = iconButton(iconFile);
    button->setAutoRepeat(true);
    button->setAutoRepeatInterval(10);
    return button;
}

QPushButton* checkableButton(const QString& iconFile)
{
    QPushButton* button = iconButton(iconFile);
    button->setCheckable(true);
    return button;
}

// Captions in column 0, editors in column 1, packed: the dock's own stretch
// below the last box takes the spare height.
QGridLayout* editorGrid(const QList<QPair<QWidget*, QWidget*>>& rows)
{
    auto* layout = new QGridLayout;
    int row = 0;
    for (const auto& [caption, editor] : rows) {
        layout->addWidget(caption, row, 0);
        layout->addWidget(editor, row, 1);
        ++row;
    }
    return layout;
}

QGroupBox* editorGroup(const QString& title, QLayout* layout)
{
    auto* group = new QGroupBox(title);
    group->setLayout(layout);
    return group;
}

// Fills an editor, unless asked to spare text the person is still typing.
void showValue(DoubleEdit* edit, double value, bool keepEdits)
{
    if (!(keepEdits && edit->isModified()))
        edit->setValue(value);
}

} // namespace

SystemView::SystemView(SystemData* data, ModelEditor* editor, Experiment* experiment,
                       Playback* playback, QWidget* parent)
    : QDockWidget(parent), data(data), editor(editor), experiment(experiment), playback(playback)
{
    // The ranges are those of a parameter file and the command line, so the
    // dock takes every set a file may hold.
    heightLabel = new QLabel(tr("Height"));
    heightEdit = rangedEdit(2, data->pendulumHeight, 0.01, false, Parameter::PendulumHeight);
    lengthLabel = new QLabel(tr("Length"));
    lengthEdit = rangedEdit(2, data->pendulumLength, 0.01, false, Parameter::PendulumLength);
    gravityLabel = new QLabel(tr("gravity"));
    gravityEdit = rangedEdit(2, data->gravity, 0.01, true, Parameter::Gravity);
    dampingLabel = new QLabel(tr("damping"));
    dampingEdit = rangedEdit(3, data->damping, 0.001, true, Parameter::Damping);
    kappaLabel = new QLabel(tr("force exponent κ"));
    kappaEdit = rangedEdit(3, data->kappa, 0.001, true, Parameter::Kappa);
    magFactorLabel = new QLabel(tr("magFactor"));
    magFactorEdit = rangedEdit(3, data->magFactor, 0.001, true, Parameter::MagFactor);
    maxThetaLabel = new QLabel(tr("maxTheta"));
    maxThetaEdit = rangedEdit(2, data->maxTheta, 0.01, true, Parameter::MaxTheta);

    lineWidthLabel = new QLabel(tr("width"));
    lineWidthSpin = new QSpinBox;
    lineWidthSpin->setRange(1, 5);
    lineWidthSpin->setValue(data->lineWidth);
    lineColorLabel = new QLabel(tr("color"));
    lineColorButton = new QPushButton;
    lineColorButton->setPalette(QPalette(data->lineColor));
    maxNumPointsLabel = new QLabel(tr("#steps"));
    maxNumPointsSpin = new QSpinBox;
    // The model draws no path of fewer than two samples.
    maxNumPointsSpin->setRange(2, 10000);
    maxNumPointsSpin->setValue(data->maxNumPoints);
    // Typing 5000 is one change, not four paths and four undo steps.
    maxNumPointsSpin->setKeyboardTracking(false);
    untilCaughtBox = new QCheckBox(tr("until caught"));
    untilCaughtBox->setChecked(experiment->untilCaught());
    maxNumPointsSpin->setEnabled(!experiment->untilCaught());

    magnetIdLabel = new QLabel(tr("ID"));
    magnetIdSpin = new QSpinBox;
    magnetIdSpin->setMinimum(0);
    magnetIdSpin->setMaximum(static_cast<int>(data->magnets.size()) - 1);
    magnetIdSpin->setValue(0);
    magnetPosXLabel = new QLabel(tr("posX"));
    magnetPosXEdit = rangedEdit(3, 0.0, 0.001, true, Parameter::MagnetPosition);
    magnetPosYLabel = new QLabel(tr("posY"));
    magnetPosYEdit = rangedEdit(3, 0.0, 0.001, true, Parameter::MagnetPosition);
    magnetAlphaLabel = new QLabel(tr("alpha"));
    magnetAlphaEdit = rangedEdit(3, 1.0, 0.001, true, Parameter::MagnetStrength);
    magnetColorLabel = new QLabel(tr("color"));
    magnetColorButton = new QPushButton;
    magnetAddButton = new QPushButton(tr("Add"));
    magnetRemoveButton = new QPushButton(tr("Remove"));
    changeMagnet(0);

    releaseXLabel = new QLabel(tr("x"));
    releaseXEdit = rangedEdit(4, 0.0, 0.001, true, Parameter::ReleasePosition);
    releaseYLabel = new QLabel(tr("y"));
    releaseYEdit = rangedEdit(4, 0.0, 0.001, true, Parameter::ReleasePosition);
    ShowReleasePoint();

    simResetButton = iconButton(QStringLiteral(":/back.png"));
    simPlayButton = checkableButton(QStringLiteral(":/play.png"));
    simStepButton = autoRepeatButton(QStringLiteral(":/step.png"));

    tScaleLabel = new QLabel(tr("TScale"));
    tScaleEdit = rangedEdit(2, data->tScale, 0.01, false, Parameter::TimeScale);

    animResetButton = iconButton(QStringLiteral(":/back.png"));
    animPlayButton = checkableButton(QStringLiteral(":/play.png"));
    animStepButton = autoRepeatButton(QStringLiteral(":/step.png"));
    animSpeedBox = new QComboBox;
    const QList<QPair<QString, double>> speeds = {{QStringLiteral("¼×"), 0.25},
                                                  {QStringLiteral("½×"), 0.5},
                                                  {QStringLiteral("1×"), 1.0},
                                                  {QStringLiteral("2×"), 2.0},
                                                  {QStringLiteral("4×"), 4.0}};
    for (const auto& [label, speed] : speeds)
        animSpeedBox->addItem(label, speed);
    animSpeedBox->setCurrentIndex(animSpeedBox->findData(playback->speed()));
    animTimeSlider = new QSlider(Qt::Horizontal);
    animTimeSlider->setSingleStep(10);
    animTimeSlider->setPageStep(static_cast<int>(kSliderSteps));
    animTimeLabel = new QLabel;
    energyPlot = new EnergyPlot;
    ShowPath();

    // The buttons show icons only, and the editors apply on Return only: say so.
    animResetButton->setToolTip(tr("Rewind the playback to the release point"));
    animPlayButton->setToolTip(tr("Play or pause the path in the 3D view (Ctrl+A)"));
    animStepButton->setToolTip(tr("Advance the playback by one tick (hold to repeat)"));
    animSpeedBox->setToolTip(tr("Playback speed"));
    animTimeSlider->setToolTip(tr("Playback time: drag to move the bob along its path"));
    lineColorButton->setToolTip(tr("Choose the colour of the path"));
    untilCaughtBox->setToolTip(
        tr("Run the path until an attractor catches the bob, by the "
           "basin map's rule and time limit, instead of for #steps samples"));
    magnetColorButton->setToolTip(tr("Choose the colour of the selected magnet"));
    magnetAddButton->setToolTip(tr("Add a magnet at a free spot of the plate "
                                   "(or double-click the plate in the 2D view)"));
    magnetRemoveButton->setToolTip(tr("Remove the magnet shown"));
    for (DoubleEdit* edit : modelEdits())
        edit->setToolTip(tr("Up/Down or the wheel step the value; Return applies it"));
    dampingLabel->setToolTip(tr("Velocity damping (friction); 0 keeps the bob moving for ever"));
    kappaLabel->setToolTip(tr("Each magnet's potential falls off as 1 / r^κ "
                              "(the key \"damping\" in parameter files)"));
    releaseXEdit->setToolTip(tr("Where the bob is released; Return releases it there"));
    releaseYEdit->setToolTip(releaseXEdit->toolTip());

    QGroupBox* pendulumGroup =
        editorGroup(tr("Pendulum"), editorGrid({{heightLabel, heightEdit},
                                                {lengthLabel, lengthEdit},
                                                {gravityLabel, gravityEdit},
                                                {kappaLabel, kappaEdit},
                                                {magFactorLabel, magFactorEdit},
                                                {dampingLabel, dampingEdit},
                                                {maxThetaLabel, maxThetaEdit}}));
    QGridLayout* magnetGrid = editorGrid({{magnetIdLabel, magnetIdSpin},
                                          {magnetPosXLabel, magnetPosXEdit},
                                          {magnetPosYLabel, magnetPosYEdit},
                                          {magnetAlphaLabel, magnetAlphaEdit},
                                          {magnetColorLabel, magnetColorButton}});
    auto* magnetButtons = new QHBoxLayout;
    magnetButtons->addWidget(magnetAddButton);
    magnetButtons->addWidget(magnetRemoveButton);
    magnetGrid->addLayout(magnetButtons, magnetGrid->rowCount(), 0, 1, 2);
    QGroupBox* magnetGroup = editorGroup(tr("Magnets"), magnetGrid);
    QGroupBox* releaseGroup =
        editorGroup(tr("Release point"),
                    editorGrid({{releaseXLabel, releaseXEdit}, {releaseYLabel, releaseYEdit}}));
    QGridLayout* trajectoryGrid = editorGrid({{lineWidthLabel, lineWidthSpin},
                                              {lineColorLabel, lineColorButton},
                                              {maxNumPointsLabel, maxNumPointsSpin}});
    trajectoryGrid->addWidget(untilCaughtBox, trajectoryGrid->rowCount(), 1);
    QGroupBox* trajectoryGroup = editorGroup(tr("Trajectory"), trajectoryGrid);
    auto* animButtons = new QHBoxLayout;
    animButtons->addWidget(animResetButton);
    animButtons->addWidget(animPlayButton);
    animButtons->addWidget(animStepButton);
    animButtons->addWidget(animSpeedBox);
    auto* animateLayout = new QVBoxLayout;
    animateLayout->addLayout(animButtons);
    animateLayout->addWidget(animTimeSlider);
    animateLayout->addWidget(animTimeLabel);
    animateLayout->addWidget(energyPlot);
    animateGroup = new QGroupBox(tr("Animate"));
    animateGroup->setLayout(animateLayout);

    auto* content = new QWidget;
    content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto* contentLayout = new QGridLayout;
    contentLayout->addWidget(pendulumGroup, 0, 0);
    contentLayout->addWidget(magnetGroup, 1, 0);
    contentLayout->addWidget(releaseGroup, 2, 0);
    contentLayout->addWidget(trajectoryGroup, 3, 0);
    contentLayout->addWidget(animateGroup, 4, 0);
    contentLayout->setRowStretch(5, 1);
    content->setLayout(contentLayout);
    setWidget(content);
    setWindowTitle(tr("Parameters"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);

    // Connected last, so that filling the editors above sets off no slot.
    for (const PendulumField& field : pendulumFields())
        connect(field.edit, &QLineEdit::returnPressed, this, &SystemView::updateParams);
    connect(lineWidthSpin, &QSpinBox::valueChanged, this, &SystemView::setLineWidth);
    connect(lineColorButton, &QPushButton::pressed, this, &SystemView::setLineColor);
    connect(maxNumPointsSpin, &QSpinBox::valueChanged, this, &SystemView::setMaxNumPoints);
    connect(untilCaughtBox, &QCheckBox::toggled, this, &SystemView::setUntilCaught);
    connect(magnetIdSpin, &QSpinBox::valueChanged, this, &SystemView::changeMagnet);
    for (DoubleEdit* edit : {magnetPosXEdit, magnetPosYEdit, magnetAlphaEdit})
        connect(edit, &QLineEdit::returnPressed, this, &SystemView::setMagnetParams);
    connect(magnetColorButton, &QPushButton::pressed, this, &SystemView::setMagnetColor);
    connect(magnetAddButton, &QPushButton::clicked, this, &SystemView::addMagnet);
    connect(magnetRemoveButton, &QPushButton::clicked, this, &SystemView::removeMagnet);
    for (DoubleEdit* edit : {releaseXEdit, releaseYEdit})
        connect(edit, &QLineEdit::returnPressed, this, &SystemView::releaseAtTypedPoint);
    // Undo keys in an editor with nothing unapplied take back the last edit of the model.
    QUndoStack* history = editor->undoStack();
    for (DoubleEdit* edit : modelEdits() + QList<DoubleEdit*>{releaseXEdit, releaseYEdit}) {
        connect(edit, &DoubleEdit::undoRequested, history, &QUndoStack::undo);
        connect(edit, &DoubleEdit::redoRequested, history, &QUndoStack::redo);
    }
    connect(animPlayButton, &QPushButton::toggled, this, &SystemView::SetAnimTimer);
    connect(animResetButton, &QPushButton::pressed, this, &SystemView::AnimReset);
    connect(animStepButton, &QPushButton::pressed, this, &SystemView::SingleAnimTimeStep);
    connect(animSpeedBox, &QComboBox::currentIndexChanged, this, &SystemView::setAnimSpeed);
    connect(animTimeSlider, &QSlider::valueChanged, this, &SystemView::seekAnim);
    connect(animTimeSlider, &QSlider::sliderPressed, this, &SystemView::scrubStarted);
    connect(animTimeSlider, &QSlider::sliderReleased, this, &SystemView::scrubFinished);
    connect(playback, &Playback::moved, this, &SystemView::ShowPlayback);
    connect(experiment, &Experiment::pathChanged, this, &SystemView::ShowPath);
}

SystemView::~SystemView()
{
    // These were never placed in the dock, so no widget owns them.
    qDeleteAll(
        QList<QWidget*>{simResetButton, simPlayButton, simStepButton, tScaleLabel, tScaleEdit});
}

QSize SystemView::sizeHint() const
{
    return QSize(100, 50);
}

void SystemView::DropTypedValues()
{
    for (DoubleEdit* edit : modelEdits())
        edit->setModified(false);
}

QList<DoubleEdit*> SystemView::modelEdits() const
{
    return {heightEdit,    lengthEdit,   gravityEdit,    dampingEdit,    kappaEdit,
            magFactorEdit, maxThetaEdit, magnetPosXEdit, magnetPosYEdit, magnetAlphaEdit};
}

void SystemView::ShowModel()
{
    fill(true);
}

void SystemView::fill(bool keepEdits)
{
    ModelState state = ModelState::of(*data);
    for (const PendulumField& field : pendulumFields())
        showValue(field.edit, field.value(state), keepEdits);
    {
        const QSignalBlocker quiet(maxNumPointsSpin);
        maxNumPointsSpin->setValue(data->maxNumPoints);
    }
    // The ID box follows the count. A smaller range clamps the index and so
    // runs changeMagnet through valueChanged; the explicit call refills the
    // rows when it does not.
    const int count = static_cast<int>(data->magnets.size());
    magnetIdSpin->setRange(0, std::max(count - 1, 0));
    for (QWidget* w :
         std::initializer_list<QWidget*>{magnetIdSpin, magnetPosXEdit, magnetPosYEdit,
                                         magnetAlphaEdit, magnetColorButton, magnetRemoveButton})
        w->setEnabled(count > 0);
    showMagnet(magnetIdSpin->value(), keepEdits);
}

void SystemView::showMagnet(int i, bool keepEdits)
{
    if (i < 0 || i >= data->magnets.size())
        return;
    const Magnet& magnet = data->magnets[i];
    showValue(magnetPosXEdit, magnet.posX, keepEdits);
    showValue(magnetPosYEdit, magnet.posY, keepEdits);
    showValue(magnetAlphaEdit, magnet.alpha, keepEdits);
    magnetColorButton->setPalette(QPalette(displayColor(magnet)));
}

void SystemView::updateParams()
{
    const auto fields = pendulumFields();
    if (std::any_of(fields.begin(), fields.end(),
                    [](const PendulumField& field) { return holdsRefusedEdit({field.edit}); }))
        return;
    QStringList changed;
    for (const PendulumField& field : fields)
        if (hasEdit(field.edit))
            changed.append(field.label->text());
    if (changed.isEmpty())
        return;
    const QString what =
        changed.size() == 1 ? tr("Set %1").arg(changed.front()) : tr("Set pendulum parameters");
    editor->edit(what, [fields](ModelState& s) {
        for (const PendulumField& field : fields)
            applyEdit(field.edit, field.value(s));
    });
}

std::array<SystemView::PendulumField, 7> SystemView::pendulumFields() const
{
    return {{
        {heightEdit, heightLabel,
         [](ModelState& s) -> double& { return s.physics.pendulumHeight; }},
        {lengthEdit, lengthLabel,
         [](ModelState& s) -> double& { return s.physics.pendulumLength; }},
        {gravityEdit, gravityLabel, [](ModelState& s) -> double& { return s.physics.gravity; }},
        {dampingEdit, dampingLabel, [](ModelState& s) -> double& { return s.physics.damping; }},
        {kappaEdit, kappaLabel, [](ModelState& s) -> double& { return s.physics.kappa; }},
        {magFactorEdit, magFactorLabel,
         [](ModelState& s) -> double& { return s.physics.magFactor; }},
        {maxThetaEdit, maxThetaLabel, [](ModelState& s) -> double& { return s.maxTheta; }},
    }};
}

void SystemView::changeMagnet(int i)
{
    showMagnet(i, false);
}

void SystemView::setMagnetParams()
{
    const int i = magnetIdSpin->value();
    if (i < 0 || i >= data->magnets.size() ||
        holdsRefusedEdit({magnetPosXEdit, magnetPosYEdit, magnetAlphaEdit}))
        return;
    editor->edit(tr("Edit magnet %1").arg(i), [this, i](ModelState& s) {
        Magnet& magnet = s.physics.magnets[std::size_t(i)];
        applyEdit(magnetPosXEdit, magnet.posX);
        applyEdit(magnetPosYEdit, magnet.posY);
        applyEdit(magnetAlphaEdit, magnet.alpha);
    });
}

void SystemView::setMagnetColor()
{
    const int i = magnetIdSpin->value();
    if (i < 0 || i >= data->magnets.size())
        return;
    const QColor color = chooseColor(displayColor(data->magnets[i]));
    if (!color.isValid())
        return;
    editor->edit(tr("Colour magnet %1").arg(i), [i, color](ModelState& s) {
        Magnet& magnet = s.physics.magnets[std::size_t(i)];
        magnet.color[0] = static_cast<float>(color.redF());
        magnet.color[1] = static_cast<float>(color.greenF());
        magnet.color[2] = static_cast<float>(color.blueF());
        magnet.color[3] = 1.0f;
    });
}

void SystemView::setTScale()
{
    editor->setTScale(tScaleEdit->getValue());
}

void SystemView::setLineWidth(int n)
{
    editor->setLineWidth(n);
}

void SystemView::setLineColor()
{
    const QColor color = chooseColor(data->lineColor);
    if (!color.isValid())
        return;
    editor->setLineColor(color);
    lineColorButton->setPalette(QPalette(color));
}

void SystemView::setMaxNumPoints(int n)
{
    // The path is about to be replaced under the playback.
    SetAnimTimer(false);
    editor->edit(tr("Set #steps"), [n](ModelState& s) { s.maxNumPoints = n; });
}

void SystemView::ShowReleasePoint()
{
    // Without a release point the editors stay empty until a point is typed.
    for (DoubleEdit* edit : {releaseXEdit, releaseYEdit})
        edit->clear();
    if (!experiment->hasReleasePoint())
        return;
    releaseXEdit->setValue(experiment->releaseX());
    releaseYEdit->setValue(experiment->releaseY());
}

void SystemView::releaseAtTypedPoint()
{
    // An untouched coordinate keeps the remembered point's full precision.
    if (holdsRefusedEdit({releaseXEdit, releaseYEdit}))
        return;
    const bool hasPoint = experiment->hasReleasePoint();
    double x = hasPoint ? experiment->releaseX() : 0.0;
    double y = hasPoint ? experiment->releaseY() : 0.0;
    const bool typedX = hasEdit(releaseXEdit);
    const bool typedY = hasEdit(releaseYEdit);
    if (!hasPoint && !(typedX && typedY))
        return;
    applyEdit(releaseXEdit, x);
    applyEdit(releaseYEdit, y);
    experiment->release(x, y);
}

void SystemView::addMagnet()
{
    editor->addMagnetAtFreeSpot();
    magnetIdSpin->setValue(magnetIdSpin->maximum());
}

void SystemView::removeMagnet()
{
    editor->removeMagnet(magnetIdSpin->value());
}

QColor SystemView::chooseColor(const QColor& initial)
{
    return QColorDialog::getColor(initial);
}
