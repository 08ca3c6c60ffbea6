#include "BasinMap.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

BasinMap::BasinMap(const BasinResult& result, int stride, const BasinPainter& painter,
                   const BasinMap& known)
{
    // Every pixel, also at a coarse level: one computed beyond the level shows
    // (and is told) as itself.
    auto data = std::make_shared<Data>(Data{painter.paint(result, stride, known),
                                            result.request,
                                            stride,
                                            result.attractors,
                                            painter,
                                            {},
                                            result.attractor,
                                            result.time});
    const std::size_t n = result.attractors.size();
    std::vector<long long> counts(n + 1, 0);
    long long computed = 0;
    for (const std::int16_t a : data->attractor) {
        if (a == BasinResult::kNotComputed)
            continue;
        ++computed;
        ++counts[a >= 0 && std::size_t(a) < n ? std::size_t(a) : n];
    }
    for (std::size_t k = 0; k <= n; ++k)
        data->shares.push_back(computed > 0 ? double(counts[k]) / double(computed) : 0.0);
    d = std::move(data);
}

const QImage& BasinMap::image() const
{
    static const QImage none;
    return d ? d->image : none;
}

QRectF BasinMap::region() const
{
    if (!d)
        return {};
    const BasinRequest& r = d->request;
    return {r.left, r.bottom, r.right - r.left, r.top - r.bottom};
}

int BasinMap::stride() const
{
    return d ? d->stride : 0;
}

const std::vector<Attractor>& BasinMap::attractors() const
{
    static const std::vector<Attractor> none;
    return d ? d->attractors : none;
}

const std::vector<double>& BasinMap::shares() const
{
    static const std::vector<double> none;
    return d ? d->shares : none;
}

const BasinRequest& BasinMap::request() const
{
    static const BasinRequest none;
    return d ? d->request : none;
}

const std::vector<std::int16_t>& BasinMap::pixels() const
{
    static const std::vector<std::int16_t> none;
    return d ? d->attractor : none;
}

const std::vector<float>& BasinMap::times() const
{
    static const std::vector<float> none;
    return d ? d->time : none;
}

const BasinPainter& BasinMap::painter() const
{
    static const BasinPainter none{BasinResult()};
    return d ? d->painter : none;
}

std::size_t BasinMap::bytes() const
{
    if (!d)
        return 0;
    return std::size_t(d->image.sizeInBytes()) + d->attractor.size() * sizeof(d->attractor[0]) +
           d->time.size() * sizeof(d->time[0]);
}

QRgb BasinMap::colour(int attractor) const
{
    if (!d)
        return qRgb(0, 0, 0);
    return d->painter.colour(attractor, 0.0f);
}

bool BasinMap::sampleAt(double x, double y, int& attractor, float& time) const
{
    if (!d)
        return false;
    const BasinRequest& r = d->request;
    // Pixel i covers [left + i w / width, left + (i + 1) w / width), as the
    // engine places its centres.
    const double u = std::floor((x - r.left) / (r.right - r.left) * r.width);
    const double v = std::floor((r.top - y) / (r.top - r.bottom) * r.height);
    if (!(u >= 0.0 && u < r.width && v >= r.rowBegin && v < r.lastRow()))
        return false;
    // A coarse level shows the pixel at the block's corner, as it is painted,
    // unless the pixel itself is known.
    const int i = int(u);
    const int j = int(v);
    const auto at = [&](int column, int row) {
        return std::size_t(row - r.rowBegin) * std::size_t(r.width) + std::size_t(column);
    };
    std::size_t k = at(i, j);
    if (d->attractor[k] == BasinResult::kNotComputed)
        k = at(i - i % d->stride, std::max(j - j % d->stride, r.rowBegin));
    if (d->attractor[k] == BasinResult::kNotComputed)
        return false;
    attractor = d->attractor[k];
    time = d->time[k];
    return true;
}

QString BasinMap::describeAt(double x, double y) const
{
    int a = 0;
    float time = 0.0f;
    if (!sampleAt(x, y, a, time))
        return {};
    const QString seconds = QString::number(double(time), 'f', 2);
    if (a < 0 || a >= int(d->attractors.size()))
        return QCoreApplication::translate("BasinMap", "Undecided after %1 s").arg(seconds);
    const Attractor& rest = d->attractors[std::size_t(a)];
    if (rest.magnet >= 0)
        return QCoreApplication::translate("BasinMap", "Caught by magnet %1 after %2 s")
            .arg(rest.magnet)
            .arg(seconds);
    return QCoreApplication::translate("BasinMap",
                                       "Comes to rest over no magnet, at (%1, %2), after %3 s")
        .arg(QString::number(rest.x, 'g', 4), QString::number(rest.y, 'g', 4), seconds);
}
