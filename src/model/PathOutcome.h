#ifndef ORVALIS_PATHOUTCOME_H
#define ORVALIS_PATHOUTCOME_H

#include <QString>

class PotentialLandscape;
class SystemData;

// What a computed path comes to: how long it is, the model time it spans and
// where it ends, judged by the same capture rule as the basin map: a bob
// inside an attractor's capture disc with too little energy to leave it has
// come to rest there, whatever is left of its path.
struct PathOutcome
{
    enum class Ending { NoPath, Rests, Moving };

    int samples = 0;
    double duration = 0.0; // model time from the release to the last sample
    Ending ending = Ending::NoPath;
    int magnet = -1; // the magnet it rests over, -1 for a minimum of no magnet
    double restX = 0.0;
    double restY = 0.0;

    static PathOutcome of(const SystemData& data, const PotentialLandscape& landscape);
    // "1500 samples over 12.3 s: comes to rest over magnet 2"
    QString describe() const;
};

#endif
