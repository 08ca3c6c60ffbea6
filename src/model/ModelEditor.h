#ifndef ORVALIS_MODELEDITOR_H
#define ORVALIS_MODELEDITOR_H

#include "ModelState.h"
#include "ParamFileReport.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <optional>

class Experiment;
class SystemData;

// The one way the model is edited: every change becomes a step of the undo
// history and recomputes the path from the experiment's release point.
class ModelEditor : public QObject
{
    Q_OBJECT

public:
    ModelEditor(SystemData* data, Experiment* experiment, QObject* parent = nullptr);

    QUndoStack* undoStack() { return &history; }
    ModelState state() const { return ModelState::of(*data); }

    // Applies `change` to the current state as one step called `what`; a
    // change that changes nothing leaves no step.
    void edit(const QString& what, const std::function<void(ModelState&)>& change);

    // Between the begin and the end of a drag, the moves it makes recompute
    // the path as they come and make one step together.
    void beginLiveEdit(const QString& what);
    void endLiveEdit();
    bool isLiveEditing() const { return liveBefore.has_value(); }
    // Puts magnet `index` at (x, y) of the plane: a live change inside a
    // drag, a step of its own outside one.
    void moveMagnet(int index, double x, double y);

    // Magnets in the program: strength 1 and the palette's next colour. The
    // free spot is the point of the inner plate farthest from every magnet.
    void addMagnet(double x, double y);
    void addMagnetAtFreeSpot();
    void removeMagnet(int index);

    // Reads a parameter file as one step.
    ParamFileReport load(const QString& fileName);

    // The look of the path and the time scale: no undo step holds them.
    void setLineWidth(int width);
    void setLineColor(const QColor& color);
    void setTScale(double tScale);

    // Puts the model into `state`: what undo and redo do.
    void restore(const ModelState& state);

signals:
    // After every change of the model, live ones included.
    void modelChanged();
    // A file replaced the model as a whole; modelChanged() follows.
    void modelLoaded();
    // After a change of the path's look or the time scale.
    void settingsChanged();

private:
    void changed();

    SystemData* data;
    Experiment* experiment;
    QUndoStack history;
    std::optional<ModelState> liveBefore;
    QString liveWhat;
};

#endif
