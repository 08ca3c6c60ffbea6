#ifndef ORVALIS_PARAMFILE_H
#define ORVALIS_PARAMFILE_H

#include "ParamFileReport.h"

class QString;
class SystemData;

// The ".par" text file: one "key value" line per parameter, one "magnet" line
// per magnet. A read takes the whole file or nothing: values that are not
// numbers skip their line, and values that make the model meaningless refuse
// the file.
class ParamFile
{
public:
    static ParamFileReport read(const QString& fileName, SystemData& data);
    static ParamFileReport write(const QString& fileName, const SystemData& data);
};

#endif
