#ifndef ORVALIS_OUTPUTFILE_H
#define ORVALIS_OUTPUTFILE_H

#include <QString>

#include <memory>

class QByteArray;
class QFileDevice;
class QImage;

// One output of the command line. A regular file, or a name not yet taken,
// is written atomically: nothing appears under the name until commit(), so a
// failed run leaves no partial file. Anything else that exists (a device, a
// FIFO) is written into directly, as a shell redirection would, and never
// replaced by a file; "-" is standard output. Failures are printed.
class OutputFile
{
public:
    explicit OutputFile(const QString& name);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // "-": the name standard output goes by on the command line.
    static bool isStandardOutput(const QString& name);
    // Whether two names lead to the same file (or both to standard output).
    static bool sameFile(const QString& a, const QString& b);

    // Opened before the work, so that an unwritable output stops the run at once.
    bool open();
    bool write(const QByteArray& bytes);
    bool writeImage(const QImage& image);
    // Completes the output: only now does an atomic one take its name.
    bool commit();

private:
    bool failed(const QString& reason) const;

    QString name;
    std::unique_ptr<QFileDevice> file;
};

#endif
