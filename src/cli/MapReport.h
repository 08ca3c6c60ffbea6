#ifndef ORVALIS_MAPREPORT_H
#define ORVALIS_MAPREPORT_H

#include <QByteArray>
#include <QStringList>

class BasinMeasurements;
struct BasinResult;

// The measurements of a map as a JSON document, with what the map is of:
// its parameters, region, size, tolerance and time limit, the program's
// version and the command line that made it. The numbers are those of the
// tables --stats prints; a value that does not exist is null.
class MapReport
{
public:
    static QByteArray json(const BasinResult& map, const BasinMeasurements& m,
                           const QStringList& commandLine);
};

#endif
