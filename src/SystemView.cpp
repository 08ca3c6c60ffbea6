#include "SystemView.h"

#include "DoubleEdit.h"
#include "OpenGL2d.h"
#include "OpenGL3d.h"
#include "SystemData.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

constexpr double smallestPositive = std::numeric_limits<double>::min();
constexpr double largest = std::numeric_limits<double>::max();

// The model keeps colours as floats in 0..1; the button shows them truncated
// to 8 bits, fully opaque.
QColor displayColor(const Magnet& magnet)
{
    return QColor(static_cast<int>(magnet.color[0] * 255), static_cast<int>(magnet.color[1] * 255),
                  static_cast<int>(magnet.color[2] * 255));
}

// Takes an editor's value only when the person has changed it since it was
// filled: untouched text is a rounded copy of the model's value. Text that its
// own Return would refuse does not slip in through another editor's Return.
template <typename T> void applyEdit(DoubleEdit* edit, T& field)
{
    if (!edit->isModified() || !edit->hasAcceptableInput())
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

// Captions in column 0, editors in column 1; the stretch on the first empty row
// keeps the rows packed at the top of the box.
QGroupBox* editorGroup(const QString& title, const QList<QPair<QWidget*, QWidget*>>& rows)
{
    auto* layout = new QGridLayout;
    int row = 0;
    for (const auto& [caption, editor] : rows) {
        layout->addWidget(caption, row, 0);
        layout->addWidget(editor, row, 1);
        ++row;
    }
    layout->setRowStretch(row, 5);
    auto* group = new QGroupBox(title);
    group->setLayout(layout);
    return group;
}

} // namespace

