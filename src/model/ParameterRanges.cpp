#include "ParameterRanges.h"

#include <limits>

ParameterRange ParameterRanges::range(Parameter parameter)
{
    ParameterRange range;
    switch (parameter) {
    case Parameter::PendulumHeight:
    case Parameter::PendulumLength:
        range.minimum = 0.0;
        range.minimumOpen = true;
        break;
    case Parameter::Gravity:
    case Parameter::Damping:
        // Negative gravity or damping pushes the bob away and feeds it energy.
        range.minimum = 0.0;
        break;
    case Parameter::MaxTheta:
        range.minimum = 0.0;
        range.minimumOpen = true;
        range.maximum = 90.0;
        break;
    case Parameter::MagnetPosition:
    case Parameter::MagnetStrength:
    case Parameter::ReleasePosition:
        // Magnets and path samples are single precision: beyond its largest
        // value a position or a strength would turn infinite.
        range.minimum = -std::numeric_limits<float>::max();
        range.maximum = std::numeric_limits<float>::max();
        break;
    case Parameter::TimeScale:
        range.minimum = 0.0;
        range.maximum = 100.0;
        break;
    case Parameter::Kappa:
    case Parameter::MagFactor:
        break;
    }
    return range;
}
