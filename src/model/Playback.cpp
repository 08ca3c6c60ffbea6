#include "Playback.h"

#include "SystemData.h"

#include <algorithm>

Playback::Playback(SystemData* data, QObject* parent) : QObject(parent), data(data) {}

double Playback::time() const
{
    return data->animTime;
}

double Playback::duration() const
{
    const int last = lastSample();
    return last < 1 ? 0.0 : data->trajTimes[std::size_t(last)];
}

void Playback::setSpeed(double speed)
{
    factor = speed;
}

bool Playback::advance(double milliseconds)
{
    const bool moving = data->animStep(milliseconds * factor);
    // A late tick may jump past several samples and the end: the bob comes to
    // rest at the end of the path all the same.
    const int last = lastSample();
    if (!moving && last >= 1 && data->animTime >= data->trajTimes[std::size_t(last)])
        restAtEnd(last);
    emit moved();
    return moving;
}

void Playback::seek(double t)
{
    const int last = lastSample();
    if (last < 1)
        return;
    const std::vector<float>& times = data->trajTimes;
    const float clock = std::clamp(float(t), times.front(), times[std::size_t(last)]);
    // The segment that holds the clock, searched from the start: unlike a
    // tick, a seek may go backwards.
    const auto after = std::upper_bound(times.begin(), times.begin() + last + 1, clock);
    data->animIndex = std::min(int(after - times.begin()) - 1, last - 1);
    data->animTime = clock;
    if (clock < times[std::size_t(last)]) {
        // A tick that advances the clock by nothing puts the bob within the segment.
        data->animStep(0.0);
    } else {
        restAtEnd(last);
    }
    emit moved();
}

bool Playback::cannotAdvance() const
{
    // The clock has passed the last sample, or it stands before the segment the
    // playback was left at, as when a new path has restarted the clock alone.
    const int last = lastSample();
    const int index = data->animIndex;
    if (last < 1)
        return false;
    return index < 0 || index >= last || data->animTime >= data->trajTimes[std::size_t(last)] ||
           data->animTime < data->trajTimes[std::size_t(index)];
}

void Playback::rewind()
{
    data->ResetAnim();
    emit moved();
}

void Playback::restAtEnd(int last)
{
    data->animIndex = last - 1;
    data->animPos[0] = data->trajPoints[std::size_t(last)][0];
    data->animPos[1] = data->trajPoints[std::size_t(last)][1];
}

int Playback::lastSample() const
{
    return data->storedSamples() - 1;
}
