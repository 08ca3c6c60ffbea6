#ifndef ORVALIS_LABELGRID_H
#define ORVALIS_LABELGRID_H

#include "BasinResult.h"

#include <optional>
#include <vector>

// A map as the measurements see it: row after row of labels 0 ... count-1.
// From a map, a pixel's label is its attractor's index and the undecided
// pixels share the label after the last attractor.
class LabelGrid
{
public:
    // `labels` holds width * height values, none negative.
    LabelGrid(int width, int height, std::vector<int> labels);
    // Nothing for a map with pixels not computed (one cancelled or still
    // running).
    static std::optional<LabelGrid> fromResult(const BasinResult& result);

    int width() const { return columns; }
    int height() const { return rows; }
    // One more than the largest label.
    int labelCount() const { return count; }
    int at(int i, int j) const
    {
        return values[std::size_t(j) * std::size_t(columns) + std::size_t(i)];
    }
    const std::vector<int>& labels() const { return values; }

private:
    int columns = 0;
    int rows = 0;
    int count = 0;
    std::vector<int> values;
};

#endif
