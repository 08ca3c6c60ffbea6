#include "AnalysisDock.h"

#include "ExactRect.h"
#include "LogLogPlot.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString number(double value)
{
    return QString::number(value, 'f', 4);
}

QString attractorName(const std::vector<Attractor>& attractors, std::size_t k)
{
    if (k >= attractors.size())
        return AnalysisDock::tr("Undecided");
    const Attractor& a = attractors[k];
    if (a.magnet >= 0)
        return AnalysisDock::tr("Magnet %1").arg(a.magnet);
    return AnalysisDock::tr("Rest at (%1, %2)")
        .arg(QString::number(a.x, 'g', 4), QString::number(a.y, 'g', 4));
}

QLabel* valueLabel(const QString& name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

AnalysisDock::AnalysisDock(QWidget* parent) : QDockWidget(tr("Analysis"), parent)
{
    setObjectName(QStringLiteral("analysisDock"));
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    state = valueLabel(QStringLiteral("state"));
    layout->addWidget(state);
    figureBox = new QGroupBox(tr("Map in view"));
    buildFigures(figureBox);
    layout->addWidget(figureBox);
    exponentBox = new QGroupBox(tr("Uncertainty exponent"));
    buildExponent(exponentBox);
    layout->addWidget(exponentBox, 1);
    // In a scroll area, so that no text makes the dock larger: that would
    // resize the 2D view beside it, which makes a new map, measured anew.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(body);
    scroll->setMinimumWidth(320);
    setWidget(scroll);

    // The figures of a map that came while the dock was hidden.
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown && gridStale)
            measureFigures();
    });
    showFigures();
    showExponent();
    showState();
}

AnalysisDock::~AnalysisDock()
{
    // The tasks wait for their threads as they go: the exponent leaves early.
    if (exponentTask.isBusy())
        measurements.cancel();
}

void AnalysisDock::buildFigures(QWidget* box)
{
    auto* form = new QFormLayout(box);
    sharesText = valueLabel(QStringLiteral("shares"));
    entropyText = valueLabel(QStringLiteral("basinEntropy"));
    boundaryEntropyText = valueLabel(QStringLiteral("boundaryEntropy"));
    boundaryFractionText = valueLabel(QStringLiteral("boundaryFraction"));
    wadaText = valueLabel(QStringLiteral("wada"));
    form->addRow(tr("Shares of the pixels"), sharesText);
    form->addRow(tr("Basin entropy Sb"), entropyText);
    form->addRow(tr("Boundary basin entropy Sbb"), boundaryEntropyText);
    form->addRow(tr("Boundary fraction"), boundaryFractionText);
    form->addRow(tr("Wada merging W (r = 1)"), wadaText);
}

void AnalysisDock::buildExponent(QWidget* box)
{
    auto* layout = new QVBoxLayout(box);
    auto* controls = new QHBoxLayout;
    samples = new QSpinBox;
    samples->setObjectName(QStringLiteral("samples"));
    // Each sample is 29 points in memory and integrated: a quarter of a million at most.
    samples->setRange(64, 1 << 18);
    samples->setValue(MeasurementOptions().samples);
    samples->setSuffix(tr(" samples"));
    measureButton = new QPushButton(tr("Measure"));
    measureButton->setObjectName(QStringLiteral("measureExponent"));
    cancelButton = new QPushButton(tr("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelExponent"));
    controls->addWidget(samples);
    controls->addWidget(measureButton);
    controls->addWidget(cancelButton);
    layout->addLayout(controls);
    progress = new QProgressBar;
    progress->setRange(0, 1000);
    progress->setTextVisible(false);
    layout->addWidget(progress);
    plot = new LogLogPlot;
    plot->setObjectName(QStringLiteral("exponentPlot"));
    plot->setToolTip(tr("Share f of the eps-uncertain samples against eps"));
    layout->addWidget(plot, 1);
    exponentText = valueLabel(QStringLiteral("exponent"));
    layout->addWidget(exponentText);
    connect(measureButton, &QPushButton::clicked, this, &AnalysisDock::measureExponent);
    connect(cancelButton, &QPushButton::clicked, this, &AnalysisDock::cancelExponent);
}

void AnalysisDock::setMap(const BasinMap& level)
{
    if (level.stride() != 1) {
        markStale();
        return;
    }
    map = level;
    ++serial;
    gridStale = true;
    expStale = true;
    if (isVisible())
        measureFigures();
    showState();
}

void AnalysisDock::markStale()
{
    map = BasinMap();
    ++serial;
    gridStale = true;
    expStale = true;
    showState();
}

void AnalysisDock::setView(const QRectF& region, const QSize& pixels)
{
    // Exactly, as the mapper compares.
    if (exactlyEqual(region, viewRegion) && pixels == viewPixels)
        return;
    viewRegion = region;
    viewPixels = pixels;
    markStale();
}

