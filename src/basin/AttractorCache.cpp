#include "AttractorCache.h"

const std::vector<Attractor>& AttractorCache::of(const ModelParameters& model)
{
    if (!landscape || model != landscapeModel) {
        landscape = std::make_unique<PotentialLandscape>(model);
        landscapeModel = model;
    }
    return landscape->attractors();
}
