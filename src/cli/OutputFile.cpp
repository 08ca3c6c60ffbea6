#include "OutputFile.h"

#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <cstdio>
#include <unistd.h>

OutputFile::OutputFile(const QString& name) : name(name) {}

OutputFile::~OutputFile() = default;

bool OutputFile::isStandardOutput(const QString& name)
{
    return name == QLatin1String("-");
}

bool OutputFile::sameFile(const QString& a, const QString& b)
{
    if (isStandardOutput(a) || isStandardOutput(b))
        return a == b;
    const QFileInfo first(a);
    const QFileInfo second(b);
    // Existing files are compared where links lead; new ones by their path.
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

bool OutputFile::open()
{
    const QFileInfo info(name);
    if (isStandardOutput(name)) {
        auto out = std::make_unique<QFile>();
        if (!out->open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
            return failed(out->errorString());
        file = std::move(out);
        return true;
    }
    if (info.exists() && !info.isFile() && !info.isDir()) {
        auto direct = std::make_unique<QFile>(name);
        if (!direct->open(QIODevice::WriteOnly))
            return failed(direct->errorString());
        file = std::move(direct);
        return true;
    }
    auto atomic = std::make_unique<QSaveFile>(name);
    if (!atomic->open(QIODevice::WriteOnly))
        return failed(atomic->errorString());
    file = std::move(atomic);
    return true;
}

bool OutputFile::write(const QByteArray& bytes)
{
    // The explicit flush matters: a buffered write that failed (disk full)
    // would otherwise go unnoticed until too late.
    if (file->write(bytes) == bytes.size() && file->flush())
        return true;
    return failed(file->errorString());
}

bool OutputFile::writeImage(const QImage& image)
{
    QImageWriter writer(file.get(), "png");
    if (!writer.write(image))
        return failed(writer.errorString());
    return file->flush() || failed(file->errorString());
}

bool OutputFile::commit()
{
    if (auto* atomic = dynamic_cast<QSaveFile*>(file.get()))
        return atomic->commit() || failed(atomic->errorString());
    const bool flushed = file->flush();
    file->close();
    return (flushed && file->error() == QFileDevice::NoError) || failed(file->errorString());
}

bool OutputFile::failed(const QString& reason) const
{
    const QString shown = isStandardOutput(name) ? QStringLiteral("standard output") : name;
    std::fprintf(stderr, "orvalis: cannot write %s: %s\n", qPrintable(shown), qPrintable(reason));
    return false;
}
