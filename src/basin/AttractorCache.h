#ifndef ORVALIS_ATTRACTORCACHE_H
#define ORVALIS_ATTRACTORCACHE_H

#include "PotentialLandscape.h"

#include <memory>
#include <vector>

// The attractors of the last model asked for: finding them takes the
// potential's landscape, which a map or a list of points of the same model
// need not build again.
class AttractorCache
{
public:
    const std::vector<Attractor>& of(const ModelParameters& model);

private:
    std::unique_ptr<PotentialLandscape> landscape;
    ModelParameters landscapeModel;
};

#endif
