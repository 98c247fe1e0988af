// The tracker, watched without ever touching what the plugin or the tracker
// sees: the region mapped read-only, no handle to it kept (so that it
// vanishes when the tracker ends), never created or written, never the mutex.
#pragma once

#include "settings/settings.h"
#include "tracker/freetrack.h"

#include <math.h>
#include <stdint.h>

constexpr double kDegreesPerRadian = 57.29577951308232;

struct YawStats {
    int count, jitterCount;
    double min, max, sum, last, beforeLast;
    double jitterSquares;  // squared second differences: shake smooth motion does not explain
    double Mean() const { return count > 0 ? sum / count : 0.0; }
    double Spread() const { return max - min; }
    double Jitter() const { return jitterCount > 0 ? sqrt(jitterSquares / jitterCount) : 0.0; }
};

enum Region { kAbsent, kDenied, kOpen };

struct TrackerFacts {
    Region region;
    bool exited;  // the data vanished while watched: the tracker ended
    int poses;    // new poses seen
    YawStats processed, raw;
    double rawMinusProcessed;  // summed over the poses
    int32_t lastCounter;       // the last pose's
    int inRow;                 // poses in a row, each one counter step after the one before
    bool rawAlwaysZero, processedAlwaysZero, sameEveryPose, otherAxesLive;
    int64_t published;      // poses published, from the tracker's counter
    double sendingSeconds;  // watched, the stalls left out
    double longestStall;
    const YawStats& Steering(int32_t source) const { return source == 1 ? processed : raw; }
};

Region OpenTrackerView(const FTPose** view);
// Whether there is a tracker's region now, and may be read: no poses.
TrackerFacts LookForTracker();
// A copy counts when a second copy 50 us later is the same to the byte:
// writers store the counter last, and a pose far faster than that.
bool CopyStablePose(const FTPose* source, FTPose* pose);
// Poses published, from how far the counter advanced: one for a jump back
// (the plugin's reset past 1000, a restart), none for 0 (the plugin's reset).
struct CounterTrack {
    int32_t last;
    int64_t published;
};
int64_t TrackCounter(CounterTrack* track, int32_t counter);
// Still spells of the counter, proven by two readings that saw the same
// counter; from 1 s on they are stalls, left out of the sending time.
struct StallClock {
    bool started;
    double stillSince, lastReading, longest, stalled;
};
void NoteReading(StallClock* clock, double now, bool advanced);
void AddPose(TrackerFacts* facts, const FTPose& pose);
// Watches for `seconds`, taking up a tracker that appears meanwhile; `live`
// prints what arrives and the heading `settings` give (none unless `cameraOn`).
TrackerFacts WatchTracker(double seconds, const Settings& settings, bool cameraOn, bool live);
