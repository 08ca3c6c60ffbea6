#ifndef ORVALIS_VIEWRADIUS_H
#define ORVALIS_VIEWRADIUS_H

#include <cmath>

// Half the side of the square the 2D view and the plate's map show: as far
// from the centre as the bob reaches at maxTheta (degrees).
inline double viewRadius(double pendulumLength, double maxTheta)
{
    return pendulumLength * std::sin(maxTheta * 0.017453292519943295);
}

#endif
