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

YawStats SampleHold(const TrackerView& view, int32_t source, double seconds)
{
    YawStats stats = {};
    FTPose pose;
    CopyPose(view, &pose);
    int32_t lastCounter = pose.frameCounter;
    const Clock clock = StartClock();
    while (SecondsSince(clock) < seconds) {
        Sleep(1);
        CopyPose(view, &pose);
        if (pose.frameCounter != lastCounter) {
            lastCounter = pose.frameCounter;
            AddYaw(&stats, SteeringYaw(pose, source));
        }
    }
    return stats;
}