SystemView::SystemView(SystemData* data, OpenGL2d* view2d, OpenGL3d* view3d, QWidget* parent)
    : QDockWidget(parent), data(data), view2d(view2d), view3d(view3d)
{
    // Bounds that keep a pendulum to model: a rod and a pivot of some length,
    // gravity and damping that do not push the bob away, and a view window
    // between nothing and the horizontal.
    heightLabel = new QLabel(tr("Height"));
    heightEdit = new DoubleEdit(2, data->pendulumHeight, 0.01, false);
    heightEdit->setRange(smallestPositive, largest);
    lengthLabel = new QLabel(tr("Length"));
    lengthEdit = new DoubleEdit(2, data->pendulumLength, 0.01, false);
    lengthEdit->setRange(smallestPositive, largest);
    gravityLabel = new QLabel(tr("gravity"));
    gravityEdit = new DoubleEdit(2, data->gravity, 0.01, true);
    gravityEdit->setRange(0.0, largest);
    dampingLabel = new QLabel(tr("damping"));
    dampingEdit = new DoubleEdit(3, data->damping, 0.001, true);
    dampingEdit->setRange(0.0, largest);
    kappaLabel = new QLabel(tr("kappa"));
    kappaEdit = new DoubleEdit(3, data->kappa, 0.001, true);
    magFactorLabel = new QLabel(tr("magFactor"));
    magFactorEdit = new DoubleEdit(3, data->magFactor, 0.001, true);
    maxThetaLabel = new QLabel(tr("maxTheta"));
    maxThetaEdit = new DoubleEdit(2, data->maxTheta, 0.01, true);
    maxThetaEdit->setRange(smallestPositive, 89.0);

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

    magnetIdLabel = new QLabel(tr("ID"));
    magnetIdSpin = new QSpinBox;
    magnetIdSpin->setMinimum(0);
    magnetIdSpin->setMaximum(static_cast<int>(data->magnets.size()) - 1);
    magnetIdSpin->setValue(0);
    magnetPosXLabel = new QLabel(tr("posX"));
    magnetPosXEdit = new DoubleEdit(3, 0.0, 0.001, true);
    magnetPosXEdit->setRange(-1.0, 1.0);
    magnetPosYLabel = new QLabel(tr("posY"));
    magnetPosYEdit = new DoubleEdit(3, 0.0, 0.001, true);
    magnetPosYEdit->setRange(-1.0, 1.0);
    magnetAlphaLabel = new QLabel(tr("alpha"));
    magnetAlphaEdit = new DoubleEdit(3, 1.0, 0.001, true);
    magnetColorLabel = new QLabel(tr("color"));
    magnetColorButton = new QPushButton;
    changeMagnet(0);

    simResetButton = iconButton(QStringLiteral(":/back.png"));
    simPlayButton = checkableButton(QStringLiteral(":/play.png"));
    simStepButton = autoRepeatButton(QStringLiteral(":/step.png"));

    tScaleLabel = new QLabel(tr("TScale"));
    tScaleEdit = new DoubleEdit(2, data->tScale, 0.01, false);
    tScaleEdit->setRange(0.0, 100.0);

    animResetButton = iconButton(QStringLiteral(":/back.png"));
    animPlayButton = checkableButton(QStringLiteral(":/play.png"));
    animStepButton = autoRepeatButton(QStringLiteral(":/step.png"));

    // The buttons show icons only, and the editors apply on Return only: say so.
    animResetButton->setToolTip(tr("Rewind the playback to the release point"));
    animPlayButton->setToolTip(tr("Play or pause the path in the 3D view (Ctrl+A)"));
    animStepButton->setToolTip(tr("Advance the playback by one tick (hold to repeat)"));
    lineColorButton->setToolTip(tr("Choose the colour of the path"));
    magnetColorButton->setToolTip(tr("Choose the colour of the selected magnet"));
    for (DoubleEdit* edit :
         {dampingEdit, maxThetaEdit, magnetPosXEdit, magnetPosYEdit, magnetAlphaEdit})
        edit->setToolTip(tr("Up/Down or the wheel step the value; Return applies it"));

    QGroupBox* pendulumGroup =
        editorGroup(tr("Pendulum"), {{dampingLabel, dampingEdit}, {maxThetaLabel, maxThetaEdit}});
    QGroupBox* magnetGroup = editorGroup(tr("Magnets"), {{magnetIdLabel, magnetIdSpin},
                                                         {magnetPosXLabel, magnetPosXEdit},
                                                         {magnetPosYLabel, magnetPosYEdit},
                                                         {magnetAlphaLabel, magnetAlphaEdit},
                                                         {magnetColorLabel, magnetColorButton}});
    QGroupBox* trajectoryGroup =
        editorGroup(tr("Trajectory"), {{lineWidthLabel, lineWidthSpin},
                                       {lineColorLabel, lineColorButton},
                                       {maxNumPointsLabel, maxNumPointsSpin}});
    auto* animateLayout = new QHBoxLayout;
    animateLayout->addWidget(animResetButton);
    animateLayout->addWidget(animPlayButton);
    animateLayout->addWidget(animStepButton);
    animateGroup = new QGroupBox(tr("Animate"));
    animateGroup->setLayout(animateLayout);

    auto* content = new QWidget;
    content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto* contentLayout = new QGridLayout;
    contentLayout->addWidget(pendulumGroup, 0, 0);
    contentLayout->addWidget(magnetGroup, 1, 0);
    contentLayout->addWidget(trajectoryGroup, 2, 0);
    contentLayout->addWidget(animateGroup, 3, 0);
    content->setLayout(contentLayout);
    setWidget(content);
    setWindowTitle(tr("Parameters"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);

    // Connected last, so that filling the editors above sets off no slot.
    for (DoubleEdit* edit :
         {heightEdit, lengthEdit, gravityEdit, dampingEdit, kappaEdit, magFactorEdit, maxThetaEdit})
        connect(edit, &QLineEdit::returnPressed, this, &SystemView::updateParams);
    connect(lineWidthSpin, &QSpinBox::valueChanged, this, &SystemView::setLineWidth);
    connect(lineColorButton, &QPushButton::pressed, this, &SystemView::setLineColor);
    connect(maxNumPointsSpin, &QSpinBox::valueChanged, this, &SystemView::setMaxNumPoints);
    connect(magnetIdSpin, &QSpinBox::valueChanged, this, &SystemView::changeMagnet);
    for (DoubleEdit* edit : {magnetPosXEdit, magnetPosYEdit, magnetAlphaEdit})
        connect(edit, &QLineEdit::returnPressed, this, &SystemView::setMagnetParams);
    connect(magnetColorButton, &QPushButton::pressed, this, &SystemView::setMagnetColor);
    connect(animPlayButton, &QPushButton::toggled, this, &SystemView::SetAnimTimer);
    connect(animResetButton, &QPushButton::pressed, this, &SystemView::AnimReset);
    connect(animStepButton, &QPushButton::pressed, this, &SystemView::SingleAnimTimeStep);
}

SystemView::~SystemView()
{
    // These were never placed in the dock, so no widget owns them.
    qDeleteAll(QList<QWidget*>{heightLabel, heightEdit, lengthLabel, lengthEdit, gravityLabel,
                               gravityEdit, kappaLabel, kappaEdit, magFactorLabel, magFactorEdit,
                               simResetButton, simPlayButton, simStepButton, tScaleLabel,
                               tScaleEdit});
}

QSize SystemView::sizeHint() const
{
    return QSize(100, 50);
}

void SystemView::SetTimer(bool on)
{
    switchTimer(data->timer, simPlayButton, simStepButton, on);
}

void SystemView::SingleTimeStep()
{
    data->timer->setSingleShot(true);
    data->timer->start();
    view2d->update();
}

void SystemView::Reset()
{
    data->timer->setSingleShot(false);
    data->numTrajPoints = 0;
    view2d->update();
    emit emitReset();
}

void SystemView::Play()
{
    SetTimer(!data->timer->isActive());
}

void SystemView::UpdateMagnet(int i)
{
    if (i != magnetIdSpin->value() || i < 0 || i >= data->magnets.size())
        return;
    magnetPosXEdit->setValue(data->magnets[i].posX);
    magnetPosYEdit->setValue(data->magnets[i].posY);
}

void SystemView::SetAllParams()
{
    heightEdit->setValue(data->pendulumHeight);
    lengthEdit->setValue(data->pendulumLength);
    gravityEdit->setValue(data->gravity);
    dampingEdit->setValue(data->damping);
    kappaEdit->setValue(data->kappa);
    magFactorEdit->setValue(data->magFactor);
    maxThetaEdit->setValue(data->maxTheta);
    view2d->resetView();
    data->numTrajPoints = 0;
    view2d->update();
    // A smaller range clamps the index and so runs changeMagnet through
    // valueChanged; the explicit call refills the rows when it does not.
    magnetIdSpin->setRange(0, static_cast<int>(data->magnets.size()) - 1);
    changeMagnet(magnetIdSpin->value());
}

void SystemView::AnimPlay()
{
    SetAnimTimer(!data->animTimer->isActive());
}

void SystemView::SetAnimTimer(bool on)
{
    // Play at the end of the path starts it again from its beginning.
    if (on && playbackCannotAdvance())
        AnimReset();
    // Checking the play button re-enters here once through toggled(); that
    // pass finds everything already in place.
    switchTimer(data->animTimer, animPlayButton, animStepButton, on);
}

void SystemView::AnimReset()
{
    data->ResetAnim();
    view3d->update();
}

void SystemView::SingleAnimTimeStep()
{
    data->animStep();
    view3d->update();
}

void SystemView::updateParams()
{
    applyEdit(lengthEdit, data->pendulumLength);
    applyEdit(heightEdit, data->pendulumHeight);
    applyEdit(gravityEdit, data->gravity);
    applyEdit(dampingEdit, data->damping);
    applyEdit(kappaEdit, data->kappa);
    applyEdit(magFactorEdit, data->magFactor);
    applyEdit(maxThetaEdit, data->maxTheta);
    view2d->resetView();
    data->numTrajPoints = 0;
    view2d->update();
}

void SystemView::changeMagnet(int i)
{
    if (i < 0 || i >= data->magnets.size())
        return;
    const Magnet& magnet = data->magnets[i];
    magnetPosXEdit->setValue(magnet.posX);
    magnetPosYEdit->setValue(magnet.posY);
    magnetAlphaEdit->setValue(magnet.alpha);
    magnetColorButton->setPalette(QPalette(displayColor(magnet)));
}

void SystemView::setMagnetParams()
{
    const int i = magnetIdSpin->value();
    if (i < 0 || i >= data->magnets.size())
        return;
    Magnet& magnet = data->magnets[i];
    applyEdit(magnetPosXEdit, magnet.posX);
    applyEdit(magnetPosYEdit, magnet.posY);
    applyEdit(magnetAlphaEdit, magnet.alpha);
    data->numTrajPoints = 0;
    view2d->update();
    emit updateView();
}

void SystemView::setMagnetColor()
{
    const int i = magnetIdSpin->value();
    if (i < 0 || i >= data->magnets.size())
        return;
    const QColor color = chooseColor(displayColor(data->magnets[i]));
    if (!color.isValid())
        return;
    Magnet& magnet = data->magnets[i];
    magnet.color[0] = static_cast<float>(color.redF());
    magnet.color[1] = static_cast<float>(color.greenF());
    magnet.color[2] = static_cast<float>(color.blueF());
    magnet.color[3] = 1.0f;
    magnetColorButton->setPalette(QPalette(color));
    view2d->update();
    emit updateView();
}

void SystemView::setTScale()
{
    data->tScale = tScaleEdit->getValue();
    view2d->update();
}

void SystemView::setLineWidth(int n)
{
    data->lineWidth = n;
    view2d->update();
}

void SystemView::setLineColor()
{
    const QColor color = chooseColor(data->lineColor);
    if (!color.isValid())
        return;
    data->lineColor = color;
    lineColorButton->setPalette(QPalette(color));
    view2d->update();
}

void SystemView::setMaxNumPoints(int n)
{
    // The view is about to replace the trajectory storage under the playback.
    SetAnimTimer(false);
    view2d->SetMaxNumPoints(n);
    view2d->update();
}

bool SystemView::playbackCannotAdvance() const
{
    // Whether the next tick would find no segment of the path to move along:
    // the clock has passed the last sample, or it stands before the segment the
    // playback was left at, as when a new path has restarted the clock alone.
    const int last = std::min(data->numTrajPoints, static_cast<int>(data->trajTimes.size())) - 1;
    const int index = data->animIndex;
    if (last < 1)
        return false;
    return index < 0 || index >= last || data->animTime >= data->trajTimes[std::size_t(last)] ||
           data->animTime < data->trajTimes[std::size_t(index)];
}

QColor SystemView::chooseColor(const QColor& initial)
{
    return QColorDialog::getColor(initial);
}

void SystemView::switchTimer(QTimer* timer, QPushButton* playButton, QPushButton* stepButton,
                             bool on)
{
    if (on) {
        timer->setSingleShot(false);
        timer->start();
        playButton->setIcon(QIcon(QStringLiteral(":/pause.png")));
    } else {
        timer->stop();
        playButton->setIcon(QIcon(QStringLiteral(":/play.png")));
    }
    stepButton->setEnabled(!on);
    playButton->setChecked(on);
}
