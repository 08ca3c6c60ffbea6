#include "RenderMemory.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

// A field of /proc/meminfo in bytes, or kUnknown.
std::uint64_t memInfo(const std::string& key)
{
    std::ifstream in("/proc/meminfo");
    std::string name;
    std::uint64_t kib = 0;
    std::string unit;
    while (in >> name >> kib >> unit)
        if (name == key + ":")
            return kib * 1024;
    return kUnknown;
}

// Address space this process already uses, from /proc/self/statm.
std::uint64_t addressSpaceUsed()
{
    std::ifstream in("/proc/self/statm");
    std::uint64_t pages = 0;
    return in >> pages ? pages * std::uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

} // namespace

std::uint64_t RenderMemory::needed(int width, int rows)
{
    constexpr std::uint64_t result = sizeof(std::int16_t) + sizeof(float) + sizeof(std::int32_t);
    constexpr std::uint64_t image = 4;
    return std::uint64_t(width) * std::uint64_t(rows) * (result + 2 * image);
}

std::uint64_t RenderMemory::available()
{
    std::uint64_t limit = kUnknown;
    const std::uint64_t memory = memInfo("MemAvailable");
    const std::uint64_t swap = memInfo("SwapFree");
    if (memory != kUnknown)
        limit = memory + (swap != kUnknown ? swap : 0);
    rlimit space{};
    if (getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t used = addressSpaceUsed();
        const std::uint64_t cap = std::uint64_t(space.rlim_cur);
        limit = std::min(limit, cap > used ? cap - used : 0);
    }
    return limit;
}
