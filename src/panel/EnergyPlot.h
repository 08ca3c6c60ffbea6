#ifndef ORVALIS_ENERGYPLOT_H
#define ORVALIS_ENERGYPLOT_H

#include "EnergyCurve.h"

#include <QColor>
#include <QWidget>

#include <vector>

// A small plot of the bob's energy against model time over the whole path:
// the moment of capture as a vertical line in the attractor's colour, and the
// playback's time as a moving marker.
class EnergyPlot : public QWidget
{
    Q_OBJECT

public:
    explicit EnergyPlot(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // A new path; a negative capture time marks none.
    void setCurve(EnergyCurve curve, double captureTime, const QColor& captureColour);
    // The playback's model time.
    void setTime(double time);

    // Where a model time lies across the widget, in pixels from its left.
    double xOf(double time) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF plotArea() const;
    // Per pixel column of the plot, the lowest and highest energy in it.
    void rebuildEnvelope(int columns);

    EnergyCurve curve;
    double lowest = 0.0;
    double highest = 0.0;
    double captureTime = -1.0;
    QColor captureColour;
    double now = 0.0;
    std::vector<std::pair<double, double>> envelope;
};

#endif
