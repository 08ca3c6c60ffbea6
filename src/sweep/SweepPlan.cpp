#include "SweepPlan.h"

#include "NumberText.h"

#include <QRegularExpression>

#include <algorithm>

double SweepPlan::value(int frame) const
{
    if (frame >= frames - 1)
        return to;
    const double t = double(frame) / double(frames - 1);
    // Weighted rather than from + t (to - from): the difference of two far
    // apart values may overflow. Rounding may step an ulp past an end, which
    // could leave a closed range: the clamp keeps it inside.
    const double v = (1.0 - t) * from + t * to;
    return std::clamp(v, std::min(from, to), std::max(from, to));
}

std::optional<SweepPlan> SweepPlan::parse(const QString& text, const ModelParameters& model,
                                          QString* error)
{
    const auto refuse = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const int equals = text.indexOf(QLatin1Char('='));
    const QStringList parts = text.mid(equals + 1).split(QLatin1Char(':'));
    if (equals < 0 || parts.size() != 3)
        return refuse(QStringLiteral("'%1': expected KEY=FROM:TO:N").arg(text));
    const std::optional<ParameterKey> key = ParameterKey::parse(text.left(equals), model, error);
    if (!key)
        return std::nullopt;
    SweepPlan plan{*key};
    // Digits only for the count: no sign, no spaces, no exponent.
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool ok = digits.match(parts[2]).hasMatch();
    plan.frames = ok ? parts[2].toInt(&ok) : 0;
    if (!ok || plan.frames < 2 || plan.frames > kMaxFrames)
        return refuse(QStringLiteral("'%1': N must be a whole number from 2 to %2")
                          .arg(text)
                          .arg(kMaxFrames));
    const QString* texts[] = {&parts[0], &parts[1]};
    double* ends[] = {&plan.from, &plan.to};
    for (int k = 0; k < 2; ++k) {
        const QString& part = *texts[k];
        if (part != part.trimmed() || !parseNumber(part, *ends[k]))
            return refuse(QStringLiteral("'%1': '%2' is not a number").arg(text, part));
        // Tried on a copy: the range's own message says what the key takes.
        ModelParameters copy = model;
        double maxTheta = 0.0;
        if (!key->apply(*ends[k], copy, maxTheta, error))
            return std::nullopt;
    }
    return plan;
}
