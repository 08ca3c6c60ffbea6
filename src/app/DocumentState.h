#ifndef ORVALIS_DOCUMENTSTATE_H
#define ORVALIS_DOCUMENTSTATE_H

#include <QObject>
#include <QPointF>
#include <QString>

#include <optional>

class Experiment;
class QUndoStack;

// The parameter set as a document: the file it was last opened from or saved
// to, and whether the set or the release point changed since. The model's
// changes are judged by the undo history's clean state, so undoing back to
// the saved set is no change.
class DocumentState : public QObject
{
    Q_OBJECT

public:
    DocumentState(QUndoStack* history, Experiment* experiment, QObject* parent = nullptr);

    QString fileName() const { return file; }
    bool isModified() const { return modified; }
    // The window's title, with Qt's [*] where the modified mark goes.
    QString title() const;

    // The set and the release point as they are now are what `fileName` holds.
    void markSaved(const QString& fileName);

signals:
    void modifiedChanged(bool modified);
    void fileNameChanged(const QString& fileName);

private:
    void update();
    std::optional<QPointF> releasePoint() const;

    QUndoStack* history;
    Experiment* experiment;
    QString file;
    std::optional<QPointF> savedRelease;
    bool modified = false;
};

#endif
