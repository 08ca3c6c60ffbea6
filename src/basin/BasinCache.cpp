#include "BasinCache.h"

#include <cstring>

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

std::string BasinCache::keyOf(const BasinRequest& r)
{
    std::string key;
    const ModelParameters& m = r.model;
    for (const double v : {m.pendulumLength, m.pendulumHeight, m.gravity, m.damping, m.kappa,
                           m.magFactor, r.left, r.bottom, r.right, r.top, r.tolerance, r.maxTime})
        append(key, v);
    for (const int v : {r.width, r.height, r.rowBegin, r.lastRow(), int(m.magnets.size())})
        append(key, v);
    for (const Magnet& magnet : m.magnets)
        for (const float v : {magnet.posX, magnet.posY, magnet.posZ, magnet.alpha})
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
    order.push_front(Item{key, std::move(entry), bytes});
    index.emplace(std::move(key), order.begin());
    used += bytes;
    evictLocked();
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
