#include "BasinFraction.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

constexpr double kZ = 1.959963984540054; // the normal quantile of 97.5 %

} // namespace

void BasinFraction::wilson(int count, int trials, double& low, double& high)
{
    if (trials <= 0) {
        low = 0.0;
        high = 1.0;
        return;
    }
    const double n = trials;
    const double p = count / n;
    const double z2 = kZ * kZ;
    const double centre = (p + z2 / (2.0 * n)) / (1.0 + z2 / n);
    const double half = kZ / (1.0 + z2 / n) * std::sqrt(p * (1.0 - p) / n + z2 / (4.0 * n * n));
    low = std::max(0.0, centre - half);
    high = std::min(1.0, centre + half);
}

std::vector<BasinFraction> BasinFraction::measure(const std::vector<int>& labels, int labelCount)
{
    std::vector<BasinFraction> fractions(std::size_t(std::max(0, labelCount)));
    for (std::size_t k = 0; k < fractions.size(); ++k)
        fractions[k].label = int(k);
    for (const int label : labels) {
        if (label < 0 || label >= labelCount)
            throw std::out_of_range("BasinFraction: a label outside 0 ... labelCount-1");
        ++fractions[std::size_t(label)].count;
    }
    const int n = int(labels.size());
    for (BasinFraction& f : fractions) {
        f.share = n > 0 ? double(f.count) / n : 0.0;
        wilson(f.count, n, f.low, f.high);
    }
    return fractions;
}
