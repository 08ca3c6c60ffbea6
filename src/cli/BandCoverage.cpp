#include "BandCoverage.h"

#include <algorithm>

namespace {

QString rows(int first, int last)
{
    return first == last ? QStringLiteral("row %1 is").arg(first)
                         : QStringLiteral("rows %1 to %2 are").arg(first).arg(last);
}

} // namespace

QString BandCoverage::fault() const
{
    std::vector<std::pair<int, int>> sorted = bands;
    std::sort(sorted.begin(), sorted.end());
    int next = 0; // the first row no band so far holds
    for (const auto& [begin, end] : sorted) {
        if (begin < 0 || begin >= end || end > height)
            return QStringLiteral("a band holds rows %1 to %2 of an image of %3 rows")
                .arg(begin)
                .arg(end - 1)
                .arg(height);
        if (begin > next)
            return rows(next, begin - 1) + QStringLiteral(" in no band");
        if (begin < next)
            return rows(begin, std::min(next, end) - 1) + QStringLiteral(" in more than one band");
        next = end;
    }
    if (next < height)
        return rows(next, height - 1) + QStringLiteral(" in no band");
    return QString();
}
