#include "ExportReport.h"

#include "BasinResult.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

namespace {

// The shortest text that reads back to the same double.
QString exact(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// Single quotes around anything a shell would split or expand.
QString quoted(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./=,:+@%-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString text = word;
    text.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

QStringList ExportReport::arguments(const BasinRequest& r, const QString& image,
                                    const QString& params)
{
    // Joined by '=': a value may begin with a minus sign.
    return {QStringLiteral("--basin=") + image,
            QStringLiteral("--params=") + params,
            QStringLiteral("--size=%1x%2").arg(r.width).arg(r.height),
            QStringLiteral("--region=%1,%2,%3,%4")
                .arg(exact(r.left), exact(r.bottom), exact(r.right), exact(r.top)),
            QStringLiteral("--tolerance=") + exact(r.tolerance),
            QStringLiteral("--max-time=") + exact(r.maxTime),
            QStringLiteral("--quiet")};
}

QString ExportReport::commandLine(const QStringList& arguments)
{
    QStringList words{QStringLiteral("orvalis")};
    for (const QString& argument : arguments)
        words << quoted(argument);
    return words.join(QLatin1Char(' '));
}

QByteArray ExportReport::json(const BasinResult& result, const QString& commandLine, double seconds)
{
    const BasinRequest& r = result.request;
    const std::size_t magnets = r.model.magnets.size();
    // Per magnet, then the pixels no magnet caught.
    std::vector<long long> counts(magnets + 1, 0);
    for (const std::int16_t a : result.attractor) {
        const int magnet = a >= 0 ? result.attractors[std::size_t(a)].magnet : -1;
        ++counts[magnet >= 0 && std::size_t(magnet) < magnets ? std::size_t(magnet) : magnets];
    }
    const double total = result.attractor.empty() ? 1.0 : double(result.attractor.size());
    QJsonArray shares;
    for (std::size_t k = 0; k < magnets; ++k)
        shares.append(QJsonObject{{QStringLiteral("magnet"), int(k)},
                                  {QStringLiteral("share"), double(counts[k]) / total}});
    const QJsonObject report{
        {QStringLiteral("version"), QStringLiteral(ORVALIS_VERSION)},
        {QStringLiteral("region"), QJsonObject{{QStringLiteral("left"), r.left},
                                               {QStringLiteral("bottom"), r.bottom},
                                               {QStringLiteral("right"), r.right},
                                               {QStringLiteral("top"), r.top}}},
        {QStringLiteral("size"),
         QJsonObject{{QStringLiteral("width"), r.width}, {QStringLiteral("height"), r.height}}},
        {QStringLiteral("tolerance"), r.tolerance},
        {QStringLiteral("maxTime"), r.maxTime},
        {QStringLiteral("shares"), shares},
        {QStringLiteral("undecided"), double(counts[magnets]) / total},
        {QStringLiteral("seconds"), seconds},
        {QStringLiteral("command"), commandLine}};
    return QJsonDocument(report).toJson();
}
