#ifndef ORVALIS_FRAMEPATTERN_H
#define ORVALIS_FRAMEPATTERN_H

#include <QString>

#include <optional>

// The name of a sweep's output, one per frame: a pattern with exactly one
// printf-style integer field, %d or %Nd or %0Nd (as in map-%04d.png), and
// "%%" for a percent sign.
class FramePattern
{
public:
    // Empty, with *error set (when given), for a name without a field, with
    // two, or with any other conversion.
    static std::optional<FramePattern> parse(const QString& pattern, QString* error);
    QString name(int frame) const;

private:
    FramePattern() = default;

    QString before;
    QString after;
    int width = 0;
    bool zeros = false;
};

#endif
