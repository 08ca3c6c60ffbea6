#ifndef ORVALIS_MAPDATAFILE_H
#define ORVALIS_MAPDATAFILE_H

#include <QByteArray>
#include <QString>

struct BandHeader;
struct BasinResult;
struct SettledMap;

// The per-pixel data a map writes with --data: CSV text, one line per pixel
// (x,y,attractor,magnet,time,steps[,settled]), or a NumPy array
// (NpyFormat) when the name ends in ".npy". Either way a band starts with
// its band header, and the rows of the bands, joined, are the rows of the
// whole map byte for byte.
class MapDataFile
{
public:
    enum class Format { Csv, Npy };

    static Format formatOf(const QString& name);
    // The CSV column line, with or without the settled column.
    static QByteArray csvColumns(bool settled);
    // Everything before the first row; `band` for a band, else null.
    static QByteArray head(Format format, const BasinResult& result, bool settled,
                           const BandHeader* band);
    // Image row j (of the whole image, within the result's band).
    static QByteArray row(Format format, const BasinResult& result, int j,
                          const SettledMap* settled);
};

#endif
