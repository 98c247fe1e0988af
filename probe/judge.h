// Findings from the facts, by functions that print nothing and touch
// nothing. A finding may carry the change to headview.ini that mends it,
// as data: repair.h makes it on the player's word.
#pragma once

#include "probe/facts.h"

#include <vector>

enum Mark { kStop, kFix, kNote, kOk };  // worst first

// What a finding asks of headview.ini that the probe can do itself.
enum class Change {
    kNone,
    kSetLines,     // each of `lines` set under the first [Settings]
    kMoveLine,     // line `line` taken out, `lines` set under the first [Settings]
    kAddSection,   // a [Settings] line put before the first key
    kBreakMark,    // a line end after a UTF-8 mark right before [Settings]
    kShippedFile,  // the shipped file's content written
    kRenameFile,   // the near miss (headview.ini.txt) renamed to headview.ini
};

struct Finding {
    Mark mark;
    std::string says;        // one paragraph of plain words
    std::string lines = "";  // the exact lines to put in headview.ini, one a line
    bool refused = false;    // the probe could not do what was asked
    Change change = Change::kNone;
    int line = -1;      // kMoveLine: the line of headview.ini, counted from 0
    bool away = false;  // the probe stands outside the game's folder: it can say nothing of the camera
};
using Findings = std::vector<Finding>;

bool HasMark(const Findings& findings, Mark mark);

// What the camera does for a head turn of 45 degrees (0.785, in radians as
// the common trackers write the yaw) either way: [ok] when it follows it.
Finding DescribeHeading(const Settings& settings, const std::string& offsetText, const std::string& gainText);

// In the order JudgeYaws tries them; from kTracking on, the rate is [ok].
enum Situation {
    kNoTracker,
    kNotAllowed,
    kExited,
    kNoPoses,
    kOnlyZeros,
    kStalled,
    kHeldStill,
    kRawZero,
    kNotMoved,
    kSameYaws,
    kRawShaky,
    kTracking
};
Situation JudgeYaws(const TrackerFacts& facts, const Settings& settings);
Findings JudgeTracker(const TrackerFacts& facts, const Settings& settings, bool wine);

// The settings the tracker is judged by: the file's, or the shipped file's
// source where there is no file.
Settings JudgedSettings(const Facts& facts);
// Every finding; nothing [ok] about the camera's turn beside a [stop].
Findings JudgeAll(const Facts& facts);

// A number as players read it: plain, never an exponent.
std::string Plain(double value, int decimals);
// A path for a finding's words, its blanks kept: the report never breaks a line in it.
constexpr char kKeptBlank = '\x1F';
std::string Path(const std::wstring& path);
