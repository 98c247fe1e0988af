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

// Watches for `seconds` and gathers the chosen yaw of every new pose (a
// frame counter different from the one before).
YawStats SampleHold(const TrackerView& view, int32_t source, double seconds);
