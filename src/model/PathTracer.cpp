#include "PathTracer.h"

#include "LaneSetup.h"
#include "ModelState.h"
#include "SystemData.h"

#include <algorithm>

namespace {

// The map paints a minimum over no magnet in this grey.
const QColor kNoMagnetColour(150, 150, 150);

QColor attractorColour(const SystemData& data, int magnet)
{
    if (magnet < 0 || magnet >= data.magnets.size())
        return kNoMagnetColour;
    // As the map paints it: each channel within 0..1.
    const float* c = data.magnets[magnet].color;
    const auto channel = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return QColor::fromRgbF(channel(c[0]), channel(c[1]), channel(c[2]));
}

} // namespace

template <class Store>
PathCapture PathTracer::run(const SystemData& data, double x0, double y0, int limit, Store&& store)
{
    if (limit < 1)
        return {};
    BasinRequest request = ModelState::of(data).basinRequest();
    // A single lane: every kernel gives the same bits, the portable one at
    // the least cost for one.
    request.vectorLanes = false;
    const std::vector<Attractor>& attractors = attractorCache.of(request.model);
    const LaneSetup lanes(request, attractors);
    basin::LaneBatch batch;
    batch.release(0, x0, y0);

    int samples = 0;
    const auto take = [&] {
        store(batch.y[0][0], batch.y[1][0], batch.y[2][0], batch.y[3][0], batch.stamp[0]);
        ++samples;
    };
    if (batch.outcome[0] == basin::kRunning)
        take();
    // One try a call. An accepted step is a new sample, unless it ended the
    // lane (a state the samples cannot hold, a collapsed or an idle step),
    // which the ordinary path does not store either. A capture or the time
    // limit ends the lane at the sample taken last: its test comes first in
    // the call after it, so the last sample the limit allows is tested too.
    while (batch.outcome[0] == basin::kRunning) {
        const double steps = batch.steps[0];
        lanes.advance(batch, 1);
        if (batch.steps[0] != steps && batch.outcome[0] == basin::kRunning) {
            if (samples == limit)
                break;
            take();
        }
    }

    PathCapture capture;
    const int attractor = LaneSetup::attractorOf(batch.outcome[0]);
    if (attractor < 0)
        return capture;
    capture.sample = samples - 1;
    capture.magnet = attractors[std::size_t(attractor)].magnet;
    capture.stamp = float(batch.stamp[0]);
    capture.x = float(batch.y[0][0]);
    capture.y = float(batch.y[1][0]);
    capture.colour = attractorColour(data, capture.magnet);
    return capture;
}

PathCapture PathTracer::trace(SystemData& data, double x0, double y0)
{
    data.trajPoints.clear();
    data.trajTimes.clear();
    const PathCapture capture = run(
        data, x0, y0, kMaxSamples, [&data](double x, double y, double vx, double vy, double stamp) {
            data.trajPoints.push_back({float(x), float(y), float(vx), float(vy)});
            data.trajTimes.push_back(float(stamp));
        });
    data.numTrajPoints = int(data.trajTimes.size());
    // The views size their buffers for at least the sample count setting.
    if (data.trajPoints.size() < std::size_t(std::max(data.maxNumPoints, 0)))
        data.trajPoints.resize(std::size_t(data.maxNumPoints));
    return capture;
}

PathCapture PathTracer::find(const SystemData& data, double x0, double y0, int samples)
{
    // Without damping the energy never falls and nothing is ever caught.
    if (!(data.damping > 0.0))
        return {};
    return run(data, x0, y0, samples, [](double, double, double, double, double) {});
}
