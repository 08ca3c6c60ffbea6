#include "EnergyPlot.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kMargin = 3;
const QColor kBackground(20, 20, 24);
const QColor kCurveColour(230, 230, 230);
const QColor kMarkerColour(255, 200, 60);

} // namespace

EnergyPlot::EnergyPlot(QWidget* parent) : QWidget(parent)
{
    setToolTip(tr("Energy of the bob against model time: kinetic, gravitational and magnetic, "
                  "per unit mass. The coloured line marks the capture, the yellow one the "
                  "playback."));
}

QSize EnergyPlot::sizeHint() const
{
    return {180, 70};
}

QSize EnergyPlot::minimumSizeHint() const
{
    return {60, 40};
}

void EnergyPlot::setCurve(EnergyCurve newCurve, double capture, const QColor& colour)
{
    curve = std::move(newCurve);
    captureTime = capture;
    captureColour = colour;
    lowest = std::numeric_limits<double>::infinity();
    highest = -lowest;
    for (const double e : curve.energy) {
        if (std::isfinite(e)) {
            lowest = std::min(lowest, e);
            highest = std::max(highest, e);
        }
    }
    envelope.clear();
    update();
}

void EnergyPlot::setTime(double time)
{
    if (time == now)
        return;
    now = time;
    update();
}

QRectF EnergyPlot::plotArea() const
{
    return QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
}

double EnergyPlot::xOf(double time) const
{
    const QRectF area = plotArea();
    const double duration = curve.isEmpty() ? 0.0 : curve.time.back();
    if (!(duration > 0.0))
        return area.left();
    return area.left() + std::clamp(time / duration, 0.0, 1.0) * area.width();
}

void EnergyPlot::rebuildEnvelope(int columns)
{
    // A path may hold a million samples; the plot needs a pair a column.
    envelope.assign(std::size_t(columns), {std::numeric_limits<double>::infinity(),
                                           -std::numeric_limits<double>::infinity()});
    const double duration = curve.time.back();
    for (std::size_t i = 0; i < curve.time.size(); ++i) {
        const double e = curve.energy[i];
        if (!std::isfinite(e))
            continue;
        const double share = duration > 0.0 ? curve.time[i] / duration : 0.0;
        const int c = std::clamp(int(share * (columns - 1)), 0, columns - 1);
        auto& [low, high] = envelope[std::size_t(c)];
        low = std::min(low, e);
        high = std::max(high, e);
    }
}

void EnergyPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const QRectF area = plotArea();
    if (curve.isEmpty() || !(highest >= lowest) || area.width() < 2.0)
        return;
    const int columns = int(area.width());
    if (int(envelope.size()) != columns)
        rebuildEnvelope(columns);

    const double range = highest > lowest ? highest - lowest : 1.0;
    const auto yOf = [&](double e) { return area.bottom() - (e - lowest) / range * area.height(); };
    painter.setPen(QPen(kCurveColour, 1.0));
    QPointF previous;
    bool started = false;
    for (int c = 0; c < columns; ++c) {
        const auto [low, high] = envelope[std::size_t(c)];
        if (!(low <= high))
            continue;
        const double x = area.left() + c + 0.5;
        const QPointF top(x, yOf(high));
        if (started)
            painter.drawLine(previous, top);
        painter.drawLine(top, QPointF(x, yOf(low)));
        previous = QPointF(x, yOf(low));
        started = true;
    }

    if (captureTime >= 0.0) {
        painter.setPen(QPen(captureColour, 2.0));
        const double x = xOf(captureTime);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    painter.setPen(QPen(kMarkerColour, 1.0));
    const double x = xOf(now);
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
}
