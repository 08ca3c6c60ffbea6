#ifndef ORVALIS_NUMBERTEXT_H
#define ORVALIS_NUMBERTEXT_H

#include <QString>

#include <cmath>

// Numbers as parameter files and the command line write them: only a finite
// number counts. Anything else (a word, nan, inf, a value out of range) leaves
// `value` as it was and returns false.
inline bool parseNumber(const QString& text, double& value)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

inline bool parseNumber(const QString& text, float& value)
{
    bool ok = false;
    const float v = text.toFloat(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

#endif
