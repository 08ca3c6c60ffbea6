#include "WindowParts.h"

// GLContext.h brings epoxy, which must precede the Qt OpenGL headers of the views.
#include "GLContext.h"

#include "AnalysisDock.h"
#include "BasinMapper.h"
#include "Experiment.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "OpenGL2d.h"
#include "OpenGL3d.h"
#include "Playback.h"
#include "SimulationTimers.h"
#include "SystemView.h"

namespace {

template <class Sender, class Signal> void repaintOn(Sender* sender, Signal signal, QWidget* view)
{
    QObject::connect(sender, signal, view, static_cast<void (QWidget::*)()>(&QWidget::update));
}

} // namespace

void WindowParts::wire() const
{
    connectEdits();
    connectPaths();
    connectPlayback();
    connectMaps();
}

void WindowParts::connectEdits() const
{
    QObject::connect(editor, &ModelEditor::modelLoaded, panel, &SystemView::DropTypedValues);
    QObject::connect(editor, &ModelEditor::modelChanged, panel, &SystemView::ShowModel);
    for (QWidget* view : {static_cast<QWidget*>(view2d), static_cast<QWidget*>(view3d)}) {
        repaintOn(editor, &ModelEditor::modelChanged, view);
        repaintOn(editor, &ModelEditor::settingsChanged, view);
    }

    // A drag of a magnet in either view is one step of the undo history.
    const auto beginMagnetDrag = [editor = editor](int i) {
        editor->beginLiveEdit(ModelEditor::tr("Move magnet %1").arg(i));
    };
    QObject::connect(view2d, &OpenGL2d::magnetDragStarted, editor, beginMagnetDrag);
    QObject::connect(view2d, &OpenGL2d::magnetDragged, editor, &ModelEditor::moveMagnet);
    QObject::connect(view2d, &OpenGL2d::magnetDragFinished, editor, &ModelEditor::endLiveEdit);
    QObject::connect(view3d, &OpenGL3d::magnetDragStarted, editor, beginMagnetDrag);
    QObject::connect(view3d, &OpenGL3d::magnetDragged, editor, &ModelEditor::moveMagnet);
    QObject::connect(view3d, &OpenGL3d::magnetDragFinished, editor, &ModelEditor::endLiveEdit);

    // The first click of the double-click that adds a magnet released the bob.
    QObject::connect(view2d, &OpenGL2d::magnetAddRequested, editor,
                     [experiment = experiment, editor = editor](double x, double y) {
                         experiment->revertRelease();
                         editor->addMagnet(x, y);
                     });
    QObject::connect(view2d, &OpenGL2d::magnetRemoveRequested, editor, &ModelEditor::removeMagnet);
    QObject::connect(view3d, &OpenGL3d::magnetRemoveRequested, editor, &ModelEditor::removeMagnet);
}

void WindowParts::connectPaths() const
{
    QObject::connect(view2d, &OpenGL2d::releaseRequested, experiment, &Experiment::release);
    QObject::connect(view2d, &OpenGL2d::hidePathRequested, experiment, &Experiment::forget);
    QObject::connect(view3d, &OpenGL3d::releaseRequested, experiment, &Experiment::release);
    QObject::connect(experiment, &Experiment::pathChanged, view2d, &OpenGL2d::UpdateTraj);
    repaintOn(experiment, &Experiment::pathChanged, view3d);
    QObject::connect(experiment, &Experiment::pathChanged, panel, &SystemView::ShowReleasePoint);
    view2d->setPathCapture(&experiment->capture());
    view3d->setPathCapture(&experiment->capture());
}

void WindowParts::connectPlayback() const
{
    QObject::connect(panel, &SystemView::simulationSwitched, timers,
                     &SimulationTimers::runSimulation);
    QObject::connect(panel, &SystemView::simulationStepRequested, timers,
                     &SimulationTimers::stepSimulation);
    QObject::connect(panel, &SystemView::playbackSwitched, timers, &SimulationTimers::runPlayback);
    repaintOn(playback, &Playback::moved, view3d);
}

void WindowParts::connectMaps() const
{
    QObject::connect(editor, &ModelEditor::modelChanged, mapper,
                     [editor = editor, mapper = mapper] {
                         const ModelState state = editor->state();
                         mapper->setModel(state.physics, state.maxTheta);
                     });
    QObject::connect(view2d, &OpenGL2d::viewChanged, mapper, &BasinMapper::setView);
    QObject::connect(mapper, &BasinMapper::viewMapReady, view2d, &OpenGL2d::setBasinMap);
    QObject::connect(mapper, &BasinMapper::cleared, view2d, &OpenGL2d::clearBasinMap);
    QObject::connect(mapper, &BasinMapper::plateMapReady, view3d, &OpenGL3d::setPlateMap);
    QObject::connect(mapper, &BasinMapper::cleared, view3d, &OpenGL3d::clearPlateMap);

    // The measurements follow the map in view; any change makes them stale at once.
    QObject::connect(mapper, &BasinMapper::viewMapReady, analysis, &AnalysisDock::setMap);
    QObject::connect(mapper, &BasinMapper::cleared, analysis, &AnalysisDock::markStale);
    QObject::connect(view2d, &OpenGL2d::viewChanged, analysis, &AnalysisDock::setView);
    QObject::connect(editor, &ModelEditor::modelChanged, analysis, &AnalysisDock::markStale);
}
