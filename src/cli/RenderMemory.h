#ifndef ORVALIS_RENDERMEMORY_H
#define ORVALIS_RENDERMEMORY_H

#include <cstdint>

// What a render holds in memory at once, and what the machine can give: a
// map too large is refused before any work, with a message, rather than
// aborting halfway.
class RenderMemory
{
public:
    // Bytes for `rows` rows of `width` pixels: the engine's result per pixel
    // (attractor, time, steps), the painted image and the PNG writer's copy.
    static std::uint64_t needed(int width, int rows);
    // The smaller of the memory the system reports available (with free swap)
    // and what the address-space limit leaves; UINT64_MAX when neither is known.
    static std::uint64_t available();
};

#endif
