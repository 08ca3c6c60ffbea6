#ifndef ORVALIS_WINDOWSETTINGS_H
#define ORVALIS_WINDOWSETTINGS_H

#include <QSettings>

// What the window remembers between runs, in one place for all its parts.
inline QSettings windowSettings()
{
    return QSettings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis"));
}

#endif
