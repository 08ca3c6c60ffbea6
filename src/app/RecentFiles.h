#ifndef ORVALIS_RECENTFILES_H
#define ORVALIS_RECENTFILES_H

#include <QString>
#include <QStringList>

#include <functional>

class QMenu;

// The parameter sets last opened or saved, newest first, kept between runs
// in the application's settings.
class RecentFiles
{
public:
    static constexpr int kMaxFiles = 8;

    static QStringList list();
    // Puts the file (by its absolute path) first, once, and drops the oldest
    // beyond the limit.
    static void add(const QString& fileName);
    static void remove(const QString& fileName);
    // Lists them in `menu`, each entry calling `open` with its file; an
    // empty list leaves the menu disabled.
    static void fillMenu(QMenu* menu, const std::function<void(const QString&)>& open);

private:
    static void store(const QStringList& files);
};

#endif
