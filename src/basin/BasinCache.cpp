#include "BasinCache.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Values go in as their bytes: 0.0 and -0.0 are different keys, and a NaN
// finds its own map.
template <class T> void append(std::string& key, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    key.append(bytes, sizeof(T));
}

} // namespace

std::string BasinCache::latticeKeyOf(const BasinRequest& r)
{
    std::string key;
    const ModelParameters& m = r.model;
    for (const double v : {m.pendulumLength, m.pendulumHeight, m.gravity, m.damping, m.kappa,
                           m.magFactor, r.tolerance, r.maxTime})
        append(key, v);
    append(key, int(m.magnets.size()));
    for (const Magnet& magnet : m.magnets)
        for (const float v : {magnet.posX, magnet.posY, magnet.posZ, magnet.alpha})
            append(key, v);
    // Without a grid the rectangle and its division place the pixels.
    const bool onGrid = !r.grid.isNull();
    append(key, onGrid);
    if (onGrid) {
        for (const double v :
             {r.grid.anchorX, r.grid.anchorY, r.grid.pixelWidth, r.grid.pixelHeight})
            append(key, v);
    } else {
        for (const double v : {r.left, r.bottom, r.right, r.top})
            append(key, v);
        for (const int v : {r.width, r.height})
            append(key, v);
    }
    return key;
}

std::string BasinCache::keyOf(const BasinRequest& r)
{
    std::string key = latticeKeyOf(r);
    for (const std::int64_t v : {r.column, r.row})
        append(key, v);
    for (const int v : {r.width, r.height, r.rowBegin, r.lastRow()})
        append(key, v);
    return key;
}

std::size_t BasinCache::bytesOf(const Entry& e)
{
    const BasinResult& r = e.result;
    return sizeof(Entry) + r.attractor.size() * sizeof(r.attractor[0]) +
           r.time.size() * sizeof(r.time[0]) + r.steps.size() * sizeof(r.steps[0]) +
           r.attractors.size() * sizeof(Attractor) + e.map.bytes();
}

std::shared_ptr<const BasinCache::Entry> BasinCache::find(const BasinRequest& request)
{
    const std::string key = keyOf(request);
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = index.find(key);
    if (found == index.end())
        return nullptr;
    order.splice(order.begin(), order, found->second);
    return found->second->entry;
}

void BasinCache::store(std::shared_ptr<const Entry> entry)
{
    const std::size_t bytes = bytesOf(*entry);
    std::string key = keyOf(entry->result.request);
    std::string lattice = latticeKeyOf(entry->result.request);
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = index.find(key);
    if (found != index.end()) {
        if (found->second->entry->isComplete() && !entry->isComplete())
            return;
        used -= found->second->bytes;
        order.erase(found->second);
        index.erase(found);
    }
    if (bytes > capacity)
        return;
    order.push_front(Item{key, std::move(lattice), std::move(entry), bytes});
    index.emplace(std::move(key), order.begin());
    used += bytes;
    evictLocked();
}

std::shared_ptr<const BasinResult> BasinCache::assemble(const BasinRequest& request)
{
    const std::string key = keyOf(request);
    const std::string lattice = latticeKeyOf(request);
    std::shared_ptr<const Entry> own;
    std::vector<std::shared_ptr<const Entry>> complete;
    std::vector<std::shared_ptr<const Entry>> partial;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const Item& item : order) {
            if (item.lattice != lattice)
                continue;
            if (item.key == key)
                own = item.entry;
            else
                (item.entry->isComplete() ? complete : partial).push_back(item.entry);
        }
    }
    if (!own && complete.empty() && partial.empty())
        return nullptr;

    // The maps never change: their pixels are copied without the lock.
    // In the request's colours, its rows as the engine clamps them.
    auto result = std::make_shared<BasinResult>();
    BasinRequest& r = result->request;
    r = request;
    r.rowBegin = std::clamp(r.rowBegin, 0, r.height);
    r.rowEnd = std::clamp(r.lastRow(), r.rowBegin, r.height);
    if (own) {
        result->attractors = own->result.attractors;
        result->attractor = own->result.attractor;
        result->time = own->result.time;
        result->steps = own->result.steps;
        result->stride = own->result.stride;
    } else {
        const std::size_t pixels = std::size_t(r.rowEnd - r.rowBegin) * std::size_t(r.width);
        result->attractor.assign(pixels, BasinResult::kNotComputed);
        result->time.assign(pixels, 0.0f);
        result->steps.assign(pixels, 0);
        result->attractors = (complete.empty() ? partial : complete).front()->result.attractors;
    }
    long long missing =
        std::count(result->attractor.begin(), result->attractor.end(), BasinResult::kNotComputed);
    long long taken = 0;
    for (const auto* sources : {&complete, &partial})
        for (const auto& source : *sources) {
            if (missing == 0)
                break;
            const long long n = result->takeOverlap(source->result);
            missing -= n;
            taken += n;
        }
    return own || taken > 0 ? result : nullptr;
}

BasinMap BasinCache::paintedNeighbour(const BasinRequest& request) const
{
    const std::string lattice = latticeKeyOf(request);
    std::lock_guard<std::mutex> lock(mutex);
    for (const Item& item : order)
        if (item.lattice == lattice && item.entry->isComplete() && !item.entry->map.isNull())
            return item.entry->map;
    return BasinMap();
}

void BasinCache::evictLocked()
{
    while (used > capacity) {
        used -= order.back().bytes;
        index.erase(order.back().key);
        order.pop_back();
    }
}

std::size_t BasinCache::bytesUsed() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return used;
}

std::size_t BasinCache::capacityBytes() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return capacity;
}

void BasinCache::setCapacityBytes(std::size_t bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    capacity = bytes;
    evictLocked();
}
