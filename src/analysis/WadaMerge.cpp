#include "WadaMerge.h"

#include "LabelGrid.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

using Mask = std::vector<std::uint8_t>;

// The pixels with a 4-neighbour on the other side of `label`'s basin.
Mask boundaryOf(const LabelGrid& g, int label)
{
    const int w = g.width();
    const int h = g.height();
    Mask mask(std::size_t(w) * std::size_t(h), 0);
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const bool inside = g.at(i, j) == label;
            const bool differs = (i > 0 && (g.at(i - 1, j) == label) != inside) ||
                                 (i + 1 < w && (g.at(i + 1, j) == label) != inside) ||
                                 (j > 0 && (g.at(i, j - 1) == label) != inside) ||
                                 (j + 1 < h && (g.at(i, j + 1) == label) != inside);
            mask[std::size_t(j) * std::size_t(w) + std::size_t(i)] = differs;
        }
    }
    return mask;
}

// One pass of a square dilation: element k of the n elements at `first`,
// `first + stride`, ... becomes 1 when any within r of it along the line is.
void dilateLine(const std::uint8_t* in, std::uint8_t* out, int n, std::size_t stride, int r)
{
    int count = 0; // set elements within the window [k - r, k + r]
    for (int k = 0; k < std::min(r, n); ++k)
        count += in[std::size_t(k) * stride];
    for (int k = 0; k < n; ++k) {
        if (k + r < n)
            count += in[std::size_t(k + r) * stride];
        if (k - r - 1 >= 0)
            count -= in[std::size_t(k - r - 1) * stride];
        out[std::size_t(k) * stride] = count > 0;
    }
}

// The pixels within Chebyshev distance r of the mask: rows, then columns.
Mask nearTo(const Mask& mask, int w, int h, int r)
{
    Mask rows(mask.size());
    for (int j = 0; j < h; ++j)
        dilateLine(&mask[std::size_t(j) * std::size_t(w)], &rows[std::size_t(j) * std::size_t(w)],
                   w, 1, r);
    Mask near(mask.size());
    for (int i = 0; i < w; ++i)
        dilateLine(&rows[std::size_t(i)], &near[std::size_t(i)], h, std::size_t(w), r);
    return near;
}

} // namespace

WadaMerge WadaMerge::measure(const LabelGrid& grid, int radius)
{
    if (radius < 0)
        throw std::invalid_argument("WadaMerge: the radius must not be negative");
    WadaMerge result;
    result.radius = radius;
    const std::size_t total = grid.labels().size();
    std::vector<std::size_t> pixels(std::size_t(grid.labelCount()), 0);
    for (const int label : grid.labels())
        ++pixels[std::size_t(label)];
    for (int label = 0; label < grid.labelCount(); ++label)
        if (pixels[std::size_t(label)] * 100 >= total)
            result.basins.push_back(label);
    if (result.basins.size() < 3)
        return result;

    std::vector<Mask> boundary;
    std::vector<Mask> near;
    for (const int label : result.basins) {
        boundary.push_back(boundaryOf(grid, label));
        near.push_back(nearTo(boundary.back(), grid.width(), grid.height(), radius));
    }
    for (std::size_t j = 0; j < boundary.size(); ++j) {
        for (std::size_t k = 0; k < boundary.size(); ++k) {
            if (j == k)
                continue;
            std::size_t onBoundary = 0;
            std::size_t far = 0;
            for (std::size_t p = 0; p < total; ++p) {
                onBoundary += boundary[j][p];
                far += boundary[j][p] & !near[k][p];
            }
            if (onBoundary > 0)
                result.value = std::max(result.value, double(far) / double(onBoundary));
        }
    }
    result.defined = true;
    return result;
}
