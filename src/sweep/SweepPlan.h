#ifndef ORVALIS_SWEEPPLAN_H
#define ORVALIS_SWEEPPLAN_H

#include "ParameterKey.h"

#include <optional>

// A sweep, written KEY=FROM:TO:N: N maps with KEY at N evenly spaced values
// from FROM to TO, both included, every other setting equal.
struct SweepPlan
{
    // More frames than anyone renders, few enough to number in a file name.
    static constexpr int kMaxFrames = 1000000;

    ParameterKey key;
    double from = 0;
    double to = 0;
    int frames = 0;

    // Of frame 0 ... frames-1: value(0) == from and value(frames - 1) == to
    // exactly, and every value lies between them.
    double value(int frame) const;
    // Empty, with *error set (when given), unless 2 <= N <= kMaxFrames and
    // KEY takes both FROM and TO.
    static std::optional<SweepPlan> parse(const QString& text, const ModelParameters& model,
                                          QString* error);
};

#endif
