#include "LogLogPlot.h"

#include "PlotArea.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

const QColor LogLogPlot::kLineColour(220, 60, 30);
const QColor LogLogPlot::kPointColour(30, 90, 200);

namespace {

// The decades [low, high] around the values' base-10 logarithms.
struct Decades
{
    int low = 0;
    int high = 1;
};

Decades decadesOf(double minimum, double maximum)
{
    Decades d{int(std::floor(std::log10(minimum))), int(std::ceil(std::log10(maximum)))};
    if (d.high <= d.low)
        d.high = d.low + 1;
    return d;
}

} // namespace

LogLogPlot::LogLogPlot(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void LogLogPlot::setPoints(std::vector<Point> points)
{
    points.erase(std::remove_if(points.begin(), points.end(),
                                [](const Point& p) { return !(p.x > 0.0 && p.y > 0.0); }),
                 points.end());
    shown = std::move(points);
    hasLine = false;
    update();
}

void LogLogPlot::setLine(double slope, double intercept)
{
    hasLine = std::isfinite(slope) && std::isfinite(intercept);
    lineSlope = slope;
    lineIntercept = intercept;
    update();
}

void LogLogPlot::clear()
{
    shown.clear();
    hasLine = false;
    update();
}

QSize LogLogPlot::sizeHint() const
{
    return {300, 220};
}

QSize LogLogPlot::minimumSizeHint() const
{
    return {160, 120};
}

void LogLogPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().base());
    if (shown.empty())
        return;

    const auto [xMin, xMax] = std::minmax_element(
        shown.begin(), shown.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
    const auto [yMin, yMax] = std::minmax_element(
        shown.begin(), shown.end(), [](const Point& a, const Point& b) { return a.y < b.y; });
    const Decades dx = decadesOf(xMin->x, xMax->x);
    const Decades dy = decadesOf(yMin->y, yMax->y);
    // In decades: the logarithms map linearly.
    const PlotArea area(rect(), dx.low, dx.high, dy.low, dy.high);
    if (!area.isUsable())
        return;

    // Axes and decade ticks.
    p.setPen(palette().color(QPalette::Text));
    area.drawBox(p);
    for (int k = dx.low; k <= dx.high; ++k)
        area.drawXTick(p, k, QStringLiteral("1e%1").arg(k));
    for (int k = dy.low; k <= dy.high; ++k)
        area.drawYTick(p, k, QStringLiteral("1e%1").arg(k));

    p.setClipRect(area.rect());
    if (hasLine) {
        // ln y = slope ln x + intercept is straight in log10 as well.
        const double ln10 = std::log(10.0);
        const auto lineAt = [&](double lx) {
            return area.toScreen(lx, (lineSlope * lx * ln10 + lineIntercept) / ln10);
        };
        p.setPen(QPen(PlotArea::greyed(kLineColour, isEnabled()), 2.0));
        p.drawLine(lineAt(dx.low), lineAt(dx.high));
    }
    const QColor points = PlotArea::greyed(kPointColour, isEnabled());
    p.setPen(QPen(points, 1.5));
    for (const Point& s : shown) {
        p.setBrush(s.fitted ? QBrush(points) : QBrush(Qt::NoBrush));
        p.drawEllipse(area.toScreen(std::log10(s.x), std::log10(s.y)), 3.5, 3.5);
    }
}
