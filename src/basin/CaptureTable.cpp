#include "CaptureTable.h"

CaptureTable::CaptureTable(const std::vector<Attractor>& attractors)
{
    for (const Attractor& a : attractors) {
        x.push_back(a.x);
        y.push_back(a.y);
        radius2.push_back(a.radius * a.radius);
        barrier.push_back(a.barrier);
    }
}

basin::CaptureDiscs CaptureTable::discs() const
{
    return {x.data(), y.data(), radius2.data(), barrier.data(), int(x.size())};
}
