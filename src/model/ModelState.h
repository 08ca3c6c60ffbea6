#ifndef ORVALIS_MODELSTATE_H
#define ORVALIS_MODELSTATE_H

#include "BasinRequest.h"
#include "ModelParameters.h"

class SystemData;

// Everything a person can edit in the model, taken as one value: what an
// undo step restores. The view settings (line style, colours of the scene)
// are not part of it.
struct ModelState
{
    ModelParameters physics;
    double maxTheta = 5.0;
    int maxNumPoints = 1500;

    static ModelState of(const SystemData& data);
    // Writes the state into the model; magnets get pick colours by position.
    void applyTo(SystemData& data) const;
    // A map of this state's plate: its physics over the 2D view's square.
    BasinRequest basinRequest() const { return BasinRequest::fromModel(physics, maxTheta); }

    bool operator==(const ModelState& other) const;
    bool operator!=(const ModelState& other) const { return !(*this == other); }
};

#endif
