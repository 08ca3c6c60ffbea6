#ifndef ORVALIS_PARAMETERRANGE_H
#define ORVALIS_PARAMETERRANGE_H

#include <QString>

#include <limits>

// The values one parameter may take: an interval whose ends may be open or
// infinite. A value that is not finite never lies inside.
struct ParameterRange
{
    double minimum = -std::numeric_limits<double>::infinity();
    double maximum = std::numeric_limits<double>::infinity();
    bool minimumOpen = false;
    bool maximumOpen = false;

    bool contains(double value) const;
    // The interval in words: "above 0", "0 or more", "above 0 and at most 90",
    // "any finite number".
    QString text() const;
    // What a refused value should have been, as "name must be <text>".
    QString message(const QString& name) const;
};

#endif
