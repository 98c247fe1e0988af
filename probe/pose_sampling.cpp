#include "probe/pose_sampling.h"

#include "plugin/heading.h"

#include <math.h>

Clock StartClock()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return Clock{now.QuadPart, static_cast<double>(frequency.QuadPart)};
}

double SecondsSince(const Clock& clock)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - clock.start) / clock.frequency;
}

void AddYaw(YawStats* stats, double yaw)
{
    if (stats->count == 0) {
        stats->min = stats->max = yaw;
    }
    stats->min = fmin(stats->min, yaw);
    stats->max = fmax(stats->max, yaw);
    stats->sum += yaw;
    if (stats->count >= 2) {
        const double bend = yaw - 2 * stats->last + stats->beforeLast;
        stats->jitterSquares += bend * bend;
        ++stats->jitterCount;
    }
    stats->beforeLast = stats->last;
    stats->last = yaw;
    ++stats->count;
}

double MeanYaw(const YawStats& stats)
{
    return stats.count > 0 ? stats.sum / stats.count : 0.0;
}

double YawSpread(const YawStats& stats)
{
    return stats.count > 0 ? stats.max - stats.min : 0.0;
}

double YawJitter(const YawStats& stats)
{
    return stats.jitterCount > 0 ? sqrt(stats.jitterSquares / stats.jitterCount) : 0.0;
}

CounterTrack StartCounterTrack(int32_t counter)
{
    return CounterTrack{counter, 0};
}

int64_t TrackCounter(CounterTrack* track, int32_t counter)
{
    if (counter == track->last || counter == 0) {
        return 0;
    }
    const int64_t advanced = counter > track->last ? int64_t{counter} - track->last : 1;
    track->last = counter;
    track->published += advanced;
    return advanced;
}

YawStats SampleHold(const TrackerView& view, int32_t source, double seconds)
{
    YawStats stats = {};
    FTPose pose = {};
    CopyPoseWithoutLocking(view, &pose);
    CounterTrack counter = StartCounterTrack(pose.frameCounter);
    const Clock clock = StartClock();
    while (SecondsSince(clock) < seconds) {
        Sleep(1);
        if (CopyPoseWithoutLocking(view, &pose) && TrackCounter(&counter, pose.frameCounter) > 0) {
            AddYaw(&stats, SteeringYaw(pose, source));
        }
    }
    return stats;
}
