// The probe's judgement: findings from the facts, by functions that print
// nothing. Each finding says what is fine or wrong and why, the exact lines
// to put in headview.ini, and whether it stops the camera.
#pragma once

#include "probe/facts.h"

#include <string>
#include <vector>

enum class Mark { kOk, kNote, kFix, kStop };

// In the order the report prints them.
// clang-format off
enum class Check {
    kIniFile, kIniWindows, kIniKey, kCameraOn, kHeading, kReload, kOffset,  // headview.ini
    kPlugin, kScriptHook, kAsiLoader,                                       // the game folder
    kLog, kLogSettings, kLogSize,                                           // headview.log
    kTracker, kYaws, kMeasure, kWrite,                                      // the tracker, --centre, --gain
};
// clang-format on

struct Finding {
    Check check;
    Mark mark;
    std::string says;   // lines of plain words
    std::string lines;  // the exact lines to put in headview.ini, one a line; or empty
};
using Findings = std::vector<Finding>;

constexpr double kDegreesPerRadian = 57.29577951308232;

// printf into a string, for the findings' words.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// headview.ini, the game folder and headview.log.
Findings JudgeSetUp(const SetUpFacts& facts);

// What the camera does with these settings for a head turn of 45 degrees
// either way (in radians, as the common trackers write the yaw).
enum class Heading { kFollows, kFrozen, kSpinning, kNeverFinite };
Heading JudgeHeading(const Settings& settings);
Finding DescribeHeading(Heading heading, const IniFacts& ini);

// What the tracker's poses say, and what headview.ini should do about them.
enum class Situation {
    kNoTracker,     // no FreeTrack data at all
    kDenied,        // the data is there, but may not be opened (a tracker run as administrator)
    kNoPoses,       // no new pose arrived
    kOnlyZeros,     // every axis of every pose is zero: nothing is tracked
    kStalled,       // the poses stopped for a while
    kHeldStill,     // both yaws exactly zero while the other axes move: the dead zone
    kNotMoved,      // the head did not turn
    kRawZero,       // the raw yaw stays zero while the processed one does not
    kSameYaws,      // one yaw published twice
    kRawOffCentre,  // the raw yaw, offset added, sits off the processed one
    kRawShaky,      // the raw yaw shakes where the processed one does not
    kYawsAgree,     // both filled, close and steady
};
Situation JudgeYaws(const TrackerFacts& facts, const Settings& settings);

// A situation marked kStop also leaves --centre and --gain nothing to
// measure: they write nothing.
struct Recommendation {
    Mark mark;
    const char* says;
    const char* lines;  // or null
};
Recommendation Recommend(Situation situation, int32_t source);

// The tracker's findings after a watch.
Findings JudgeTracker(const TrackerFacts& facts, const IniFacts& ini);

// After a value was written: when the game takes it up.
Finding DescribeWrite(const IniFacts& ini, const std::string& line, const std::string& converted);
