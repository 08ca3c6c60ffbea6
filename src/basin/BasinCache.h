#ifndef ORVALIS_BASINCACHE_H
#define ORVALIS_BASINCACHE_H

#include "BasinMap.h"
#include "BasinResult.h"

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

// The maps computed so far, complete or as far as they got, so that no
// pixel is computed twice: every pixel is exact and deterministic. A map is
// found by everything its pixels depend on, compared bit for bit: the
// model's values, the pixel grid (rectangle, width, height, band of rows),
// the tolerance and the time limit. Colours are not part of that: a map
// found for other colours is repainted, not recomputed. Maps on one grid
// (see BasinGrid) lend each other the cells they share: a pan computes only
// what it uncovers.
//
// Bounded: once the maps take more than the capacity, the least recently
// used go first. Safe to share between threads; the maps it hands out
// never change.
class BasinCache
{
public:
    // A map and the level of it the views were last given (null before the
    // first level).
    struct Entry
    {
        BasinResult result;
        BasinMap map;

        bool isComplete() const { return result.stride == 1; }
    };

    static constexpr std::size_t kDefaultCapacity = std::size_t(256) << 20;

    explicit BasinCache(std::size_t capacityBytes = kDefaultCapacity) : capacity(capacityBytes) {}

    BasinCache(const BasinCache&) = delete;
    BasinCache& operator=(const BasinCache&) = delete;

    // The map of the request's grid, now the most recently used; null when
    // the cache has none.
    std::shared_ptr<const Entry> find(const BasinRequest& request);
    // Keeps the map in place of what the cache had of its grid (a complete
    // map is never replaced by a partial one), then evicts down to the
    // capacity. A map larger than the capacity is not kept.
    void store(std::shared_ptr<const Entry> entry);
    // What the cache holds of the request's pixels: the map of its grid as far
    // as it got, completed by the cells the maps on the same grid share with
    // it (complete maps first, then the most recently used); null when it holds
    // none of them. A partial result the engine continues.
    std::shared_ptr<const BasinResult> assemble(const BasinRequest& request);
    // The most recently used complete map on the request's lattice as the
    // views were given it, to take the colours of what assemble() took from
    // (null when there is none).
    BasinMap paintedNeighbour(const BasinRequest& request) const;

    std::size_t bytesUsed() const;
    std::size_t capacityBytes() const;
    void setCapacityBytes(std::size_t bytes);

    // What the cache charges for a map.
    static std::size_t bytesOf(const Entry& entry);
    // Everything a pixel of the request depends on, as bytes.
    static std::string keyOf(const BasinRequest& request);
    // The same but for where on its grid the image lies: maps of one lattice
    // key share the pixels they overlap in, bit for bit.
    static std::string latticeKeyOf(const BasinRequest& request);

private:
    struct Item
    {
        std::string key;
        std::string lattice;
        std::shared_ptr<const Entry> entry;
        std::size_t bytes = 0;
    };
    using Order = std::list<Item>; // most recently used first

    void evictLocked();

    mutable std::mutex mutex;
    Order order;
    std::unordered_map<std::string, Order::iterator> index;
    std::size_t used = 0;
    std::size_t capacity;
};

#endif
