#ifndef ORVALIS_MAPSETUP_H
#define ORVALIS_MAPSETUP_H

#include "ModelState.h"

struct CommandLineOptions;

// The map the options ask for: the parameter set read, --damping and every
// --set applied to it, then the size, region, band and integration.
class MapSetup
{
public:
    // Exit status as CommandLine::run, the failure printed: 1 for a set that
    // cannot be read, 2 for an override it refuses (an unknown key, a magnet
    // it lacks, a value out of range).
    static int load(const CommandLineOptions& options, ModelState& state);
    static BasinRequest request(const CommandLineOptions& options, const ModelState& state);
};

#endif