void AnalysisDock::measureFigures()
{
    // A task still running measures the map in view once it is done.
    if (figureTask.isBusy())
        return;
    const std::optional<BasinResult> result = MapFigures::resultOf(map);
    if (!result)
        return;
    const int job = serial;
    figureTask.start([this, result] { measuredFigures = MapFigures::measure(*result); },
                     [this, job] { figuresMeasured(job, std::move(measuredFigures)); });
    showState();
}

void AnalysisDock::figuresMeasured(int job, std::optional<MapFigures> figures)
{
    shownFigures = std::move(figures);
    gridStale = job != serial;
    showFigures();
    if (gridStale && isVisible())
        measureFigures();
    showState();
}

void AnalysisDock::measureExponent()
{
    const std::optional<BasinResult> result = MapFigures::resultOf(map);
    if (!result || exponentTask.isBusy())
        return;
    MeasurementOptions options;
    options.samples = samples->value();
    // Progress comes from the task's thread, to be shown on the GUI's.
    measurements.setProgressCallback([bar = progress](double fraction) {
        // By name: the value is copied inside Qt, not into a lambda made here.
        QMetaObject::invokeMethod(bar, "setValue", Qt::QueuedConnection,
                                  Q_ARG(int, int(fraction * 1000.0)));
    });
    progress->setValue(0);
    const int job = serial;
    exponentTask.start(
        [this, result, options] { exponentMeasuredOk = measurements.measure(*result, options); },
        [this, job] { exponentMeasured(job, exponentMeasuredOk); });
    showState();
}

void AnalysisDock::cancelExponent()
{
    if (exponentTask.isBusy())
        measurements.cancel();
}

void AnalysisDock::exponentMeasured(int job, bool done)
{
    if (done) {
        shownExponent = measurements.exponent();
        expStale = job != serial;
        showExponent();
    }
    exponentText->setToolTip(measurements.error());
    showState();
}

void AnalysisDock::showFigures()
{
    if (!shownFigures) {
        for (QLabel* l :
             {sharesText, entropyText, boundaryEntropyText, boundaryFractionText, wadaText})
            l->setText(QStringLiteral("-"));
        return;
    }
    const MapFigures& f = *shownFigures;
    QStringList shares;
    for (std::size_t k = 0; k < f.shares.size(); ++k)
        shares.append(
            tr("%1: %2 %")
                .arg(attractorName(f.attractors, k), QString::number(100.0 * f.shares[k], 'f', 2)));
    sharesText->setText(shares.join(QLatin1Char('\n')));
    entropyText->setText(number(f.entropy.entropy));
    boundaryEntropyText->setText(
        f.entropy.fractalBoundary()
            ? tr("%1 > ln 2: the boundary is fractal").arg(number(f.entropy.boundaryEntropy))
            : tr("%1 \u2264 ln 2: no sign of a fractal boundary")
                  .arg(number(f.entropy.boundaryEntropy)));
    boundaryFractionText->setText(number(f.entropy.boundaryFraction));
    wadaText->setText(f.wada.defined ? number(f.wada.value) : tr("- (fewer than three basins)"));
}

void AnalysisDock::showExponent()
{
    if (!shownExponent) {
        plot->clear();
        exponentText->setText(tr("Samples the plane exactly; may take as long as the map."));
        return;
    }
    const UncertaintyExponent& e = *shownExponent;
    std::vector<LogLogPlot::Point> points;
    for (const UncertaintyExponent::Scale& s : e.scales)
        points.push_back({s.epsilon, s.fraction, s.uncertain >= UncertaintyExponent::kFitMinimum});
    plot->setPoints(std::move(points));
    if (!e.defined) {
        exponentText->setText(tr("Too few uncertain samples for a fit: take more samples or "
                                 "a view nearer the boundary."));
        return;
    }
    plot->setLine(e.alpha, e.intercept);
    const QString error =
        std::isnan(e.alphaError) ? QStringLiteral("?") : QString::number(e.alphaError, 'f', 3);
    exponentText->setText(
        tr("\u03b1 = %1 \u00b1 %2, boundary dimension d = %3 \u00b1 %2\n"
           "%4 of %5 scales fitted, %6 samples")
            .arg(QString::number(e.alpha, 'f', 3), error, QString::number(e.dimension(), 'f', 3))
            .arg(e.fitted)
            .arg(e.scales.size())
            .arg(e.scales.empty() ? 0 : e.scales.front().samples));
}

void AnalysisDock::showState()
{
    const bool busy = exponentTask.isBusy();
    QString text;
    if (!gridStale)
        text = tr("Of the complete map in view.");
    else if (!shownFigures && map.isNull())
        text = tr("Waiting for a complete map in the 2D view (View \u2192 Basin map).");
    else if (map.isNull())
        text = tr("<b>stale</b>: waiting for the complete map in view.");
    else
        text = tr("<b>stale</b>: measuring the map in view\u2026");
    state->setText(text);
    figureBox->setEnabled(!gridStale);
    plot->setEnabled(!expStale);
    exponentText->setEnabled(!expStale);
    measureButton->setEnabled(!map.isNull() && !busy);
    samples->setEnabled(!busy);
    cancelButton->setEnabled(busy);
    progress->setVisible(busy);
}
