#include "ParameterRange.h"

#include <QLocale>

#include <cmath>

namespace {

// Shortest round-trip form, so that a bound reads back as itself.
QString number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

bool ParameterRange::contains(double value) const
{
    if (!std::isfinite(value))
        return false;
    const bool aboveMinimum = minimumOpen ? value > minimum : value >= minimum;
    const bool belowMaximum = maximumOpen ? value < maximum : value <= maximum;
    return aboveMinimum && belowMaximum;
}

QString ParameterRange::text() const
{
    QString low;
    if (std::isfinite(minimum))
        low = minimumOpen ? QStringLiteral("above %1").arg(number(minimum))
                          : QStringLiteral("%1 or more").arg(number(minimum));
    QString high;
    if (std::isfinite(maximum))
        high = maximumOpen ? QStringLiteral("below %1").arg(number(maximum))
                           : QStringLiteral("at most %1").arg(number(maximum));
    if (low.isEmpty() && high.isEmpty())
        return QStringLiteral("any finite number");
    if (low.isEmpty() || high.isEmpty())
        return low + high;
    // "0 or more and at most 1" reads badly: say "from 0 to 1" when both are closed.
    if (!minimumOpen && !maximumOpen)
        return QStringLiteral("from %1 to %2").arg(number(minimum), number(maximum));
    return low + QStringLiteral(" and ") + high;
}

QString ParameterRange::message(const QString& name) const
{
    return QStringLiteral("%1 must be %2").arg(name, text());
}
