#include "ModelEditor.h"

#include "Experiment.h"
#include "ModelEdit.h"
#include "SystemData.h"

#include <QFileInfo>

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

void ModelEditor::liveChanged()
{
    changed();
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
    changed();
    return report;
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
