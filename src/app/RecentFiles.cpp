#include "RecentFiles.h"

#include "WindowSettings.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const QString kRecentKey = QStringLiteral("document/recentFiles");

QString absolute(const QString& fileName)
{
    return QFileInfo(fileName).absoluteFilePath();
}

} // namespace

QStringList RecentFiles::list()
{
    // Settings edited by hand may hold more, or the same file twice.
    QStringList files = windowSettings().value(kRecentKey).toStringList();
    files.removeDuplicates();
    files.removeAll(QString());
    return files.mid(0, kMaxFiles);
}

void RecentFiles::add(const QString& fileName)
{
    const QString file = absolute(fileName);
    QStringList files = list();
    files.removeAll(file);
    files.prepend(file);
    store(files.mid(0, kMaxFiles));
}

void RecentFiles::remove(const QString& fileName)
{
    QStringList files = list();
    files.removeAll(absolute(fileName));
    store(files);
}

void RecentFiles::store(const QStringList& files)
{
    windowSettings().setValue(kRecentKey, files);
}

void RecentFiles::fillMenu(QMenu* menu, const std::function<void(const QString&)>& open)
{
    menu->clear();
    const QStringList files = list();
    for (int i = 0; i < files.size(); ++i) {
        const QString& file = files[i];
        // "&1" to "&8": a digit picks the entry from the keyboard.
        QAction* action =
            menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()),
                            [open, file] { open(file); });
        action->setToolTip(file);
        action->setData(file);
    }
    menu->setEnabled(!files.isEmpty());
}
