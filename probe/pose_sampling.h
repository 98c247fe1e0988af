// Watching the tracker's poses: a clock, statistics of one yaw, and the
// poses of a hold, for the probe's watch, centre and gain.
#pragma once

#include "probe/tracker_view.h"

#include <stdint.h>

// Seconds since a start, from the performance counter.
struct Clock {
    int64_t start;
    double frequency;
};
Clock StartClock();
double SecondsSince(const Clock& clock);

// One yaw over the new poses seen.
struct YawStats {
    int count;
    double min, max, sum;
    double jitterSquares;  // squared second differences: the shake that smooth motion does not explain
    int jitterCount;
    double last, beforeLast;
};
void AddYaw(YawStats* stats, double yaw);
double MeanYaw(const YawStats& stats);
double YawSpread(const YawStats& stats);
double YawJitter(const YawStats& stats);

constexpr double kDegreesPerRadian = 57.29577951308232;

// Both yaws a tracker publishes, over the new poses seen.
struct YawPair {
    int count;
    YawStats processed, raw;
    bool rawAlwaysZero, processedAlwaysZero;
    bool sameEveryPose;        // the tracker publishes one yaw twice
    double rawMinusProcessed;  // summed over the poses
};
void AddPoseYaws(YawPair* yaws, const FTPose& pose);
// The yaw steering follows with `source`.
const YawStats& SteeringYawStats(const YawPair& yaws, int32_t source);
// How far the raw yaw sits off the processed one, on average.
double RawYawBias(const YawPair& yaws);

// The poses a tracker published, from how far its frame counter advanced
// between two readings, however many of them the probe happened to see.
struct CounterTrack {
    int32_t last;  // the last counter the tracker wrote
    int64_t published;
};
CounterTrack StartCounterTrack(int32_t counter);
// Takes a reading; returns how many poses it shows since the one before:
// the difference, one for a jump backwards (the plugin resets the counter
// past 1000, a tracker restarts), none for a 0, which is the plugin's reset
// and not a pose. After a start at 0, the first other counter is where
// counting starts.
int64_t TrackCounter(CounterTrack* track, int32_t counter);

// Watches for `seconds` and gathers both yaws of every new pose.
YawPair SampleHold(const TrackerView& view, double seconds);
