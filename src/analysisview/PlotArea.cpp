#include "PlotArea.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// Room for the tick labels left and below.
constexpr int kLeft = 44;
constexpr int kRight = 10;
constexpr int kTop = 10;
constexpr int kBottom = 26;

} // namespace

PlotArea::PlotArea(const QRect& widget, double xLow, double xHigh, double yLow, double yHigh)
    : box(widget.left() + kLeft, widget.top() + kTop, widget.width() - kLeft - kRight,
          widget.height() - kTop - kBottom),
      xLow(xLow), xHigh(xHigh), yLow(yLow), yHigh(yHigh)
{
}

QPointF PlotArea::toScreen(double x, double y) const
{
    return QPointF(box.left() + (x - xLow) / (xHigh - xLow) * box.width(),
                   box.bottom() - (y - yLow) / (yHigh - yLow) * box.height());
}

void PlotArea::drawBox(QPainter& p) const
{
    p.drawRect(box);
}

void PlotArea::drawXTick(QPainter& p, double x, const QString& label) const
{
    const QPointF at = toScreen(x, yLow);
    p.drawLine(at, at - QPointF(0, 4));
    const QFontMetrics metrics = p.fontMetrics();
    p.drawText(
        QPointF(at.x() - metrics.horizontalAdvance(label) / 2.0, at.y() + metrics.ascent() + 3),
        label);
}

void PlotArea::drawYTick(QPainter& p, double y, const QString& label) const
{
    const QPointF at = toScreen(xLow, y);
    p.drawLine(at, at + QPointF(4, 0));
    const QFontMetrics metrics = p.fontMetrics();
    p.drawText(
        QPointF(at.x() - metrics.horizontalAdvance(label) - 4, at.y() + metrics.ascent() / 2.0 - 1),
        label);
}

QColor PlotArea::greyed(const QColor& c, bool enabled)
{
    return enabled ? c : QColor::fromHsv(c.hue(), 0, 170);
}
