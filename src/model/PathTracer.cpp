#include "PathTracer.h"

#include "LaneSetup.h"
#include "ModelState.h"
#include "SystemData.h"

#include <algorithm>
#include <cmath>

namespace {

// The map paints a minimum over no magnet in this grey.
const QColor kNoMagnetColour(150, 150, 150);

QColor attractorColour(const SystemData& data, int magnet)
{
    if (magnet < 0 || magnet >= data.magnets.size())
        return kNoMagnetColour;
    const float* c = data.magnets[magnet].color;
    return QColor::fromRgbF(c[0], c[1], c[2]);
}

} // namespace

PathCapture PathTracer::trace(SystemData& data, double x0, double y0)
{
    BasinRequest request = ModelState::of(data).basinRequest();
    // A single lane: every kernel gives the same bits, the portable one at
    // the least cost for one.
    request.vectorLanes = false;
    const std::vector<Attractor>& attractors = attractorCache.of(request.model);
    const LaneSetup lanes(request, attractors);
    basin::LaneBatch batch;
    batch.release(0, x0, y0);

    data.trajPoints.clear();
    data.trajTimes.clear();
    const auto store = [&data, &batch] {
        data.trajPoints.push_back({float(batch.y[0][0]), float(batch.y[1][0]), float(batch.y[2][0]),
                                   float(batch.y[3][0])});
        data.trajTimes.push_back(float(batch.stamp[0]));
    };
    if (batch.outcome[0] == basin::kRunning)
        store();
    // One try a call: an accepted step is a new sample, unless it ended the
    // lane (a state the samples cannot hold, a collapsed or an idle step),
    // which the ordinary path does not store either. A capture or the time
    // limit ends the lane at the state stored last.
    while (batch.outcome[0] == basin::kRunning && int(data.trajTimes.size()) < kMaxSamples) {
        const double steps = batch.steps[0];
        lanes.advance(batch, 1);
        if (batch.steps[0] != steps && batch.outcome[0] == basin::kRunning)
            store();
    }
    data.numTrajPoints = int(data.trajTimes.size());
    // The views size their buffers for at least the sample count setting.
    if (data.trajPoints.size() < std::size_t(std::max(data.maxNumPoints, 0)))
        data.trajPoints.resize(std::size_t(data.maxNumPoints));

    PathCapture capture;
    const int attractor = LaneSetup::attractorOf(batch.outcome[0]);
    if (attractor < 0 || data.numTrajPoints < 1)
        return capture;
    capture.sample = data.numTrajPoints - 1;
    capture.magnet = attractors[std::size_t(attractor)].magnet;
    capture.stamp = data.trajTimes.back();
    capture.x = data.trajPoints[std::size_t(capture.sample)][0];
    capture.y = data.trajPoints[std::size_t(capture.sample)][1];
    capture.colour = attractorColour(data, capture.magnet);
    return capture;
}
