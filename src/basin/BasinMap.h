#ifndef ORVALIS_BASINMAP_H
#define ORVALIS_BASINMAP_H

#include "BasinPainter.h"
#include "BasinResult.h"

#include <QImage>
#include <QMetaType>
#include <QRectF>
#include <QRgb>
#include <QString>

#include <memory>
#include <vector>

// One level of a map as the views show it: the coloured image, the rectangle
// of the plane it covers, and what the bob does from each of its pixels.
// Made on the thread that computed the level and handed to the GUI by value;
// copies share their data, which never changes.
class BasinMap
{
public:
    BasinMap() = default;
    // Takes what the views need of `result` at the level of `stride`; the
    // colours of the pixels `known` shows alike are copied from it.
    BasinMap(const BasinResult& result, int stride, const BasinPainter& painter,
             const BasinMap& known = BasinMap());

    bool isNull() const { return !d; }
    // Row 0 is the top of the rectangle (the largest y).
    const QImage& image() const;
    // (left, bottom, width, height) in the plane, y up: top() is the smallest y.
    QRectF region() const;
    // 1 for the full map; a coarser level shows each computed pixel as a block.
    int stride() const;
    const std::vector<Attractor>& attractors() const;
    // Share of the computed pixels per attractor, then of the undecided ones.
    const std::vector<double>& shares() const;
    // What the level was computed from.
    const BasinRequest& request() const;
    // Per pixel, row after row: an index into attractors() or a BasinResult
    // code (a coarse level has pixels not computed yet).
    const std::vector<std::int16_t>& pixels() const;
    // The capture times of the same pixels.
    const std::vector<float>& times() const;
    // What coloured it.
    const BasinPainter& painter() const;
    // Memory held by the level's image and pixels.
    std::size_t bytes() const;
    // The attractor's colour for the quickest capture; any other index, the
    // colour of the undecided pixels.
    QRgb colour(int attractor) const;

    // What the bob released at rest at (x, y) does, as the map shows it:
    // false outside the map; `attractor` is an index or BasinResult::kUndecided.
    bool sampleAt(double x, double y, int& attractor, float& time) const;
    // The same in words, for the status bar; empty outside the map.
    QString describeAt(double x, double y) const;

private:
    struct Data
    {
        QImage image;
        BasinRequest request;
        int stride;
        std::vector<Attractor> attractors;
        BasinPainter painter;
        std::vector<double> shares; // per attractor, then undecided
        // Per pixel, as the result had them.
        std::vector<std::int16_t> attractor;
        std::vector<float> time;
    };
    std::shared_ptr<const Data> d;
};

Q_DECLARE_METATYPE(BasinMap)

#endif
