#include "MeasurementTables.h"

#include "BasinMeasurements.h"

#include <cmath>

namespace {

QString value(double v)
{
    return std::isfinite(v) ? QString::number(v, 'g', 6) : QString();
}

QString metricRow(const char* name, const QString& v, const QString& error = QString())
{
    return QStringLiteral("%1\t%2\t%3\n").arg(QLatin1String(name), v, error);
}

} // namespace

QString MeasurementTables::metricHeader()
{
    return QStringLiteral("metric\tvalue\terror\n");
}

QString MeasurementTables::gridMetrics(const BasinEntropy& e, const WadaMerge& w)
{
    return metricRow("basin_entropy", value(e.entropy)) +
           metricRow("boundary_basin_entropy", value(e.boundaryEntropy)) +
           metricRow("boundary_fraction", value(e.boundaryFraction)) +
           metricRow("wada_merge", w.defined ? value(w.value) : QString());
}

QString MeasurementTables::unsettledMetric(double fraction)
{
    return metricRow("unsettled_fraction", value(fraction));
}

QString MeasurementTables::metrics(const BasinMeasurements& m)
{
    const UncertaintyExponent& u = m.exponent();
    QString text = metricHeader() + gridMetrics(m.entropy(), m.wada());
    const QString error = u.defined ? value(u.alphaError) : QString();
    text += metricRow("uncertainty_exponent", u.defined ? value(u.alpha) : QString(), error);
    text += metricRow("boundary_dimension", u.defined ? value(u.dimension()) : QString(), error);
    if (m.settled())
        text += unsettledMetric(m.settled()->unsettledFraction);
    return text;
}

QString MeasurementTables::scales(const BasinMeasurements& m)
{
    QString text = QStringLiteral("epsilon\tuncertain\tsamples\tfraction\n");
    for (const UncertaintyExponent::Scale& s : m.exponent().scales)
        text += QStringLiteral("%1\t%2\t%3\t%4\n")
                    .arg(value(s.epsilon))
                    .arg(s.uncertain)
                    .arg(s.samples)
                    .arg(s.fraction, 0, 'f', 6);
    return text;
}

QString MeasurementTables::fractions(const BasinMeasurements& m)
{
    QString text = QStringLiteral("fraction\tattractor\tmagnet\tshare\tlow\thigh\n");
    const std::vector<Attractor>& attractors = m.attractors();
    for (const BasinFraction& f : m.fractions()) {
        const bool undecided = f.label >= int(attractors.size());
        const QString magnet =
            undecided ? QString() : QString::number(attractors[std::size_t(f.label)].magnet);
        text += QStringLiteral("fraction\t%1\t%2\t%3\t%4\t%5\n")
                    .arg(undecided ? QStringLiteral("undecided") : QString::number(f.label), magnet)
                    .arg(f.share, 0, 'f', 6)
                    .arg(f.low, 0, 'f', 6)
                    .arg(f.high, 0, 'f', 6);
    }
    return text;
}

QString MeasurementTables::all(const BasinMeasurements& m)
{
    return QLatin1Char('\n') + metrics(m) + QLatin1Char('\n') + scales(m) + QLatin1Char('\n') +
           fractions(m);
}
