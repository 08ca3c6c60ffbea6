#include "BasinPainter.h"

#include "BasinMap.h"

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

// One row of a map painted before, seen from a row of the result.
struct KnownRow
{
    const QRgb* colours = nullptr; // null: the row lies outside the known map
    const std::int16_t* attractor = nullptr;
    const float* time = nullptr;
    std::int64_t shift = 0; // the result's column i is the known map's i + shift
    int begin = 0;          // the result's columns it covers
    int end = 0;

    // Pixel i of the result's row, caught by `a` after `t`, as the known map
    // painted it; null when that map does not hold it as the same capture.
    const QRgb* find(int i, std::int16_t a, float t) const
    {
        if (!colours || i < begin || i >= end || a == BasinResult::kNotComputed)
            return nullptr;
        const std::size_t at = std::size_t(i + shift);
        return attractor[at] == a && time[at] == t ? colours + at : nullptr;
    }
};

// Where row j of the result lies in `known`.
KnownRow knownRow(const BasinRequest& r, const BasinMap& known, int j)
{
    KnownRow row;
    const BasinRequest& k = known.request();
    const std::int64_t kj = r.row + j - k.row;
    if (kj < k.rowBegin || kj >= k.lastRow())
        return row;
    row.shift = r.column - k.column;
    row.begin = int(std::clamp<std::int64_t>(-row.shift, 0, r.width));
    row.end = int(std::clamp<std::int64_t>(k.width - row.shift, row.begin, r.width));
    const std::size_t first = std::size_t(kj - k.rowBegin) * std::size_t(k.width);
    row.colours = reinterpret_cast<const QRgb*>(known.image().constScanLine(int(kj - k.rowBegin)));
    row.attractor = known.pixels().data() + first;
    row.time = known.times().data() + first;
    return row;
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
    return paint(result, stride, BasinMap());
}

QImage BasinPainter::paint(const BasinResult& result, int stride, const BasinMap& known) const
{
    const int width = result.width();
    const int rowBegin = result.rowBegin();
    QImage image(width, result.rowEnd() - rowBegin, QImage::Format_RGB32);
    const bool reuse = !known.isNull() && known.painter() == *this &&
                       result.request.sharesCellsWith(known.request());
    std::vector<QRgb> blocks(std::size_t(std::max(width, 0)));
    for (int j = rowBegin; j < result.rowEnd(); ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(j - rowBegin));
        const KnownRow before = reuse ? knownRow(result.request, known, j) : KnownRow();
        const std::size_t first = result.index(0, j);
        const auto colourOf = [&](int i) {
            const std::size_t k = first + std::size_t(i);
            const QRgb* kept = before.find(i, result.attractor[k], result.time[k]);
            return kept ? *kept : colourAt(result, k);
        };
        const int sourceRow = std::max(j - j % stride, rowBegin);
        // Each block is coloured once, in its first row.
        if (sourceRow == j)
            for (int i = 0; i < width; i += stride)
                std::fill(blocks.begin() + i, blocks.begin() + std::min(i + stride, width),
                          colourOf(i));
        std::copy(blocks.begin(), blocks.end(), line);
        if (stride == 1)
            continue;
        // Pixels known beyond the level (a map continued, or one that took
        // what an overlapping map had) show as themselves.
        for (int i = 0; i < width; ++i)
            if (result.attractor[first + std::size_t(i)] != BasinResult::kNotComputed &&
                (j != sourceRow || i % stride))
                line[i] = colourOf(i);
    }
    return image;
}

QRgb BasinPainter::colourAt(const BasinResult& result, std::size_t k) const
{
    return result.attractor[k] == BasinResult::kNotComputed
               ? kUndecided
               : colour(result.attractor[k], result.time[k]);
}
