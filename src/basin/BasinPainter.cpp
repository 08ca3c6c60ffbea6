#include "BasinPainter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr QRgb kUndecided = qRgb(18, 18, 22);
constexpr QRgb kNoMagnet = qRgb(150, 150, 150);
// Captures that took long fade towards this share of the full colour.
constexpr double kDarkest = 0.22;

int channel(double v)
{
    return std::clamp(int(std::lround(v * 255.0)), 0, 255);
}

} // namespace

BasinPainter::BasinPainter(const BasinResult& result)
{
    const std::vector<Magnet>& magnets = result.request.model.magnets;
    for (const Attractor& a : result.attractors) {
        if (a.magnet >= 0 && a.magnet < int(magnets.size())) {
            const float* c = magnets[std::size_t(a.magnet)].color;
            base.push_back(qRgb(channel(c[0]), channel(c[1]), channel(c[2])));
        } else {
            base.push_back(kNoMagnet);
        }
    }
    // The energy decays at about the rate of the damping: a few of its time
    // constants separate a quick capture from a slow one.
    const double damping = result.request.model.damping;
    const double limit = result.request.maxTime / 3.0;
    timeScale = damping > 0.0 ? std::min(2.5 / damping, limit) : limit;
    if (!(timeScale > 0.0))
        timeScale = 1.0;
}

QRgb BasinPainter::colour(int attractor, float time) const
{
    if (attractor < 0 || attractor >= int(base.size()))
        return kUndecided;
    const double shade = kDarkest + (1.0 - kDarkest) * std::exp(-double(time) / timeScale);
    const QRgb c = base[std::size_t(attractor)];
    return qRgb(int(std::lround(qRed(c) * shade)), int(std::lround(qGreen(c) * shade)),
                int(std::lround(qBlue(c) * shade)));
}

QImage BasinPainter::paint(const BasinResult& result, int stride) const
{
    const int width = result.width();
    const int rowBegin = result.rowBegin();
    QImage image(width, result.rowEnd() - rowBegin, QImage::Format_RGB32);
    std::vector<QRgb> blocks(std::size_t(std::max(width, 0)));
    for (int j = rowBegin; j < result.rowEnd(); ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(j - rowBegin));
        const int sourceRow = std::max(j - j % stride, rowBegin);
        // Each block is coloured once, in its first row.
        if (sourceRow == j)
            for (int i = 0; i < width; i += stride)
                std::fill(blocks.begin() + i, blocks.begin() + std::min(i + stride, width),
                          colourAt(result, result.index(i, j)));
        std::copy(blocks.begin(), blocks.end(), line);
        if (stride == 1)
            continue;
        // Pixels known beyond the level (a map continued, or one that took
        // what an overlapping map had) show as themselves.
        for (int i = 0; i < width; ++i) {
            const std::size_t k = result.index(i, j);
            if (result.attractor[k] != BasinResult::kNotComputed && (j != sourceRow || i % stride))
                line[i] = colourAt(result, k);
        }
    }
    return image;
}

QRgb BasinPainter::colourAt(const BasinResult& result, std::size_t k) const
{
    return result.attractor[k] == BasinResult::kNotComputed
               ? kUndecided
               : colour(result.attractor[k], result.time[k]);
}
