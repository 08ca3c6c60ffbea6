#include "SweepCommand.h"

#include "CommandLine.h"
#include "FramePattern.h"
#include "MagnetShares.h"
#include "MapRender.h"
#include "MeasurementTables.h"
#include "ProgressBar.h"
#include "SweepFrames.h"

#include <cstdio>

namespace {

int refuse(const QString& message)
{
    std::fprintf(stderr, "orvalis: %s\n", qPrintable(message));
    return 2;
}

// The name of the frame's file, or empty for an output not asked for. The
// patterns were checked with the other options.
QString frameName(const QString& pattern, int frame)
{
    return pattern.isEmpty() ? QString() : FramePattern::parse(pattern, nullptr)->name(frame);
}

// The metric table's rows as (name, value) columns, without the header.
void metricColumns(const QString& table, QStringList& names, QStringList& values)
{
    const QStringList lines = table.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const QStringList fields = lines[k].split(QLatin1Char('\t'));
        names << fields.value(0);
        values << fields.value(1);
    }
}

} // namespace

int SweepCommand::run(const CommandLineOptions& o, const BasinRequest& base, double maxTheta)
{
    QString error;
    const std::optional<SweepPlan> plan = SweepPlan::parse(o.sweep, base.model, &error);
    if (!plan)
        return refuse(QStringLiteral("--sweep %1").arg(error));
    const SweepFrames frames(*plan, base, maxTheta, o.hasRegion);
    const int magnets = int(base.model.magnets.size());
    const long long pixels = (long long)base.width * (base.lastRow() - base.rowBegin);

    MapRender map(o);
    ProgressBar bar(!o.quiet);
    for (int k = 0; k < frames.count(); ++k) {
        const std::optional<BasinRequest> request = frames.request(k, &error);
        if (!request)
            return refuse(QStringLiteral("--sweep %1").arg(error));
        const int frame = k + 1;
        const MapOutputs outputs{frameName(o.output, frame), frameName(o.data, frame),
                                 frameName(o.report, frame)};
        const auto progress = [&](double f, long long done) {
            bar.show((k + f) / frames.count(), QStringLiteral("frame %1/%2, %3/%4 pixels")
                                                   .arg(frame)
                                                   .arg(frames.count())
                                                   .arg(done)
                                                   .arg(pixels));
        };
        if (const int status = map.render(*request, outputs, progress); status != 0)
            return status;

        QStringList names;
        QStringList values{QString::number(frame), plan->key.text(frames.value(k))};
        for (const double share : magnetShares(map.result(), magnets))
            values << QString::number(share, 'f', 6);
        if (o.stats)
            metricColumns(MeasurementTables::metrics(map.measurements()), names, values);
        bar.clear();
        if (k == 0) {
            QStringList header{QStringLiteral("frame"), plan->key.name()};
            for (int m = 0; m < magnets; ++m)
                header << QStringLiteral("share%1").arg(m);
            header << QStringLiteral("undecided") << names;
            std::printf("%s\n", qPrintable(header.join(QLatin1Char('\t'))));
        }
        // A row as soon as its frame is done: a long sweep can be watched.
        std::printf("%s\n", qPrintable(values.join(QLatin1Char('\t'))));
        std::fflush(stdout);
    }
    return 0;
}
