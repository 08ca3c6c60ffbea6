#ifndef ORVALIS_BASINRESULT_H
#define ORVALIS_BASINRESULT_H

#include "BasinRequest.h"
#include "PotentialLandscape.h"

#include <cstdint>
#include <vector>

// A map, or the part of it computed so far: per pixel of the request's rows
// the attractor that caught the bob (or undecided, or not yet computed), the
// time it took and the accepted steps.
struct BasinResult
{
    static constexpr std::int16_t kUndecided = -1;
    static constexpr std::int16_t kNotComputed = -2;

    BasinRequest request;
    std::vector<Attractor> attractors;
    std::vector<std::int16_t> attractor; // index into attractors, or the two codes above
    std::vector<float> time;             // model time of the capture (or of the end)
    std::vector<std::int32_t> steps;     // accepted steps up to it
    int stride = 0;                      // of the finest complete level; 0 for none
    bool cancelled = false;

    int width() const { return request.width; }
    int rowBegin() const { return request.rowBegin; }
    int rowEnd() const { return request.lastRow(); }
    // Index of pixel (i, j), j a row of the whole image within the band.
    std::size_t index(int i, int j) const
    {
        return std::size_t(j - request.rowBegin) * std::size_t(request.width) + std::size_t(i);
    }
    // Takes the pixels of `other` that lie on this result's grid cells and
    // are not computed here yet; `other` must be of the same model,
    // tolerance and time limit. Nothing unless both lie on one grid. Returns
    // how many pixels it took.
    long long takeOverlap(const BasinResult& other);
};

#endif
