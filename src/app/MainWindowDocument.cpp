// The window's document: saving with the experiment's lines, asking before
// unsaved changes are lost, and the recent sets.
#include "MainWindow.h"

// GLContext.h brings epoxy, which must precede the Qt OpenGL headers of the views.
#include "DocumentState.h"
#include "Experiment.h"
#include "ExperimentFile.h"
#include "GLContext.h"
#include "ModelEditor.h"
#include "OpenGL2d.h"
#include "ParamFile.h"
#include "RecentFiles.h"
#include "SystemData.h"

// GLContext.h brings epoxy, which must precede the Qt OpenGL headers of the views.

#include <QFileInfo>
#include <QUndoStack>

#include <cstdio>

void MainWindow::createDocument()
{
    document = new DocumentState(editor->undoStack(), experiment, this);
    connect(document, &DocumentState::modifiedChanged, this, &QWidget::setWindowModified);
    connect(document, &DocumentState::fileNameChanged, this,
            [this] { setWindowTitle(document->title()); });
    setWindowTitle(document->title());
    showRecentFiles();
}

bool MainWindow::saveAs()
{
    const QString dir =
        document->fileName().isEmpty() ? parameterDirectory() : document->fileName();
    const QString name = askSaveFileName(tr("Save Parameters"), dir, QStringLiteral("*.par"));
    return !name.isEmpty() && saveTo(withSuffix(name, QStringLiteral(".par")));
}

bool MainWindow::saveTo(const QString& fileName)
{
    ExperimentFile lines;
    if (experiment->hasReleasePoint())
        lines.release = QPointF(experiment->releaseX(), experiment->releaseY());
    lines.view = view2d->viewRegion();
    const ParamFileReport report = ParamFile::write(fileName, *data, lines.text());
    if (!report.ok) {
        showWarning(tr("Save Parameters"),
                    tr("Cannot save parameter file %1:\n%2").arg(fileName, report.error));
        return false;
    }
    document->markSaved(fileName);
    RecentFiles::add(fileName);
    showRecentFiles();
    return true;
}

bool MainWindow::maybeSave()
{
    if (!document->isModified())
        return true;
    switch (askSaveChanges()) {
    case SaveAnswer::Save:
        return document->fileName().isEmpty() ? saveAs() : saveTo(document->fileName());
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

void MainWindow::showRecentFiles()
{
    RecentFiles::fillMenu(recentMenu, [this](const QString& file) { openRecent(file); });
}

void MainWindow::openRecent(const QString& fileName)
{
    if (!maybeSave())
        return;
    if (!QFileInfo::exists(fileName)) {
        RecentFiles::remove(fileName);
        showRecentFiles();
        showWarning(tr("Open Recent"),
                    tr("%1 no longer exists; it was removed from the recent sets.").arg(fileName));
        return;
    }
    openFile(fileName);
}
