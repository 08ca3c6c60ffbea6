#include "ModelEdit.h"

#include "ModelEditor.h"

#include <utility>

ModelEdit::ModelEdit(ModelEditor* editor, ModelState before, ModelState after, const QString& text,
                     bool applied)
    : QUndoCommand(text), editor(editor), before(std::move(before)), after(std::move(after)),
      applied(applied)
{
}

void ModelEdit::undo()
{
    editor->restore(before);
}

void ModelEdit::redo()
{
    if (applied) {
        applied = false;
        return;
    }
    editor->restore(after);
}
