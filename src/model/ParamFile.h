#ifndef ORVALIS_PARAMFILE_H
#define ORVALIS_PARAMFILE_H

#include "ParamFileReport.h"

#include <QByteArray>

class QString;
class SystemData;

// The ".par" text file: one "key value" line per parameter, one "magnet" line
// per magnet. A read skips (and reports) a line whose value is not a number
// or lies outside the parameter's range; a file with no line to take is no
// parameter set and changes nothing.
class ParamFile
{
public:
    static ParamFileReport read(const QString& fileName, SystemData& data);
    // `trailer` follows the model's own lines, in the same atomic write.
    static ParamFileReport write(const QString& fileName, const SystemData& data,
                                 const QByteArray& trailer = {});
};

#endif
