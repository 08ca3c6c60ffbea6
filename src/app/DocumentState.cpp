#include "DocumentState.h"

#include "Experiment.h"

#include <QFileInfo>
#include <QUndoStack>

DocumentState::DocumentState(QUndoStack* history, Experiment* experiment, QObject* parent)
    : QObject(parent), history(history), experiment(experiment), savedRelease(releasePoint())
{
    connect(history, &QUndoStack::cleanChanged, this, &DocumentState::update);
    connect(experiment, &Experiment::pathChanged, this, &DocumentState::update);
}

QString DocumentState::title() const
{
    const QString program = tr("Orvalis Simulation");
    if (file.isEmpty())
        return program + QStringLiteral("[*]");
    return tr("%1[*] - %2").arg(QFileInfo(file).fileName(), program);
}

void DocumentState::markSaved(const QString& fileName)
{
    history->setClean();
    savedRelease = releasePoint();
    if (fileName != file) {
        file = fileName;
        emit fileNameChanged(file);
    }
    update();
}

void DocumentState::update()
{
    const bool now = !history->isClean() || releasePoint() != savedRelease;
    if (now == modified)
        return;
    modified = now;
    emit modifiedChanged(modified);
}

std::optional<QPointF> DocumentState::releasePoint() const
{
    if (!experiment->hasReleasePoint())
        return std::nullopt;
    return QPointF(experiment->releaseX(), experiment->releaseY());
}
