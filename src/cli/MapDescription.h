#ifndef ORVALIS_MAPDESCRIPTION_H
#define ORVALIS_MAPDESCRIPTION_H

#include "BandHeader.h"

#include <QString>

struct BasinRequest;
struct BasinResult;

// What a map is of: its size, region, tolerance, time limit and parameters.
// An image carries it whole; a data band carries a digest of the parameters,
// enough for a merge to refuse bands of different maps.
class MapDescription
{
public:
    // "key values" lines, the parameters last.
    static QString text(const BasinRequest& request);
    // The band header of `result`'s rows as band `index` of `count`.
    static BandHeader bandHeader(const BasinResult& result, int index, int count);
};

#endif
