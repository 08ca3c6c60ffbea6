#ifndef ORVALIS_BANDCOVERAGE_H
#define ORVALIS_BANDCOVERAGE_H

#include <QString>

#include <utility>
#include <vector>

// The rows a set of bands holds. A merge needs every row of the image
// exactly once; otherwise it names the rows that are missing or doubled.
class BandCoverage
{
public:
    explicit BandCoverage(int height) : height(height) {}

    void add(int rowBegin, int rowEnd) { bands.emplace_back(rowBegin, rowEnd); }
    // Empty when every row is held exactly once; else the first fault, as
    // "rows 4 to 9 are in no band".
    QString fault() const;

private:
    int height;
    std::vector<std::pair<int, int>> bands;
};

#endif
