// The window's pinned path: a path kept in a muted colour under the next
// ones in both views, its Path menu and its status text.
#include "MainWindow.h"

#include "Experiment.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "OpenGL2d.h"
#include "OpenGL3d.h"
#include "PathOutcome.h"
#include "PinnedPath.h"
#include "SystemData.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

void MainWindow::createPinnedPath()
{
    pinnedPath = new PinnedPath(this);
    view2d->showPinnedPath(pinnedPath);
    view3d->showPinnedPath(pinnedPath);

    pathMenu = new QMenu(tr("&Path"), this);
    pathMenu->setToolTipsVisible(true);
    menuBar()->insertMenu(viewMenu->menuAction(), pathMenu);
    act_pinPath =
        pathMenu->addAction(tr("Pin path"), QKeySequence(Qt::Key_P), this, &MainWindow::pinPath);
    act_pinPath->setToolTip(tr("Keep the current path in a muted colour under the next "
                               "releases, in place of any pinned before (P)"));
    act_pinPath->setEnabled(PinnedPath::canPin(*data));
    // Escape is the window's only while there is a pin to clear.
    act_clearPin = pathMenu->addAction(tr("Clear pinned path"), QKeySequence(Qt::Key_Escape),
                                       pinnedPath, &PinnedPath::clear);
    act_clearPin->setToolTip(tr("Remove the pinned path from both views (Esc)"));
    act_clearPin->setEnabled(false);

    connect(experiment, &Experiment::pathChanged, act_pinPath,
            [this] { act_pinPath->setEnabled(PinnedPath::canPin(*data)); });
    connect(pinnedPath, &PinnedPath::changed, this, &MainWindow::showPinned);
    // Edits leave the pinned path as it was; its text says so. Another set is
    // another experiment: the pin goes.
    connect(editor, &ModelEditor::modelChanged, this, &MainWindow::showPinned);
    connect(editor, &ModelEditor::modelLoaded, pinnedPath, &PinnedPath::clear);
}

void MainWindow::pinPath()
{
    if (!pinnedPath->pin(*data, currentOutcome()))
        return;
    // Both outcomes side by side at once, rather than after the current one's delay.
    showOutcome();
}

void MainWindow::showPinned()
{
    act_clearPin->setEnabled(pinnedPath->isPinned());
    pinnedLabel->setText(pinnedPath->describe(ModelState::of(*data).physics));
}
