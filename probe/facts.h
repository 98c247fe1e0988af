// What the probe finds out about a player's set-up: gathered once, by
// functions that print nothing, and judged in judge.h.
#pragma once

#include "settings/settings.h"

#include <stdint.h>

#include <string>

// Where Windows' profile reader takes a file otherwise than other readers do.
enum class WindowsReading {
    kSame,
    kMarkBeforeSection,  // a UTF-8 byte-order mark right before [Settings]: Windows sees no section there
    kBigEndian,          // UTF-16 big-endian: Windows reads nothing of it
    kBracketInHeader,    // a section line with a second "]": Windows ends the name at the first
};

enum class IniEncoding { kEightBit, kUtf16LittleEndian, kUtf16BigEndian };

struct IniFacts {
    std::string path;  // full path
    bool exists, isFolder, readOnly;
    IniEncoding encoding;
    WindowsReading windows;
    std::string header;    // the section line Windows reads otherwise, for kBracketInHeader
    std::string nearMiss;  // for a missing file: headview.ini.txt or the like beside it
    // As Windows reads the file: each key's text, whether it is there, and the values.
    bool present[kSettingKeyCount];
    std::string texts[kSettingKeyCount];
    Settings settings;
};

struct FolderFacts {
    bool plugin;      // headview.asi
    bool scriptHook;  // ScriptHookV.dll
    bool asiLoader;   // dinput8.dll, the script hook's ASI loader
};

enum class LogSetup {
    kAbsent,          // no headview.log: the game never loaded headview.asi here
    kEmpty,           // opened at load, but the script never started
    kNoSetup,         // lines, but no look for the tracker's data
    kMadeByHeadview,  // no tracker ran when the game started: headview made the data
    kTrackerFound,    // the tracker's data was there
    kCannotOpen,      // the last request was not followed by "opened": repeated every frame
};

struct LogFacts {
    LogSetup setup;
    int64_t bytes;
    int settingsErrorsAtStart, settingsErrorsSince;  // before and after the last set-up
    int missingIniAtStart, missingIniSince;
};

// Both yaws over the new poses seen.
struct YawStats {
    int count;
    double min, max, sum;
    double jitterSquares;  // squared second differences: the shake smooth motion does not explain
    int jitterCount;
    double last, beforeLast;
};

enum class Region { kAbsent, kDenied, kOpen };

struct TrackerFacts {
    Region region;
    int poses;                 // new poses seen
    YawStats processed, raw;   // both yaws
    double rawMinusProcessed;  // summed over the poses
    bool rawAlwaysZero, processedAlwaysZero, sameEveryPose;
    bool otherAxesLive;     // any pitch, roll or position not zero
    int64_t published;      // poses the tracker published, from its frame counter
    double watchedSeconds;  // since the region was found
    double longestStall;    // the counter stood still this long between two of the probe's readings
};

struct SetUpFacts {
    IniFacts ini;
    FolderFacts folder;
    LogFacts log;
};
