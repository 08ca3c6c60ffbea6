#ifndef ORVALIS_MODELEDIT_H
#define ORVALIS_MODELEDIT_H

#include "ModelState.h"

#include <QUndoCommand>

class ModelEditor;

// One undoable edit of the model: the state before and after it.
class ModelEdit : public QUndoCommand
{
public:
    // `applied`: the model holds `after` already (a finished drag, a loaded
    // file), so the first redo, which the undo stack runs on push, has
    // nothing to do.
    ModelEdit(ModelEditor* editor, ModelState before, ModelState after, const QString& text,
              bool applied);

    void undo() override;
    void redo() override;

private:
    ModelEditor* editor;
    ModelState before;
    ModelState after;
    bool applied;
};

#endif
