#ifndef ORVALIS_EXPORTREPORT_H
#define ORVALIS_EXPORTREPORT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

struct BasinRequest;
struct BasinResult;

// What an exported map is of, beside its image: the command line that
// renders the same file without a window, and the JSON report.
class ExportReport
{
public:
    // The arguments after the program's name: the map of `request` from the
    // parameter set `params` into `image`. Numbers are written so that they
    // read back bit for bit.
    static QStringList arguments(const BasinRequest& request, const QString& image,
                                 const QString& params);
    // The whole command as a shell takes it, quoted where needed.
    static QString commandLine(const QStringList& arguments);
    // Region, size, tolerance, time limit, the share of each magnet and of
    // the undecided pixels, the program's version, the seconds the render
    // took and the command line.
    static QByteArray json(const BasinResult& result, const QString& commandLine, double seconds);
};

#endif
