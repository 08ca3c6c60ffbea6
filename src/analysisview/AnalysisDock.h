#ifndef ORVALIS_ANALYSISDOCK_H
#define ORVALIS_ANALYSISDOCK_H

#include "BackgroundTask.h"
#include "BasinMap.h"
#include "BasinMeasurements.h"
#include "MapFigures.h"

#include <QDockWidget>
#include <QRectF>
#include <QSize>

#include <optional>

class LogLogPlot;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

// The measurements of the map in view, once it is complete: the labels'
// shares, the basin entropy with its boundary and ln 2 verdict, and the Wada
// merging test, worked out on a thread of their own as each complete map
// arrives while the dock shows. On request the uncertainty exponent, sampled
// exactly in the background (progress, cancellable), with f(eps) on log-log
// axes and the fitted line. A change of the view or the model marks what is
// shown stale, greyed, until it is measured again.
class AnalysisDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit AnalysisDock(QWidget* parent = nullptr);
    ~AnalysisDock() override;

    // Whether the figures, or the exponent, are not of the map in view.
    bool figuresStale() const { return gridStale; }
    bool exponentStale() const { return expStale; }
    bool isMeasuringExponent() const { return exponentTask.isBusy(); }
    // What is shown; nothing before the first measure.
    const std::optional<MapFigures>& figures() const { return shownFigures; }
    const std::optional<UncertaintyExponent>& exponent() const { return shownExponent; }

public slots:
    // Any level of the map in view; a coarse one means a new map is coming.
    void setMap(const BasinMap& map);
    // The view or the model changed: what is shown is no longer of it.
    void markStale();
    // What the 2D view shows, as the map's mapper is told: a real change
    // marks the figures stale (the view repeats itself on a reset).
    void setView(const QRectF& region, const QSize& pixels);
    void measureExponent();
    void cancelExponent();

private:
    void buildFigures(QWidget* box);
    void buildExponent(QWidget* box);
    void measureFigures();
    void figuresMeasured(int serial, std::optional<MapFigures> figures);
    void exponentMeasured(int serial, bool done);
    void showFigures();
    void showExponent();
    void showState();

    // The complete map in view, null after a change; serial counts them and
    // the changes, so that a measure knows whether it is still current.
    BasinMap map;
    int serial = 0;
    QRectF viewRegion;
    QSize viewPixels;
    bool gridStale = true;
    bool expStale = true;
    std::optional<MapFigures> shownFigures;
    std::optional<UncertaintyExponent> shownExponent;

    BasinMeasurements measurements;
    std::optional<MapFigures> measuredFigures; // written by the figures' thread
    bool exponentMeasuredOk = false;           // written by the exponent's thread
    BackgroundTask figureTask;
    BackgroundTask exponentTask;

    QLabel* state = nullptr;
    QWidget* figureBox = nullptr;
    QLabel* sharesText = nullptr;
    QLabel* entropyText = nullptr;
    QLabel* boundaryEntropyText = nullptr;
    QLabel* boundaryFractionText = nullptr;
    QLabel* wadaText = nullptr;
    QWidget* exponentBox = nullptr;
    QSpinBox* samples = nullptr;
    QPushButton* measureButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QProgressBar* progress = nullptr;
    LogLogPlot* plot = nullptr;
    QLabel* exponentText = nullptr;
};

#endif
