#ifndef ORVALIS_SWEEPCOMMAND_H
#define ORVALIS_SWEEPCOMMAND_H

struct BasinRequest;
struct CommandLineOptions;

// --sweep KEY=FROM:TO:N: N maps, one per value, each into the files its
// frame number (from 1) names in the output patterns, all with one engine.
// Standard output gets one table, a row per frame as it is done:
//   frame  KEY  share0 ... shareM-1  undecided  [metrics with --stats]
// with each magnet's share of the map (MagnetShares) and, with --stats, the
// metric table's values. With --tile each frame is rendered as that band,
// and the shares are the band's.
class SweepCommand
{
public:
    // `base`: the map of the loaded set with the overrides, as a single
    // render would make it. Exit status as CommandLine::run.
    static int run(const CommandLineOptions& options, const BasinRequest& base, double maxTheta);
};

#endif
