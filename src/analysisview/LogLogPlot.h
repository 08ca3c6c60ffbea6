#ifndef ORVALIS_LOGLOGPLOT_H
#define ORVALIS_LOGLOGPLOT_H

#include <QColor>
#include <QWidget>

#include <vector>

// Points (x, y > 0) on log-log axes with decade ticks, and optionally the
// straight line ln y = slope ln x + intercept across them. Points with
// `fitted` set are filled, the others hollow. Drawn in grey while disabled.
class LogLogPlot : public QWidget
{
    Q_OBJECT

public:
    struct Point
    {
        double x = 0.0;
        double y = 0.0;
        bool fitted = false;
    };

    static const QColor kLineColour;
    static const QColor kPointColour;

    explicit LogLogPlot(QWidget* parent = nullptr);

    // Points with x or y not above 0 have no place on the axes and are left out.
    void setPoints(std::vector<Point> points);
    void setLine(double slope, double intercept);
    void clear();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Point> shown;
    bool hasLine = false;
    double lineSlope = 0.0;
    double lineIntercept = 0.0;
};

#endif
