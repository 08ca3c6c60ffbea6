#ifndef ORVALIS_MAGNETSHARES_H
#define ORVALIS_MAGNETSHARES_H

#include <vector>

struct BasinResult;

// The shares of a complete map (or band) held by each magnet, in magnet
// order, then one for the rest: magnetCount + 1 values adding up to 1. The
// last counts the pixels the data files give magnet -1, those undecided and
// those caught at a minimum over no magnet (the legend's "No magnet"): either
// way no magnet holds them, and a curve of a magnet's share stays that
// magnet's alone. Attractors over magnets the count leaves out go there too.
// All zero for a map without pixels.
std::vector<double> magnetShares(const BasinResult& result, int magnetCount);

#endif
