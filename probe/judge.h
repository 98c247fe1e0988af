// Findings from the facts, by functions that print nothing and touch
// nothing. A finding may carry the change to headview.ini that mends it, as
// data: the repair makes it without reading a word meant for the player.
#pragma once

#include "probe/gather.h"

#include <vector>

enum Mark { kStop, kFix, kNote, kOk };  // worst first

// What a change does to headview.ini.
enum class Edit {
    kNone,         // nothing: its lines are for the player to put in, if they choose
    kSetKeys,      // each key set under the first [Settings]
    kMoveLine,     // line `line` taken out (with the comments right above it), its key set under the first [Settings]
    kRenameKey,    // line `line`, a near miss, written as its key where it stands
    kAddSection,   // a [Settings] line put before the first key above every section
    kBreakMark,    // a line end after a UTF-8 mark right before [Settings]
    kShippedFile,  // the shipped file's content written
    kRenameFile,   // `file`, beside it, renamed to headview.ini
};

struct KeyValue {
    SettingKey key;
    std::string value;
    std::string why = "";  // a value put in place of the player's, not made from it: why theirs is not kept
};

struct Change {
    Edit edit = Edit::kNone;
    std::vector<KeyValue> sets;  // shown to the player as the lines to put under [Settings]
    int line = -1;               // kMoveLine, kRenameKey: the line of headview.ini, counted from 0
    std::string file = "";       // kRenameFile
};

struct Finding {
    Mark mark;
    std::string says;        // one paragraph of plain words
    Change change = {};      // made by the repair when marked [stop] or [fix], or asked for
    bool refused = false;    // the probe could not do what was asked
    bool away = false;       // the probe stands outside the game's folder: it can say nothing of the camera
    bool pending = false;    // all is well only once the game has run with the file as it is
    bool asked = false;      // the player asked for the change (--centre, --gain): made without a question
    bool alongside = false;  // a note's change, made only beside changes the player says yes to
};
using Findings = std::vector<Finding>;

bool HasMark(const Findings& findings, Mark mark);

// What the camera does for a head turn of 45 degrees (0.785, in radians as
// the common trackers write the yaw) either way: [ok] when it follows it;
// else the lines that mend it.
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
Findings JudgeTracker(const TrackerFacts& facts, const Settings& settings, const FolderFacts& folder);

// The settings the tracker is judged by: the file's, or the shipped file's
// source where there is no file.
Settings JudgedSettings(const Facts& facts);
// Every finding; nothing [ok] about the camera's turn beside a [stop].
Findings JudgeAll(const Facts& facts);
