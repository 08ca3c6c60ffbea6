#include "MapSetup.h"

#include "CommandLine.h"
#include "NumberText.h"
#include "ParameterKey.h"
#include "SystemData.h"

#include <cstdio>

int MapSetup::load(const CommandLineOptions& o, ModelState& state)
{
    SystemData data;
    if (!o.params.isEmpty()) {
        const ParamFileReport report = data.readParams(o.params);
        if (!report.ok) {
            std::fprintf(stderr, "orvalis: %s: %s\n", qPrintable(o.params),
                         qPrintable(report.error));
            return 1;
        }
        // The reader has already listed the lines it skipped on standard error.
    }
    state = ModelState::of(data);
    if (o.hasDamping)
        state.physics.damping = o.damping;
    for (const QString& set : o.sets) {
        // The form KEY=VALUE was checked with the other options.
        const QString name = set.section(QLatin1Char('='), 0, 0);
        const QString text = set.section(QLatin1Char('='), 1);
        QString error;
        const std::optional<ParameterKey> key = ParameterKey::parse(name, state.physics, &error);
        double value = 0.0;
        if (key && (text != text.trimmed() || !parseNumber(text, value)))
            error = QStringLiteral("'%1' is not a number").arg(text);
        if (!key || !error.isEmpty() || !key->apply(value, state.physics, state.maxTheta, &error)) {
            std::fprintf(stderr, "orvalis: --set %s: %s\n", qPrintable(set), qPrintable(error));
            return 2;
        }
    }
    return 0;
}

BasinRequest MapSetup::request(const CommandLineOptions& o, const ModelState& state)
{
    BasinRequest request = state.basinRequest();
    if (o.hasRegion) {
        request.left = o.region[0];
        request.bottom = o.region[1];
        request.right = o.region[2];
        request.top = o.region[3];
    }
    request.width = o.width;
    request.height = o.height;
    request.rowBegin = int((long long)(o.tileIndex - 1) * o.height / o.tileCount);
    request.rowEnd = int((long long)o.tileIndex * o.height / o.tileCount);
    request.threads = o.threads;
    request.tolerance = o.tolerance;
    request.maxTime = o.maxTime;
    return request;
}
