#include "LogLogPlot.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

const QColor LogLogPlot::kLineColour(220, 60, 30);
const QColor LogLogPlot::kPointColour(30, 90, 200);

namespace {

// Room for the tick labels left and below.
constexpr int kLeft = 44;
constexpr int kRight = 10;
constexpr int kTop = 10;
constexpr int kBottom = 26;

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

QColor greyed(const QColor& c, bool enabled)
{
    return enabled ? c : QColor::fromHsv(c.hue(), 0, 170);
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
    const QRectF area(kLeft, kTop, width() - kLeft - kRight, height() - kTop - kBottom);
    if (shown.empty() || area.width() < 10 || area.height() < 10)
        return;

    const auto [xMin, xMax] = std::minmax_element(
        shown.begin(), shown.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
    const auto [yMin, yMax] = std::minmax_element(
        shown.begin(), shown.end(), [](const Point& a, const Point& b) { return a.y < b.y; });
    const Decades dx = decadesOf(xMin->x, xMax->x);
    const Decades dy = decadesOf(yMin->y, yMax->y);
    const auto toScreen = [&](double lx, double ly) {
        return QPointF(area.left() + (lx - dx.low) / (dx.high - dx.low) * area.width(),
                       area.bottom() - (ly - dy.low) / (dy.high - dy.low) * area.height());
    };

    // Axes and decade ticks.
    p.setPen(palette().color(QPalette::Text));
    p.drawRect(area);
    const QFontMetrics metrics = p.fontMetrics();
    for (int k = dx.low; k <= dx.high; ++k) {
        const QPointF at = toScreen(k, dy.low);
        p.drawLine(at, at - QPointF(0, 4));
        const QString label = QStringLiteral("1e%1").arg(k);
        p.drawText(
            QPointF(at.x() - metrics.horizontalAdvance(label) / 2.0, at.y() + metrics.ascent() + 3),
            label);
    }
    for (int k = dy.low; k <= dy.high; ++k) {
        const QPointF at = toScreen(dx.low, k);
        p.drawLine(at, at + QPointF(4, 0));
        const QString label = QStringLiteral("1e%1").arg(k);
        p.drawText(QPointF(at.x() - metrics.horizontalAdvance(label) - 4,
                           at.y() + metrics.ascent() / 2.0 - 1),
                   label);
    }

    p.setClipRect(area);
    if (hasLine) {
        // ln y = slope ln x + intercept is straight in log10 as well.
        const double ln10 = std::log(10.0);
        const auto lineAt = [&](double lx) {
            return toScreen(lx, (lineSlope * lx * ln10 + lineIntercept) / ln10);
        };
        p.setPen(QPen(greyed(kLineColour, isEnabled()), 2.0));
        p.drawLine(lineAt(dx.low), lineAt(dx.high));
    }
    const QColor points = greyed(kPointColour, isEnabled());
    p.setPen(QPen(points, 1.5));
    for (const Point& s : shown) {
        p.setBrush(s.fitted ? QBrush(points) : QBrush(Qt::NoBrush));
        p.drawEllipse(toScreen(std::log10(s.x), std::log10(s.y)), 3.5, 3.5);
    }
}
