// What the probe finds out, gathered once by functions that print nothing
// and write nothing; judged in judge.h. Paths are UTF-16, as the platform
// calls take them; text is UTF-8.
#pragma once

#include "settings/settings.h"
#include "tracker/freetrack.h"

#include <math.h>

#include <string>

constexpr double kDegreesPerRadian = 57.29577951308232;

// The game folder (`judged`, empty when there is none): the folder the probe
// was started in when it holds ScriptHookV.dll or headview.asi, else the
// probe's own; with --ini, that file's folder alone.
struct FolderFacts {
    std::wstring startedIn, own, judged;  // each with its trailing backslash
    bool fromIni;                         // startedIn is --ini's folder
    bool plugin, scriptHook, asiLoader;
    std::wstring gameAbove;  // the folder above the judged one, when it holds ScriptHookV.dll
    bool leftover;           // headview.ini.probe-new, left by a probe that was stopped
    bool wine;               // Wine or Proton runs the probe, and so the game beside it
};

enum Encoding { kEightBit, kUtf16Le, kUtf16Be };

struct IniFacts {
    std::wstring path;
    bool exists, isFolder, readOnly, tooLong;  // tooLong: past the 259 characters the plugin resolves
    bool empty;                                // nothing in it but blanks
    int64_t written;                           // last written, in ms since 1601 (UTC); 0 unknown
    std::string bytes;                         // as judged: an edit starts from them
    std::string nearMissFile;                  // headview.ini.txt or the like, for a missing file
    // What the profile reader returns here, and the values the plugin takes.
    bool present[kSettingKeyCount];
    std::string texts[kSettingKeyCount];
    Settings settings;
    // From the bytes, only to explain a key the reader did not return.
    Encoding encoding;
    bool noSection, markBeforeSection;  // no [Settings] line; a UTF-8 mark right before the first section line
    std::string oddHeader;              // a [Settings] line with more after its first "]"
    // A line of the key the reader does not take (outside the first [Settings],
    // or after the key's first line there), and the section line it stands under.
    std::string misplaced[kSettingKeyCount], under[kSettingKeyCount];
    std::string nearMiss[kSettingKeyCount];  // a line under [Settings] whose name nearly is the key's
    int misplacedLine[kSettingKeyCount], nearMissLine[kSettingKeyCount];  // those lines, counted from 0
    int sections;                                                         // [Settings] lines
};

enum LogSetup { kNoLog, kEmptyLog, kNoSetup, kMadeByHeadview, kTrackerFound, kCannotOpen, kFarBack };

struct LogFacts {
    LogSetup setup;  // of the last run: kFarBack when it lies before the end read
    int64_t bytes;
    int badKeys, missingIni;  // error lines of the last run
    std::string repeated;     // the message of most lines at the end
    std::string started;      // "08.12.2026 20:15" (UTC): when the last run began, as its first line says
    int64_t startedAt;        // the same in ms since 1601; 0 unknown
};

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
    bool rawAlwaysZero, processedAlwaysZero, sameEveryPose, otherAxesLive;
    int64_t published;      // poses published, from the tracker's counter
    double sendingSeconds;  // watched, the stalls left out
    double longestStall;
    const YawStats& Steering(int32_t source) const { return source == 1 ? processed : raw; }
};

struct Facts {
    FolderFacts folder;
    IniFacts ini;
    LogFacts log;
    TrackerFacts tracker;
    bool watched;
};

bool UnderWine();                       // ntdll exports wine_get_version
bool Exists(const std::wstring& path);  // something stands there, a folder too
FolderFacts GatherFolderFacts(const std::wstring& iniOption);
IniFacts GatherIniFacts(const std::wstring& path);
LogFacts GatherLogFacts(const std::wstring& path);
Facts GatherSetUpFacts(const std::wstring& iniOption);  // all but the tracker's

// The tracker, watched without ever touching what the plugin or the tracker
// sees: the region mapped read-only, no handle to it kept (so that it
// vanishes when the tracker ends), never created or written, never the mutex.
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
