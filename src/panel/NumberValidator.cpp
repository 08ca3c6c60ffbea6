#include "NumberValidator.h"

#include <QLocale>

#include <cmath>

NumberValidator::NumberValidator(QObject* parent) : QValidator(parent) {}

QValidator::State NumberValidator::validate(QString& input, int& /*pos*/) const
{
    bool ok = false;
    const double value = read(input, &ok);
    return ok && range.contains(value) ? Acceptable : Intermediate;
}

double NumberValidator::read(const QString& text, bool* ok)
{
    const qsizetype separators = text.count(QLatin1Char('.')) + text.count(QLatin1Char(','));
    if (separators > 1) {
        *ok = false;
        return 0.0;
    }
    QString plain = text;
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    // The C locale, whatever the user's: its group separator cannot occur any more.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    const double value = c.toDouble(plain, ok);
    *ok = *ok && std::isfinite(value);
    return value;
}
