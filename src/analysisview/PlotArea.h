#ifndef ORVALIS_PLOTAREA_H
#define ORVALIS_PLOTAREA_H

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

class QPainter;

// The axes' box of a plot inside its widget, with room for the tick labels
// left and below, and the ranges of x and y it spans, mapped linearly (a
// log-log plot gives it logarithms). Draws the box and the ticks.
class PlotArea
{
public:
    PlotArea(const QRect& widget, double xLow, double xHigh, double yLow, double yHigh);

    // Whether the box has room for anything.
    bool isUsable() const { return box.width() >= 10 && box.height() >= 10; }
    const QRectF& rect() const { return box; }
    QPointF toScreen(double x, double y) const;

    // Both in the painter's pen.
    void drawBox(QPainter& p) const;
    void drawXTick(QPainter& p, double x, const QString& label) const;
    void drawYTick(QPainter& p, double y, const QString& label) const;

    // The colour as a disabled plot draws it.
    static QColor greyed(const QColor& c, bool enabled);

private:
    QRectF box;
    double xLow;
    double xHigh;
    double yLow;
    double yHigh;
};

#endif
