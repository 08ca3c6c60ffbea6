#include "ModelEditor.h"

#include "Experiment.h"
#include "MagnetPalette.h"
#include "ModelEdit.h"
#include "SystemData.h"
#include "ViewRadius.h"

#include <QFileInfo>

#include <cmath>
#include <limits>

ModelEditor::ModelEditor(SystemData* data, Experiment* experiment, QObject* parent)
    : QObject(parent), data(data), experiment(experiment)
{
}

void ModelEditor::edit(const QString& what, const std::function<void(ModelState&)>& change)
{
    const ModelState before = ModelState::of(*data);
    ModelState after = before;
    change(after);
    if (after != before)
        history.push(new ModelEdit(this, before, after, what, false));
}

void ModelEditor::beginLiveEdit(const QString& what)
{
    liveBefore = ModelState::of(*data);
    liveWhat = what;
}

void ModelEditor::endLiveEdit()
{
    if (!liveBefore)
        return;
    const ModelState after = ModelState::of(*data);
    if (after != *liveBefore)
        history.push(new ModelEdit(this, *liveBefore, after, liveWhat, true));
    liveBefore.reset();
}

void ModelEditor::moveMagnet(int index, double x, double y)
{
    if (index < 0 || index >= data->magnets.size())
        return;
    if (!liveBefore) {
        edit(tr("Move magnet %1").arg(index), [&](ModelState& s) {
            s.physics.magnets[std::size_t(index)].posX = float(x);
            s.physics.magnets[std::size_t(index)].posY = float(y);
        });
        return;
    }
    data->magnets[index].posX = float(x);
    data->magnets[index].posY = float(y);
    changed();
}

void ModelEditor::addMagnet(double x, double y)
{
    edit(tr("Add magnet"), [x, y](ModelState& s) {
        Magnet m;
        m.posX = float(x);
        m.posY = float(y);
        m.alpha = 1.0f;
        const std::array<float, 3> colour = MagnetPalette::next(s.physics.magnets);
        std::copy(colour.begin(), colour.end(), m.color);
        s.physics.magnets.push_back(m);
    });
}

void ModelEditor::addMagnetAtFreeSpot()
{
    // Candidates on a grid over the middle of the plate, where magnets act;
    // the farthest from all magnets wins, the nearer to the centre on a tie.
    constexpr int kSteps = 20;
    const double reach = 0.5 * viewRadius(data->pendulumLength, data->maxTheta);
    double bestX = 0.0, bestY = 0.0;
    double bestClearance = -1.0, bestCentre = 0.0;
    for (int i = -kSteps; i <= kSteps; ++i)
        for (int j = -kSteps; j <= kSteps; ++j) {
            const double x = reach * i / kSteps;
            const double y = reach * j / kSteps;
            const double centre = std::hypot(x, y);
            if (centre > reach)
                continue;
            double clearance = std::numeric_limits<double>::max();
            for (const Magnet& m : data->magnets)
                clearance = std::min(clearance, std::hypot(x - m.posX, y - m.posY));
            if (clearance > bestClearance || (clearance == bestClearance && centre < bestCentre)) {
                bestClearance = clearance;
                bestCentre = centre;
                bestX = x;
                bestY = y;
            }
        }
    addMagnet(bestX, bestY);
}

void ModelEditor::removeMagnet(int index)
{
    if (index < 0 || index >= data->magnets.size())
        return;
    edit(tr("Remove magnet %1").arg(index),
         [index](ModelState& s) { s.physics.magnets.erase(s.physics.magnets.begin() + index); });
}

ParamFileReport ModelEditor::load(const QString& fileName)
{
    const ModelState before = ModelState::of(*data);
    const ParamFileReport report = data->readParams(fileName);
    if (!report.ok)
        return report;
    const ModelState after = ModelState::of(*data);
    if (after != before)
        history.push(new ModelEdit(this, before, after,
                                   tr("Load %1").arg(QFileInfo(fileName).fileName()), true));
    emit modelLoaded();
    changed();
    return report;
}

void ModelEditor::setLineWidth(int width)
{
    data->lineWidth = width;
    emit settingsChanged();
}

void ModelEditor::setLineColor(const QColor& color)
{
    data->lineColor = color;
    emit settingsChanged();
}

void ModelEditor::setTScale(double tScale)
{
    data->tScale = tScale;
    emit settingsChanged();
}

void ModelEditor::restore(const ModelState& state)
{
    state.applyTo(*data);
    changed();
}

void ModelEditor::changed()
{
    experiment->recompute();
    emit modelChanged();
}
