#ifndef ORVALIS_PARAMETERRANGES_H
#define ORVALIS_PARAMETERRANGES_H

#include "ParameterRange.h"

// The one table of what each pendulum parameter may be, for every way a value
// comes in: the dock, a parameter file and the command line. A range refuses
// only what leaves no model to integrate or draw; it never narrows what is
// meaningful (magnets may lie anywhere on the plane and pull or push).
class ParameterRanges
{
public:
    enum class Parameter {
        PendulumHeight, // the pivot's height above the plate
        PendulumLength, // the rod
        Gravity,
        Damping, // the velocity damping (the file's "friction")
        Kappa,   // the force law's exponent (the file's "damping")
        MagFactor,
        MaxTheta, // degrees; 90 is the rod held level
        MagnetPosition,
        MagnetStrength,
        ReleasePosition, // where the dock releases the bob
        TimeScale,
    };

    static ParameterRange range(Parameter parameter);
};

#endif
