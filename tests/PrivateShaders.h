#ifndef ORVALIS_TESTS_PRIVATESHADERS_H
#define ORVALIS_TESTS_PRIVATESHADERS_H

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Points the views at a private copy of the built shaders, so a test may edit or
// delete them. False when a file could not be copied.
inline bool usePrivateShaders(const QTemporaryDir& dir)
{
    if (!dir.isValid())
        return false;
    const QDir built(QCoreApplication::applicationDirPath() + "/shaders");
    for (const QString& name : built.entryList(QDir::Files)) {
        QFile::remove(dir.filePath(name));
        if (!QFile::copy(built.filePath(name), dir.filePath(name)))
            return false;
    }
    qputenv("ORVALIS_SHADER_DIR", (dir.path() + "/").toLocal8Bit());
    return true;
}

#endif
