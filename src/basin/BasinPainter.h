#ifndef ORVALIS_BASINPAINTER_H
#define ORVALIS_BASINPAINTER_H

#include "BasinResult.h"

#include <QImage>
#include <QRgb>

#include <vector>

class BasinMap;

// Colours a map: each attractor in the colour of its magnet (a minimum over
// no magnet in neutral grey), bright where the bob was caught quickly and
// darker the longer it took; undecided pixels dark. A pixel's colour depends
// on that pixel alone and on a time scale fixed by the damping and the time
// limit, so bands of one image painted apart fit together.
class BasinPainter
{
public:
    explicit BasinPainter(const BasinResult& result);

    QRgb colour(int attractor, float time) const;
    // The rows of the result; a level coarser than 1 shows each of its
    // pixels as a block of stride by stride pixels, under the pixels computed
    // beyond it.
    QImage paint(const BasinResult& result, int stride = 1) const;
    // The same, but a pixel that `known`, painted alike on the same lattice,
    // holds as the same capture is copied from its image rather than
    // coloured again: a pan or a finer level repaints only what is new.
    QImage paint(const BasinResult& result, int stride, const BasinMap& known) const;

    bool operator==(const BasinPainter& other) const
    {
        return base == other.base && timeScale == other.timeScale;
    }

private:
    // Of pixel k of the result; not computed yet, as undecided.
    QRgb colourAt(const BasinResult& result, std::size_t k) const;

    std::vector<QRgb> base; // per attractor
    double timeScale = 1.0;
};

#endif
