#ifndef ORVALIS_FRACTIONPLOT_H
#define ORVALIS_FRACTIONPLOT_H

#include <QColor>
#include <QPointF>
#include <QWidget>

#include <vector>

// Shares of a map (0 to 1) against a parameter's value: one curve per
// magnet in its colour and one for the undecided pixels, through the points
// known so far; a vertical line marks the value shown. Drawn in grey while
// disabled.
class FractionPlot : public QWidget
{
    Q_OBJECT

public:
    struct Curve
    {
        QColor colour;
        std::vector<QPointF> points; // (value, share), in the order they are joined
    };

    static const QColor kMarkColour;

    explicit FractionPlot(QWidget* parent = nullptr);

    // The values the x axis spans, either way round.
    void setRange(double from, double to);
    void setCurves(std::vector<Curve> curves);
    void setMark(double value);
    const std::vector<Curve>& curves() const { return shown; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Curve> shown;
    double low = 0.0;
    double high = 1.0;
    double mark = 0.0;
};

#endif
