#include "probe/pose_sampling.h"

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
    if (track->last == 0) {
        // Counting starts here: a first reading of 0 was no counter of the
        // tracker's (a region not yet written, or the plugin's reset).
        track->last = counter;
        return 0;
    }
    const int64_t advanced = counter > track->last ? int64_t{counter} - track->last : 1;
    track->last = counter;
    track->published += advanced;
    return advanced;
}

void AddPoseYaws(YawPair* yaws, const FTPose& pose)
{
    const bool first = yaws->count == 0;
    ++yaws->count;
    AddYaw(&yaws->processed, pose.yaw);
    AddYaw(&yaws->raw, pose.rawYaw);
    yaws->rawAlwaysZero = (first || yaws->rawAlwaysZero) && pose.rawYaw == 0.0f;
    yaws->processedAlwaysZero = (first || yaws->processedAlwaysZero) && pose.yaw == 0.0f;
    yaws->sameEveryPose = (first || yaws->sameEveryPose) && pose.rawYaw == pose.yaw;
    yaws->rawMinusProcessed += static_cast<double>(pose.rawYaw) - pose.yaw;
}

const YawStats& SteeringYawStats(const YawPair& yaws, int32_t source)
{
    return source == 1 ? yaws.processed : yaws.raw;
}

double RawYawBias(const YawPair& yaws)
{
    return yaws.count > 0 ? yaws.rawMinusProcessed / yaws.count : 0.0;
}

YawPair SampleHold(const TrackerView& view, double seconds)
{
    YawPair yaws = {};
    FTPose pose = {};
    CopyPoseWithoutLocking(view, &pose);
    CounterTrack counter = StartCounterTrack(pose.frameCounter);
    const Clock clock = StartClock();
    while (SecondsSince(clock) < seconds) {
        Sleep(1);
        if (CopyPoseWithoutLocking(view, &pose) && TrackCounter(&counter, pose.frameCounter) > 0) {
            AddPoseYaws(&yaws, pose);
        }
    }
    return yaws;
}
