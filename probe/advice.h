// What the tracker's two yaws say about headviewing_source, and the one
// recommendation for each situation: shared by the watch, --centre and
// --gain, so that all three give the same advice.
#pragma once

#include "probe/pose_sampling.h"

#include <stdint.h>

enum class Situation {
    kNoTracker,     // no FreeTrack data at all
    kNoPoses,       // the data is there, but no new pose arrives
    kOnlyZeros,     // poses arrive with both yaws at zero: nothing is tracked
    kRawZero,       // the raw yaw stays zero while the processed one does not
    kSameYaws,      // one yaw published twice
    kRawOffOrShaky, // the raw yaw sits off the processed one, or shakes where it does not
    kYawsAgree,     // both filled, close and steady
};

Situation JudgeTracker(bool found, const YawPair& yaws);

struct Recommendation {
    const char* says;   // what the probe saw, in plain words
    const char* lines;  // the exact lines to put in headview.ini, or null
    bool toFix;         // the player has something to change (exit 1)
    bool measuresNothing;  // --centre and --gain would measure nothing: they write nothing
};

// The recommendation for `situation` when headview.ini has `source`.
Recommendation Recommend(Situation situation, int32_t source);

// Prints a recommendation, with the lines to put in headview.ini.
void PrintRecommendation(const Recommendation& recommendation);
