#include "MapReport.h"

#include "BasinMeasurements.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {

// JSON has no NaN: a value that does not exist is null.
QJsonValue number(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue();
}

QJsonObject parameters(const ModelParameters& p)
{
    QJsonArray magnets;
    for (const Magnet& g : p.magnets)
        magnets.append(QJsonObject{
            {QStringLiteral("x"), g.posX},
            {QStringLiteral("y"), g.posY},
            {QStringLiteral("z"), g.posZ},
            {QStringLiteral("strength"), g.alpha},
            {QStringLiteral("colour"), QJsonArray{g.color[0], g.color[1], g.color[2]}}});
    return {{QStringLiteral("pendulumLength"), p.pendulumLength},
            {QStringLiteral("pendulumHeight"), p.pendulumHeight},
            {QStringLiteral("gravity"), p.gravity},
            {QStringLiteral("damping"), p.damping},
            {QStringLiteral("kappa"), p.kappa},
            {QStringLiteral("magFactor"), p.magFactor},
            {QStringLiteral("magnets"), magnets}};
}

QJsonObject map(const BasinResult& result)
{
    const BasinRequest& r = result.request;
    return {{QStringLiteral("size"), QJsonArray{r.width, r.height}},
            {QStringLiteral("region"), QJsonArray{r.left, r.bottom, r.right, r.top}},
            {QStringLiteral("tolerance"), r.tolerance},
            {QStringLiteral("maxTime"), r.maxTime},
            {QStringLiteral("parameters"), parameters(r.model)}};
}

// Each attractor with its share of the map's pixels, then the undecided.
QJsonArray attractors(const BasinResult& result)
{
    std::vector<long long> pixels(result.attractors.size() + 1, 0);
    for (const std::int16_t a : result.attractor)
        ++pixels[a >= 0 ? std::size_t(a) : pixels.size() - 1];
    const double total = double(std::max<std::size_t>(result.attractor.size(), 1));
    QJsonArray list;
    for (std::size_t k = 0; k < pixels.size(); ++k) {
        QJsonObject row{{QStringLiteral("share"), double(pixels[k]) / total}};
        if (k < result.attractors.size()) {
            const Attractor& a = result.attractors[k];
            row.insert(QStringLiteral("attractor"), int(k));
            row.insert(QStringLiteral("x"), a.x);
            row.insert(QStringLiteral("y"), a.y);
            row.insert(QStringLiteral("magnet"), a.magnet);
        } else {
            row.insert(QStringLiteral("attractor"), QStringLiteral("undecided"));
        }
        list.append(row);
    }
    return list;
}

QJsonObject metric(double value, double error = NAN)
{
    return {{QStringLiteral("value"), number(value)}, {QStringLiteral("error"), number(error)}};
}

QJsonObject metrics(const BasinMeasurements& m)
{
    const BasinEntropy& e = m.entropy();
    const UncertaintyExponent& u = m.exponent();
    const double alpha = u.defined ? u.alpha : NAN;
    const double error = u.defined ? u.alphaError : NAN;
    QJsonObject list{
        {QStringLiteral("basin_entropy"), metric(e.entropy)},
        {QStringLiteral("boundary_basin_entropy"), metric(e.boundaryEntropy)},
        {QStringLiteral("boundary_fraction"), metric(e.boundaryFraction)},
        {QStringLiteral("wada_merge"), metric(m.wada().defined ? m.wada().value : NAN)},
        {QStringLiteral("uncertainty_exponent"), metric(alpha, error)},
        {QStringLiteral("boundary_dimension"), metric(2.0 - alpha, error)}};
    if (m.settled())
        list.insert(QStringLiteral("unsettled_fraction"), metric(m.settled()->unsettledFraction));
    return list;
}

QJsonArray scales(const UncertaintyExponent& u)
{
    QJsonArray list;
    for (const UncertaintyExponent::Scale& s : u.scales)
        list.append(QJsonObject{{QStringLiteral("epsilon"), s.epsilon},
                                {QStringLiteral("uncertain"), s.uncertain},
                                {QStringLiteral("samples"), s.samples},
                                {QStringLiteral("fraction"), s.fraction}});
    return list;
}

QJsonArray fractions(const BasinMeasurements& m)
{
    const std::vector<Attractor>& attractors = m.attractors();
    QJsonArray list;
    for (const BasinFraction& f : m.fractions()) {
        const bool undecided = f.label >= int(attractors.size());
        list.append(QJsonObject{
            {QStringLiteral("attractor"),
             undecided ? QJsonValue(QStringLiteral("undecided")) : QJsonValue(f.label)},
            {QStringLiteral("magnet"),
             undecided ? QJsonValue() : QJsonValue(attractors[std::size_t(f.label)].magnet)},
            {QStringLiteral("count"), f.count},
            {QStringLiteral("share"), f.share},
            {QStringLiteral("low"), f.low},
            {QStringLiteral("high"), f.high}});
    }
    return list;
}

} // namespace

QByteArray MapReport::json(const BasinResult& result, const BasinMeasurements& m,
                           const QStringList& commandLine)
{
    const MeasurementOptions& o = m.options();
    const QJsonObject options{{QStringLiteral("box"), o.boxSize},
                              {QStringLiteral("samples"), o.samples},
                              // A double would round seeds above 2^53.
                              {QStringLiteral("seed"), QString::number(o.seed)},
                              {QStringLiteral("wadaRadius"), o.wadaRadius},
                              {QStringLiteral("verify"), o.verify}};
    const QJsonObject report{
        {QStringLiteral("version"), QStringLiteral(ORVALIS_VERSION)},
        {QStringLiteral("commandLine"), QJsonArray::fromStringList(commandLine)},
        {QStringLiteral("map"), map(result)},
        {QStringLiteral("measurement"), options},
        {QStringLiteral("attractors"), attractors(result)},
        {QStringLiteral("metrics"), metrics(m)},
        {QStringLiteral("fractalBoundary"), m.entropy().fractalBoundary()},
        {QStringLiteral("scales"), scales(m.exponent())},
        {QStringLiteral("fractions"), fractions(m)}};
    return QJsonDocument(report).toJson();
}
