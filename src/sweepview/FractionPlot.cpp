#include "FractionPlot.h"

#include "PlotArea.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

const QColor FractionPlot::kMarkColour(220, 60, 30);

FractionPlot::FractionPlot(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void FractionPlot::setRange(double from, double to)
{
    low = std::min(from, to);
    high = std::max(from, to);
    // A sweep over one value still has an axis to stand on.
    if (!(high > low)) {
        const double pad = std::max(std::abs(low) * 0.05, 1e-6);
        low -= pad;
        high += pad;
    }
    update();
}

void FractionPlot::setCurves(std::vector<Curve> curves)
{
    shown = std::move(curves);
    update();
}

void FractionPlot::setMark(double value)
{
    mark = value;
    update();
}

QSize FractionPlot::sizeHint() const
{
    return {300, 180};
}

QSize FractionPlot::minimumSizeHint() const
{
    return {160, 110};
}

void FractionPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().base());
    const PlotArea area(rect(), low, high, 0.0, 1.0);
    if (!area.isUsable())
        return;

    p.setPen(palette().color(QPalette::Text));
    area.drawBox(p);
    for (const double x : {low, high})
        area.drawXTick(p, x, QString::number(x, 'g', 4));
    for (const double y : {0.0, 0.5, 1.0})
        area.drawYTick(p, y, QString::number(y, 'g', 2));

    p.setClipRect(area.rect().adjusted(-2, -2, 2, 2));
    for (const Curve& c : shown) {
        QPolygonF line;
        for (const QPointF& v : c.points)
            line.append(area.toScreen(v.x(), v.y()));
        p.setPen(QPen(PlotArea::greyed(c.colour, isEnabled()), 1.8));
        p.drawPolyline(line);
    }
    if (mark >= low && mark <= high) {
        p.setPen(QPen(PlotArea::greyed(kMarkColour, isEnabled()), 1.0, Qt::DashLine));
        p.drawLine(area.toScreen(mark, 0.0), area.toScreen(mark, 1.0));
    }
}
