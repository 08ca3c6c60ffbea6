#ifndef ORVALIS_BASINFRACTION_H
#define ORVALIS_BASINFRACTION_H

#include <vector>

// Each label's share of a sample of release points, with its 95 % Wilson
// score interval: the basin stability of Menck et al. 2013, with error bars.
struct BasinFraction
{
    int label = 0;
    int count = 0;
    double share = 0.0;
    double low = 0.0;
    double high = 0.0;

    // One per label 0 ... labelCount-1, also those no sample has.
    static std::vector<BasinFraction> measure(const std::vector<int>& labels, int labelCount);
    // The interval of `count` successes in `trials` at 95 %.
    static void wilson(int count, int trials, double& low, double& high);
};

#endif
