#ifndef ORVALIS_BANDHEADER_H
#define ORVALIS_BANDHEADER_H

#include <QByteArray>
#include <QString>

// The first line of a data file rendered as a band: which band of which map
// it holds, so that a merge can refuse bands of another map, missing or
// doubled rows and a truncated file. The map is described by its size,
// region, tolerance, time limit and a digest of the parameters.
struct BandHeader
{
    QString map; // "size W H; region ...; ...": equal for every band of a map
    int index = 1;
    int count = 1;
    int rowBegin = 0; // rows [rowBegin, rowEnd) of the whole image
    int rowEnd = 0;
    int width = 0;
    int height = 0;

    // The line, ended by a line feed.
    QByteArray line() const;
    // Reads a line made by line() (with or without its line feed); false for
    // anything else.
    static bool parse(const QByteArray& line, BandHeader& header);
};

#endif
