#ifndef ORVALIS_WADAMERGE_H
#define ORVALIS_WADAMERGE_H

#include <vector>

class LabelGrid;

// The merging test for Wada boundaries (Daza et al. 2018) on a map. The
// basins are the labels holding at least 1 % of the pixels. The boundary of
// basin j is the set of pixels with a 4-neighbour on the other side of it
// (inside the basin and outside). W is the largest share, over ordered pairs
// j != k, of the boundary of j farther than r pixels (Chebyshev) from every
// pixel of the boundary of k: near 0, every boundary lies within r pixels of
// every other one (Wada at this resolution).
struct WadaMerge
{
    int radius = 1;
    std::vector<int> basins; // their labels, ascending
    bool defined = false;    // only with three basins or more
    double value = 0.0;      // W

    static WadaMerge measure(const LabelGrid& grid, int radius = 1);
};

#endif
