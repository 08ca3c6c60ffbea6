#ifndef ORVALIS_PATHCAPTURE_H
#define ORVALIS_PATHCAPTURE_H

#include <QColor>

// Where and when the current path was caught by an attractor, by the map's
// capture rule: its last sample, since such a path ends there.
struct PathCapture
{
    int sample = -1; // index of the caught sample; -1 when the path was not caught
    int magnet = -1; // the magnet the attractor lies over, -1 for none
    float stamp = 0; // the sample's time stamp (twice the model time)
    float x = 0;     // the sample's position
    float y = 0;
    QColor colour; // the attractor's, as the map paints it

    bool caught() const { return sample >= 0; }
    double modelTime() const { return 0.5 * double(stamp); }
};

#endif
