// The game folder and headview.ini, gathered once by functions that print
// nothing and write nothing in it. What the plugin will read comes from the
// platform's own profile reader, through the plugin's own code; the file's
// lines only explain a key that reader did not return.
#pragma once

#include "probe/game_status.h"
#include "probe/ini_lines.h"
#include "probe/log_facts.h"
#include "probe/tracker_watch.h"

#include <stdint.h>

#include <string>

// The game folder (`judged`, empty when there is none): the folder the probe
// was started in when it holds ScriptHookV.dll or headview.asi, else the
// probe's own; with --ini, that file's folder alone.
struct FolderFacts {
    std::wstring startedIn, own, judged;  // each with its trailing backslash
    bool fromIni;                         // startedIn is --ini's folder
    bool plugin, scriptHook, asiLoader;
    std::wstring gameAbove;  // the folder above the judged one, when it holds ScriptHookV.dll
    bool leftover;           // headview.ini.probe-new, left by a probe that was stopped
    bool probeOld;           // headview.ini.probe-old, left by an older probe whose change failed twice
    bool wine;               // Wine or Proton runs the probe, and so the game beside it
    bool trackIR;            // NaturalPoint's TrackIR5.exe runs, which publishes no FreeTrack data
};

struct IniFacts {
    std::wstring path;
    bool exists, isFolder, readOnly, tooLong;  // tooLong: past the 259 characters the plugin resolves
    bool locked;                               // open in another program that lets none read it
    bool empty;                                // nothing in it but blanks
    int64_t written;                           // last written, in ms since 1601 (UTC); 0 unknown
    std::string bytes;                         // as judged: an edit starts from them
    // A file headview does not read: with no headview.ini, the one to rename
    // to it (a copy the probe kept, or headview.ini.txt); beside one, headview.ini.txt or the like.
    std::string nearMissFile;
    // What the profile reader returns here, and the values the plugin takes.
    bool present[kSettingKeyCount];
    std::string texts[kSettingKeyCount];
    Settings settings;
    // From the lines, only to explain a key the reader did not return.
    Encoding encoding;
    bool noSection, markBeforeSection;  // no [Settings] line; a UTF-8 mark right before the first section line
    bool keyAbove;                      // a line of a key above every section
    std::string oddHeader;              // a section line the two readers end apart
    bool controls;                      // characters below a blank but tabs and line ends, which they may read apart
    // A line of the key the reader does not take (outside the first [Settings],
    // or after the key's first line there), and where it stands.
    std::string misplaced[kSettingKeyCount], place[kSettingKeyCount];
    std::string nearMiss[kSettingKeyCount];  // a line under [Settings] whose name nearly is the key's
    std::string bare[kSettingKeyCount];      // the key's line there without "=", which reads as none
    int misplacedLine[kSettingKeyCount], nearMissLine[kSettingKeyCount];  // those lines, counted from 0
    int sections;                                                         // [Settings] lines
};

bool UnderWine();                       // ntdll exports wine_get_version
bool Exists(const std::wstring& path);  // something stands there, a folder too
FolderFacts GatherFolderFacts(const std::wstring& iniOption);
IniFacts GatherIniFacts(const std::wstring& path);
// What the plugin's reader makes of `bytes`: they are written to a file of
// their own in the temporary folder, read, and the file removed.
bool ReadSettingsOf(const std::string& bytes, SettingTexts* texts, Settings* settings);
// `ini` as it would be with `bytes` in it: a planned edit judged before it is made.
IniFacts IniFactsOfText(const IniFacts& ini, const std::string& bytes);

// The running game's headview, as its status block shows it when the watch begins and ends.
struct GameFacts {
    GameSeen seen;  // at the end
    StatusBlock first, last;
};

// Everything the probe judges.
struct Facts {
    FolderFacts folder;
    IniFacts ini;
    LogFacts log;
    TrackerFacts tracker;
    bool watched;
    GameFacts game;
};
Facts GatherSetUpFacts(const std::wstring& iniOption);  // all but the tracker's
