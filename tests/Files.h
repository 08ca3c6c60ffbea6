#ifndef ORVALIS_TESTS_FILES_H
#define ORVALIS_TESTS_FILES_H

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// A file's whole contents, or nothing when it cannot be read.
inline QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `text` as the whole file; a failure fails the test.
inline void writeFile(const QString& fileName, const QByteArray& text)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), text.size());
}

#endif
