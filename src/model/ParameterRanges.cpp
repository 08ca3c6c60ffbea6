#include "ParameterRanges.h"

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
    case Parameter::Kappa:
    case Parameter::MagFactor:
    case Parameter::MagnetPosition:
    case Parameter::MagnetStrength:
        break;
    }
    return range;
}
