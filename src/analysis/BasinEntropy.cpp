#include "BasinEntropy.h"

#include "LabelGrid.h"

#include <cmath>
#include <stdexcept>
#include <vector>

BasinEntropy BasinEntropy::measure(const LabelGrid& grid, int boxSize)
{
    if (boxSize < 1)
        throw std::invalid_argument("BasinEntropy: the box size must be at least 1");
    BasinEntropy e;
    e.boxSize = boxSize;
    const int across = grid.width() / boxSize;
    const int down = grid.height() / boxSize;
    const double inBox = double(boxSize) * double(boxSize);
    std::vector<int> counts(std::size_t(grid.labelCount()), 0);
    double sum = 0.0;
    double boundarySum = 0.0;
    for (int bj = 0; bj < down; ++bj) {
        for (int bi = 0; bi < across; ++bi) {
            std::fill(counts.begin(), counts.end(), 0);
            for (int j = bj * boxSize; j < (bj + 1) * boxSize; ++j)
                for (int i = bi * boxSize; i < (bi + 1) * boxSize; ++i)
                    ++counts[std::size_t(grid.at(i, j))];
            double s = 0.0;
            for (const int c : counts) {
                if (c > 0) {
                    const double p = double(c) / inBox;
                    s -= p * std::log(p);
                }
            }
            sum += s;
            if (s > 0.0) {
                boundarySum += s;
                ++e.boundaryBoxes;
            }
        }
    }
    e.boxes = across * down;
    if (e.boxes > 0) {
        e.entropy = sum / e.boxes;
        e.boundaryFraction = double(e.boundaryBoxes) / e.boxes;
    }
    if (e.boundaryBoxes > 0)
        e.boundaryEntropy = boundarySum / e.boundaryBoxes;
    return e;
}

bool BasinEntropy::fractalBoundary() const
{
    return boundaryEntropy > std::log(2.0);
}
