// Watching the tracker's poses without ever touching what the plugin or the
// tracker sees: the region opened read-only, never created, never written,
// and never the tracker's mutex.
#pragma once

#include "probe/facts.h"
#include "tracker/freetrack.h"

#include <windows.h>

struct TrackerView {
    HANDLE mapping;
    const FTPose* pose;  // the first 92 bytes of FT_SharedMem, read-only
};

// Opens an existing FT_SharedMem for reading: kDenied when it is there but
// this process may not open it (a tracker run as administrator).
Region OpenTrackerView(TrackerView* view);
void CloseTrackerView(TrackerView* view);

// Copies the pose without the mutex: a copy counts when a second copy, 50 us
// later, is the same to the byte. Writers store the counter last, so a copy
// taken while the next pose is stored reads the old counter with some of the
// new fields; a writer stores a pose far faster than that. False when every
// try met a write.
bool CopyStablePose(const FTPose* source, FTPose* pose);

// The poses a tracker published, from how far its frame counter advanced:
// the difference, one for a jump backwards (the plugin's reset past 1000, a
// restart), none for a 0 (the plugin's reset, no pose). After a start at 0,
// the first other counter is where counting starts.
struct CounterTrack {
    int32_t last;
    int64_t published;
};
int64_t TrackCounter(CounterTrack* track, int32_t counter);

// How long the tracker's counter stood still, proven by two of the probe's
// readings that saw the same counter: a pause of the probe's own (a click in
// a QuickEdit console) over which the counter moved is no stall.
struct StallClock {
    bool started;
    double stillSince, lastReading, longest;
};
void NoteReading(StallClock* clock, double now, bool advanced);
double LongestStall(const StallClock& clock);

void AddPose(TrackerFacts* facts, const FTPose& pose);
double MeanYaw(const YawStats& stats);
double YawSpread(const YawStats& stats);
double YawJitter(const YawStats& stats);
const YawStats& SteeringYawStats(const TrackerFacts& facts, int32_t source);

// Watches an open region for `seconds`.
TrackerFacts SampleHold(const TrackerView& view, double seconds);

// Watches for `seconds`, waiting for a tracker to appear meanwhile, with a
// live line of what it publishes and the heading `settings` give (none when
// `cameraOn` is false).
TrackerFacts WatchTracker(int seconds, const Settings& settings, bool cameraOn);
