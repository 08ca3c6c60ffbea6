#include "BasinResult.h"

#include <algorithm>

long long BasinResult::takeOverlap(const BasinResult& other)
{
    const BasinRequest& a = request;
    const BasinRequest& b = other.request;
    if (!a.grid.sharesCellsWith(b.grid))
        return 0;
    // The shared cells, in the grid's own columns and rows.
    const std::int64_t c0 = std::max(a.column, b.column);
    const std::int64_t c1 = std::min(a.column + a.width, b.column + b.width);
    const std::int64_t r0 = std::max(a.row + a.rowBegin, b.row + b.rowBegin);
    const std::int64_t r1 = std::min(a.row + a.lastRow(), b.row + b.lastRow());
    if (c0 >= c1 || r0 >= r1)
        return 0;
    long long taken = 0;
    for (std::int64_t r = r0; r < r1; ++r) {
        const std::size_t to = index(int(c0 - a.column), int(r - a.row));
        const std::size_t from = other.index(int(c0 - b.column), int(r - b.row));
        for (std::size_t k = 0; std::int64_t(k) < c1 - c0; ++k) {
            if (attractor[to + k] != kNotComputed || other.attractor[from + k] == kNotComputed)
                continue;
            attractor[to + k] = other.attractor[from + k];
            time[to + k] = other.time[from + k];
            steps[to + k] = other.steps[from + k];
            ++taken;
        }
    }
    return taken;
}
