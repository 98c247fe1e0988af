// The probe's judgement, one row per player situation: facts in; the worst
// finding's mark and the change it carries, how many findings are to fix and
// the exit code out, written by hand; words only where they carry a number,
// a path or a way.
#include "probe/report.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// A head swept 20 degrees each way at 244 poses a second, the raw yaw
// `bias` degrees off the processed one, or left at zero.
TrackerFacts Swept(double bias, bool rawFilled)
{
    TrackerFacts f = {};
    f.region = kOpen;
    for (int i = 0; i <= 100; ++i) {
        FTPose pose = {};
        pose.yaw = static_cast<float>((20.0 * (i - 50) / 50.0) / kDegreesPerRadian);
        pose.rawYaw = rawFilled ? pose.yaw + static_cast<float>(bias / kDegreesPerRadian) : 0.0f;
        pose.frameCounter = i + 1;
        AddPose(&f, pose);
    }
    f.published = 244;
    f.sendingSeconds = 1.0;
    return f;
}

// A set-up where all is well: the shipped file in a full game folder, a log
// whose last start found the tracker, and a tracker that publishes both yaws
// alike.
Facts WellSetUp()
{
    Facts f = {};
    f.folder.startedIn = f.folder.own = f.folder.judged = L"C:\\Games\\V\\";
    f.folder.plugin = f.folder.scriptHook = f.folder.asiLoader = true;
    f.ini.path = L"C:\\Games\\V\\headview.ini";
    f.ini.exists = true;
    const char* const texts[kSettingKeyCount] = {"1", "0", "39", "0.0", "1", "1"};
    for (int k = 0; k < kSettingKeyCount; ++k) {
        f.ini.present[k] = true;
        f.ini.texts[k] = texts[k];
    }
    f.ini.settings = Settings{1, 0, 0x39, 0.0f, 1, 1};
    f.log = LogFacts{kTrackerFound, 4000, 0, 0, "", 0};
    f.watched = true;
    f.tracker = Swept(0.0, true);
    return f;
}

const Finding& Worst(const Findings& findings)
{
    return *std::min_element(findings.begin(), findings.end(),
                             [](const Finding& a, const Finding& b) { return a.mark < b.mark; });
}

void Unread(Facts* f, int key)
{
    f->ini.present[key] = false;
    f->ini.texts[key] = "";
}

void UnreadAll(Facts* f)
{
    for (int k = 0; k < kSettingKeyCount; ++k) {
        Unread(f, k);
    }
}

void Gain(Facts* f, const char* text, int32_t value)
{
    f->ini.texts[kMultiplierKey] = text;
    f->ini.settings.multiplier = value;
}

void Offset(Facts* f, const char* text, float value)
{
    f->ini.texts[kOffsetKey] = text;
    f->ini.settings.offset = value;
}

// A game running headview with the file's settings, its frames and the tracker's counter moving, the
// character in a vehicle, the head turned 30 degrees and the camera with it.
void Running(Facts* f)
{
    StatusBlock b = {};
    b.version = kStatusVersion;
    b.size = sizeof b;
    const Settings& s = f->ini.settings;
    b.enabled = s.enabled, b.test = s.test, b.multiplier = s.multiplier, b.offset = s.offset;
    b.source = s.source, b.status = s.status;
    b.link = kLinkFound;
    wcscpy(b.iniPath, f->ini.path.c_str());
    b.frames = b.headingFrame = 100;
    b.counter = 5;
    b.vehicle = 1;
    f->game.first = b;
    b.frames = b.headingFrame = 160;
    b.counter = 65;
    b.yaw = static_cast<float>(30.0 / kDegreesPerRadian);
    b.heading = 30.0f;
    f->game.last = b;
    f->game.seen = kHeadviewRuns;
}

// A change as the rows write it: "set headviewing_offset=0.0", "move headviewing_test=0 @3".
std::string Written(const Change& change)
{
    const char* const edits[] = {"show", "set", "move", "rename", "section", "mark", "shipped", "rename file"};
    std::string text = edits[static_cast<int>(change.edit)];
    for (const KeyValue& set : change.sets) {
        text += std::string(" ") + kSettingKeys[set.key] + "=" + set.value;
    }
    if (change.line >= 0) {
        text += " @" + std::to_string(change.line);
    }
    return text + (change.file.empty() ? "" : " " + change.file);
}

// The report's paragraphs joined again, as one line each.
std::string Joined(const std::string& report)
{
    std::string joined = report;
    for (size_t at = 0; (at = joined.find("\n       ", at)) != std::string::npos;) {
        joined.replace(at, 8, joined.compare(at + 8, 2, "  ") == 0 ? "\n" : " ");
    }
    return joined;
}

const char* const kAllLines =
    " headviewing=1 headviewing_test=0 headviewing_multiplier=39 headviewing_offset=0.0 headviewing_source=1 "
    "headviewing_status=1";

}  // namespace

TEST(JudgeAll, TheWorstFindingAndItsChangeTheCountToFixAndTheExitCode)
{
    const struct {
        const char* what;
        std::function<void(Facts*)> change;
        Mark mark;              // the worst finding's
        std::string carries;    // its change, as Written() writes it
        int toFix;              // findings marked [stop] or [fix]
        int code;               // the exit code
        const char* said = "";  // a number, path or way said in the report
    } rows[] = {
        {"all well", [](Facts*) {}, kOk, "show", 0, 0},
        {"started elsewhere: its own folder checked",
         [](Facts* f) { f->folder.startedIn = L"C:\\Users\\me\\Downloads\\"; }, kNote, "show", 0, 0,
         "started in C:\\Users\\me\\Downloads\\,"},
        {"started elsewhere, and not in the game folder itself: a folder with an @",
         [](Facts* f) {
             f->folder.startedIn = L"C:\\Users\\me@home\\";
             f->folder.own = L"C:\\Users\\me\\Downloads\\";
             f->folder.judged.clear();
         },
         kStop, "show", 1, 1, "Neither C:\\Users\\me@home\\ nor C:\\Users\\me\\Downloads\\ is"},
        {"no ASI loader", [](Facts* f) { f->folder.asiLoader = false; }, kStop, "show", 1, 1},
        {"--ini in a folder that is not the game's: a usage error",
         [](Facts* f) {
             f->folder.fromIni = true;
             f->folder.judged.clear();
         },
         kStop, "show", 1, 2},
        {"the files put in the game's scripts folder: one [stop]",
         [](Facts* f) {
             f->folder.judged = f->folder.startedIn = f->folder.own = L"C:\\Games\\V\\scripts\\";
             f->folder.scriptHook = f->folder.asiLoader = false;
             f->folder.gameAbove = L"C:\\Games\\V\\";
         },
         kStop, "show", 1, 1, "ScriptHookV.dll is in C:\\Games\\V\\: move"},
        {"no [Settings] line, nothing read: every line given",
         [](Facts* f) {
             UnreadAll(f);
             f->ini.noSection = true;
             f->ini.settings = Settings{1, 1, 35, 0.0f, 0, 0};
         },
         kFix, std::string("set") + kAllLines, 1, 1},
        {"no [Settings] line, keys above every section",
         [](Facts* f) {
             UnreadAll(f);
             f->ini.noSection = f->ini.keyAbove = true;
         },
         kFix, "section", 1, 1},
        {"an empty file", [](Facts* f) { UnreadAll(f), f->ini.empty = true; }, kFix, "shipped", 1, 1},
        {"the offset under a second [Settings], beside the processed yaw",
         [](Facts* f) {
             Unread(f, kOffsetKey);
             f->ini.misplaced[kOffsetKey] = "headviewing_offset=0.1";
             f->ini.misplacedLine[kOffsetKey] = 9;
         },
         kFix, "move headviewing_offset=0.0 @9", 1, 1},
        {"the gain above every section",
         [](Facts* f) {
             Unread(f, kMultiplierKey);
             f->ini.misplaced[kMultiplierKey] = "headviewing_multiplier=39";
         },
         kFix, "move headviewing_multiplier=39 @0", 1, 1},
        {"the source above every section",
         [](Facts* f) {
             Unread(f, kSourceKey);
             f->ini.misplaced[kSourceKey] = "headviewing_source=1";
             f->ini.misplacedLine[kSourceKey] = 2;
         },
         kFix, "move headviewing_source=1 @2", 1, 1},
        {"a misspelt key",
         [](Facts* f) {
             Unread(f, kTestKey);
             f->ini.nearMiss[kTestKey] = "headveiwing_test=0";
             f->ini.nearMissLine[kTestKey] = 3;
         },
         kFix, "rename headviewing_test=0 @3", 1, 1},
        {"the gain misspelt: its fallback turns the camera 27 degrees",
         [](Facts* f) {
             Unread(f, kMultiplierKey);
             f->ini.nearMiss[kMultiplierKey] = "headviewing_multiplyer=\t2D";
             f->ini.settings.multiplier = 0x23;
         },
         kFix, "rename headviewing_multiplier=2D @0", 1, 1, "turns the camera 27 degrees."},
        {"a UTF-8 mark before [Settings] that this reader reads past",
         [](Facts* f) { f->ini.markBeforeSection = true; }, kOk, "show", 0, 0},
        {"a UTF-8 mark before [Settings] that hides every key",
         [](Facts* f) {
             UnreadAll(f);
             f->ini.markBeforeSection = true;
         },
         kFix, "mark", 1, 1},
        {"a key read, and again under a second [Settings]: the player chooses",
         [](Facts* f) {
             f->ini.misplaced[kMultiplierKey] = "headviewing_multiplier=72";
             f->ini.place[kMultiplierKey] = "under a second [Settings]";
         },
         kFix, "show", 1, 1, "headviewing_multiplier=72 (under a second [Settings]) is not read"},
        {"the camera meant to be off", [](Facts* f) { f->ini.texts[kEnabledKey] = "Off"; }, kFix, "set headviewing=0",
         1, 1},
        {"the camera off, and a gain of 0: one [stop], the camera's",
         [](Facts* f) {
             f->ini.settings.enabled = 0;
             f->ini.texts[kEnabledKey] = "0";
             Gain(f, "0", 0);
         },
         kStop, "set headviewing=1", 1, 1},
        {"a gain of 0", [](Facts* f) { Gain(f, "0", 0); }, kStop, "set headviewing_multiplier=39", 1, 1},
        {"a gain past 180 degrees", [](Facts* f) { Gain(f, "7FFFFFFF", 0x7FFFFFFF); }, kStop,
         "set headviewing_multiplier=39", 1, 1},
        {"a gain past 180 degrees the other way", [](Facts* f) { Gain(f, "-E6", -0xE6); }, kStop,
         "set headviewing_multiplier=-39", 1, 1},
        {"a gain written 57, maybe meant in decimal: a note that changes nothing",
         [](Facts* f) { Gain(f, "57", 0x57); }, kNote, "show headviewing_multiplier=39", 0, 0,
         "turns the camera 68 degrees."},
        {"a gain written 50", [](Facts* f) { Gain(f, "50", 0x50); }, kNote, "show headviewing_multiplier=32", 0, 0},
        {"a gain written 64", [](Facts* f) { Gain(f, "64", 0x64); }, kNote, "show headviewing_multiplier=40", 0, 0},
        {"a gain written -57", [](Facts* f) { Gain(f, "-57", -0x57); }, kNote, "show headviewing_multiplier=-39", 0, 0},
        {"a gain written 49: base 16 taken as meant", [](Facts* f) { Gain(f, "49", 0x49); }, kOk, "show", 0, 0},
        {"a gain written 065: no two digits", [](Facts* f) { Gain(f, "065", 0x65); }, kOk, "show", 0, 0},
        {"a gain of -39", [](Facts* f) { Gain(f, "-39", -0x39); }, kOk, "show", 0, 0, "45 degrees, the other way."},
        {"a comment after the gain", [](Facts* f) { f->ini.texts[kMultiplierKey] = "2D#mine"; }, kFix,
         "set headviewing_multiplier=2D", 1, 1},
        {"an offset of 10 radians", [](Facts* f) { Offset(f, "10", 10.0f); }, kStop, "set headviewing_offset=0.0", 1, 1,
         "turns the camera 570 degrees"},
        {"an offset of 3 radians", [](Facts* f) { Offset(f, "3", 3.0f); }, kStop, "set headviewing_offset=0.0", 1, 1,
         "turns the camera 171 degrees"},
        {"a decimal comma, following the processed yaw", [](Facts* f) { f->ini.texts[kOffsetKey] = "0,5"; }, kFix,
         "set headviewing_offset=0.0", 1, 1},
        {"a decimal comma, following the raw yaw",
         [](Facts* f) {
             f->ini.texts[kOffsetKey] = "0,5";
             f->ini.settings.source = 0;
         },
         kFix, "set headviewing_offset=0.5", 1, 1},
        {"a comment after the offset", [](Facts* f) { f->ini.texts[kOffsetKey] = "0.5;mine"; }, kFix,
         "set headviewing_offset=0.0", 1, 1},
        {"an offset beside the processed yaw", [](Facts* f) { Offset(f, "0.2", 0.2f); }, kFix,
         "set headviewing_offset=0.0", 1, 1, "11.4 degrees to the left of centre"},
        {"an offset exactly 2 degrees off centre",
         [](Facts* f) {
             Offset(f, "0.0625", 0.0625f);
             Gain(f, "20", 0x20);
         },
         kOk, "show", 0, 0},
        {"an offset 5.0 degrees off centre: a note",
         [](Facts* f) {
             Offset(f, "0.15625", 0.15625f);
             Gain(f, "20", 0x20);
         },
         kNote, "show headviewing_offset=0.0", 0, 0},
        {"an offset 5.7 degrees off centre: a fix", [](Facts* f) { Offset(f, "0.1", 0.1f); }, kFix,
         "set headviewing_offset=0.0", 1, 1},
        {"source 0 and an offset of -1.0: the camera turns the head's way",
         [](Facts* f) {
             f->ini.settings.source = 0;
             Offset(f, "-1.0", -1.0f);
         },
         kOk, "show", 0, 0, "turns the camera 45 degrees.\n"},
        {"the path past 259 characters", [](Facts* f) { f->ini.tooLong = true; }, kStop, "show", 1, 1,
         "is 23 characters long"},
        {"no headview.ini: the shipped file, judged as following the processed yaw",
         [](Facts* f) {
             f->ini = IniFacts{};
             f->ini.path = L"C:\\Games\\V\\headview.ini";
             f->tracker = Swept(0.0, false);
             f->log.missingIni = 1;
         },
         kStop, "shipped", 1, 1},
        {"no headview.ini, headview.ini.txt there",
         [](Facts* f) {
             f->ini = IniFacts{};
             f->ini.nearMissFile = "headview.ini.txt";
         },
         kStop, "rename file headview.ini.txt", 1, 1},
        {"no headview.ini, the copy a failed change left",
         [](Facts* f) {
             f->ini = IniFacts{};
             f->ini.nearMissFile = "headview.ini.probe-old";
         },
         kStop, "rename file headview.ini.probe-old", 1, 1},
        {"headview.ini.txt beside headview.ini: a note", [](Facts* f) { f->ini.nearMissFile = "headview.ini.txt"; },
         kNote, "show", 0, 0},
        {"headview.ini.probe-old beside headview.ini: a note", [](Facts* f) { f->folder.probeOld = true; }, kNote,
         "show", 0, 0},
        {"a folder named headview.ini", [](Facts* f) { f->ini.isFolder = true; }, kFix, "show", 1, 1},
        {"UTF-16 big-endian that this reader does not read",
         [](Facts* f) {
             UnreadAll(f);
             f->ini.encoding = kUtf16Be;
         },
         kFix, "show", 1, 1},
        {"a section line the two readers read otherwise",
         [](Facts* f) {
             UnreadAll(f);
             f->ini.oddHeader = "[Settings] ; v2]";
         },
         kFix, "show", 1, 1},
        {"no headviewing_test: read on every frame", [](Facts* f) { Unread(f, kTestKey), f->ini.settings.test = 1; },
         kFix, "set headviewing_test=0", 1, 1},
        {"no headviewing_source, nor headviewing_status: read as files always were",
         [](Facts* f) { Unread(f, kSourceKey), Unread(f, kStatusKey); }, kOk, "show", 0, 0},
        {"raw 6.9 degrees off, the offset centring it, beside the processed yaw",
         [](Facts* f) {
             f->tracker = Swept(6.9, true);
             Offset(f, "-0.12", static_cast<float>(-6.9 / kDegreesPerRadian));
         },
         kFix, "set headviewing_offset=0.0", 1, 1, "turns 6.9 degrees to the right following the processed yaw"},
        {"raw 6.9 degrees off, following the raw yaw",
         [](Facts* f) {
             f->tracker = Swept(6.9, true);
             f->ini.settings.source = 0;
         },
         kFix, "show headviewing_source=1 headviewing_offset=0.0", 1, 1, "6.9 degrees to the left following the raw"},
        {"raw 2.5 degrees off, following the raw yaw",
         [](Facts* f) {
             f->tracker = Swept(2.5, true);
             f->ini.settings.source = 0;
         },
         kFix, "show headviewing_source=1 headviewing_offset=0.0", 1, 1},
        {"raw 1.9 degrees off", [](Facts* f) { f->tracker = Swept(1.9, true); }, kOk, "show", 0, 0},
        {"the raw yaw never filled, following it",
         [](Facts* f) {
             f->tracker = Swept(0.0, false);
             f->ini.settings.source = 0;
         },
         kStop, "set headviewing_source=1 headviewing_offset=0.0", 1, 1},
        {"no new pose",
         [](Facts* f) {
             f->tracker = TrackerFacts{};
             f->tracker.region = kOpen;
         },
         kStop, "show", 1, 1},
        {"a stall", [](Facts* f) { f->tracker.longestStall = 1.5; }, kFix, "show", 1, 1, "none for 1.5 seconds"},
        {"the tracker ended", [](Facts* f) { f->tracker.exited = true; }, kStop, "show", 1, 1},
        {"no log: the game has not run with the file yet", [](Facts* f) { f->log = LogFacts{}; }, kNote, "show", 0, 1},
        {"an empty log: a ScriptHookV that does not match the game", [](Facts* f) { f->log.setup = kEmptyLog; }, kStop,
         "show", 1, 1},
        {"headview.ini appeared since the last start",
         [](Facts* f) {
             f->log.missingIni = 1;
             f->log.startedAt = 13400000000000;
         },
         kNote, "show", 0, 1},
        {"one reading error in the last run, the file reads well now", [](Facts* f) { f->log.badKeys = 1; }, kNote,
         "show", 0, 1},
        {"reading errors, and a key still missing: no word that it reads well",
         [](Facts* f) {
             f->log.badKeys = 2;
             Unread(f, kTestKey);
             f->ini.settings.test = 1;
         },
         kFix, "set headviewing_test=0", 1, 1, "\"headview: (Error) reading settings from ini file!\" 2 times"},
        {"a log of repeated looks", [](Facts* f) { f->log = LogFacts{kCannotOpen, 12 * 1048576, 0, 0, "x", 0}; }, kFix,
         "show", 1, 1},
        {"a log whose last start lies before the end read", [](Facts* f) { f->log.setup = kFarBack; }, kOk, "show", 0,
         0},
        {"a log of 10 MB", [](Facts* f) { f->log.bytes = 10 * 1048576; }, kOk, "show", 0, 0},
        {"a log of 10 MB and a byte", [](Facts* f) { f->log.bytes = 10 * 1048576 + 1; }, kNote, "show", 0, 0,
         "headview.log is 10.0 MB"},
        {"a log of 5 TB: plain digits, where printf's %g would write 4.76837e+06",
         [](Facts* f) { f->log.bytes = 5000000000000; }, kNote, "show", 0, 0, "headview.log is 4768371.6 MB"},
        {"a leftover from a stopped probe", [](Facts* f) { f->folder.leftover = true; }, kNote, "show", 0, 0},
        {"the game runs headview with the file's settings: the camera turns with the head",
         [](Facts* f) {
             Running(f);
             f->ini.written = 13400000000001;  // changed after the log's start, which the game has read
             f->log.startedAt = 13400000000000;
         },
         kOk, "show", 0, 0, "your head 30.0 degrees to the left, the camera 30.0 degrees to the left."},
        {"the game runs with a gain the file no longer has",
         [](Facts* f) {
             Running(f);
             Gain(f, "5A", 0x5A);
         },
         kFix, "show", 1, 1, "uses headviewing_multiplier=39 where headview.ini has 5A:"},
        {"the game reads the file on every frame: the next frame takes the gain",
         [](Facts* f) {
             Running(f);
             f->game.last.test = 1;
             Gain(f, "5A", 0x5A);
         },
         kOk, "show", 0, 0},
        {"the game runs with the character on foot",
         [](Facts* f) {
             Running(f);
             f->game.last.vehicle = 0;
         },
         kNote, "show", 0, 0},
        {"a paused game", [](Facts* f) { Running(f), f->game.last.frames = 100; }, kNote, "show", 0, 0},
        {"headview.ini a folder, the raw yaw at zero: judged as the zip's file, which follows the processed yaw",
         [](Facts* f) {
             f->ini = IniFacts{};
             f->ini.exists = f->ini.isFolder = true;
             f->ini.settings = Settings{1, 1, 0x23, 0.0f, 0, 0};
             f->tracker = Swept(0.0, false);
         },
         kFix, "show", 1, 1},
        {"the game runs here, its log deleted meanwhile: nothing left to wait for",
         [](Facts* f) {
             Running(f);
             f->log = LogFacts{kNoLog, 0, 0, 0, "", 0};
         },
         kNote, "show", 0, 0},
        {"the game's headview cannot open the tracker's data",
         [](Facts* f) {
             Running(f);
             f->game.last.link = kLinkCannotOpen;
             f->game.last.vehicle = -1;
         },
         kStop, "show", 1, 1},
        {"a game runs headview from another folder: nothing of it judged here",
         [](Facts* f) {
             Running(f);
             wcscpy(f->game.last.iniPath, L"D:\\Other\\headview.ini");
             Gain(f, "5A", 0x5A);
         },
         kNote, "show", 0, 0, "reads D:\\Other\\headview.ini, not this folder's"},
        {"the game stopped publishing: headviewing_status turned off while it reads the file every frame",
         [](Facts* f) {
             Running(f);
             f->game.first.test = f->game.last.test = 1;
             f->game.last.frames = 100;
             f->ini.settings.status = 0;
         },
         kNote, "show", 0, 0, "stopped publishing"},
        {"a running game beside a [stop]: no camera turn said",
         [](Facts* f) {
             f->tracker = Swept(0.0, false);
             f->ini.settings.source = 0;
             Running(f);
         },
         kStop, "set headviewing_source=1 headviewing_offset=0.0", 1, 1},
        {"headview.ini held by a program that lets none read it",
         [](Facts* f) {
             UnreadAll(f);
             f->ini.locked = true;
         },
         kFix, "show", 1, 1},
        {"no headview.ini, the copy the last change kept: the zip's file, the copy named",
         [](Facts* f) {
             f->ini = IniFacts{};
             f->ini.nearMissFile = "headview.ini.bak";
         },
         kStop, "shipped", 1, 1, "to have that back, rename it to headview.ini"},
        {"headviewing_test=yes: meant on", [](Facts* f) { f->ini.texts[kTestKey] = "yes"; }, kFix,
         "set headviewing_test=1", 1, 1},
        {"0,05 beside the processed yaw: near centre, the value kept",
         [](Facts* f) { f->ini.texts[kOffsetKey] = "0,05"; }, kFix, "set headviewing_offset=0.05", 1, 1},
        {"no game, headviewing_status off: a note whose line goes along with other changes",
         [](Facts* f) { f->ini.settings.status = 0; }, kNote, "set headviewing_status=1", 0, 0},
        {"the status name held by another program", [](Facts* f) { f->game.seen = kNotHeadviews; }, kNote, "show", 0,
         0},
        {"NaturalPoint's software, and no FreeTrack data: the bridge named, not the generic cure",
         [](Facts* f) {
             f->folder.trackIR = true;
             f->tracker = TrackerFacts{};
         },
         kStop, "show", 1, 1, "FreePIE with the script in README.txt"},
        {"NaturalPoint's software, and a region headview made, empty",
         [](Facts* f) {
             f->folder.trackIR = true;
             f->tracker = TrackerFacts{};
             f->tracker.region = kOpen;
             f->log.setup = kMadeByHeadview;
         },
         kStop, "show", 1, 1, "headview-probe --gain 45 matches"},
        {"NaturalPoint's software beside a bridge's data: nothing of it", [](Facts* f) { f->folder.trackIR = true; },
         kOk, "show", 0, 0},
        {"a key missing, and two [Settings] lines",
         [](Facts* f) {
             Unread(f, kEnabledKey);
             f->ini.sections = 2;
         },
         kFix, "set headviewing=1", 1, 1, "no headviewing under the first [Settings]"},
    };
    for (const auto& row : rows) {
        Facts facts = WellSetUp();
        row.change(&facts);
        const Findings found = JudgeAll(facts);
        const std::string report = FormatReport(found);
        EXPECT_EQ(Worst(found).mark, row.mark) << row.what << "\n" << report;
        EXPECT_EQ(Written(Worst(found).change), row.carries) << row.what << "\n" << report;
        EXPECT_EQ(ExitCodeOf(found), row.code) << row.what << "\n" << report;
        if (row.said[0] != '\0') {
            EXPECT_NE(Joined(report).find(row.said), std::string::npos) << row.what << "\n" << report;
        }
        int toFix = 0;
        for (const Finding& f : found) {
            toFix += f.mark == kStop || f.mark == kFix ? 1 : 0;
            EXPECT_TRUE(f.change.edit == Edit::kNone || f.mark <= kFix || f.alongside)
                << row.what << ": a note changes nothing, or only alongside others";
        }
        EXPECT_EQ(toFix, row.toFix) << row.what << "\n" << report;
        EXPECT_TRUE(!HasMark(found, kStop) || report.find("In the vehicle headview turns") == std::string::npos)
            << row.what << ": the running game's turn is [ok] only without a [stop]\n"
            << report;
        const bool heading = report.find("[ok]   A head turn of 45 degrees turns") != std::string::npos;
        EXPECT_EQ(heading, !HasMark(found, kStop) && facts.ini.exists && !facts.ini.tooLong && !facts.ini.isFolder &&
                               facts.ini.settings.enabled == 1)
            << row.what << ": the camera's turn is [ok] only without a [stop]\n"
            << report;
        EXPECT_EQ(report.find("e+"), std::string::npos) << row.what << ": plain numbers\n" << report;
        EXPECT_EQ(report.find("UTC"), std::string::npos) << row.what << ": the player's own clock\n" << report;
    }
}

namespace {

// Poses with these (processed, raw) yaws in radians, and a pitch.
TrackerFacts Poses(const std::vector<std::pair<double, double>>& yaws, float pitch = 0.0f)
{
    TrackerFacts f = {};
    f.region = kOpen;
    for (const auto& y : yaws) {
        FTPose pose = {};
        pose.yaw = static_cast<float>(y.first);
        pose.rawYaw = static_cast<float>(y.second);
        pose.pitch = pitch;
        pose.frameCounter = f.poses + 1;  // each pose the next
        AddPose(&f, pose);
    }
    return f;
}

// A sweep of `degrees` each way, the raw yaw shaking by +-`shake` degrees.
TrackerFacts Sweep(double degrees, double shake = 0.0)
{
    std::vector<std::pair<double, double>> yaws;
    for (int i = 0; i <= 100; ++i) {
        const double yaw = degrees * (i - 50) / 50.0;
        yaws.push_back({yaw / kDegreesPerRadian, (yaw + (i % 2 == 0 ? shake : -shake)) / kDegreesPerRadian});
    }
    return Poses(yaws);
}

}  // namespace

TEST(JudgeAll, TheCameraTurnSaidOnlyOnceHeadviewSentAHeading)
{
    Facts f = WellSetUp();
    Running(&f);
    const auto oks = [](const Findings& found) {
        return std::count_if(found.begin(), found.end(), [](const Finding& x) { return x.mark == kOk; });
    };
    const auto sent = oks(JudgeAll(f));
    f.game.last.headingFrame = 0;
    EXPECT_EQ(oks(JudgeAll(f)), sent - 1);
}

TEST(JudgeAll, AMissingTestKeyIsOneFindingNotTwo)
{
    Facts f = WellSetUp();
    Unread(&f, kTestKey);
    f.ini.settings.test = 1;
    int naming = 0;
    for (const Finding& found : JudgeAll(f)) {
        for (const KeyValue& set : found.change.sets) {
            naming += set.key == kTestKey ? 1 : 0;
        }
    }
    EXPECT_EQ(naming, 1) << "the line to add, and no note on reading every frame";
}

TEST(JudgeYaws, TheSituationAtEachBoundary)
{
    const Settings raw = {1, 0, 0x39, 0.0f, 0, 0}, processed = {1, 0, 0x39, 0.0f, 1, 0};
    TrackerFacts absent = {}, denied = {}, stalled = Sweep(20), brief = Sweep(20);
    denied.region = kDenied;
    TrackerFacts zerosStalled = Poses({{0, 0}, {0, 0}}), endedEmpty = Poses({});
    zerosStalled.longestStall = 1.5;
    endedEmpty.exited = true;
    stalled.longestStall = 1.0;
    brief.longestStall = 0.99;
    const struct {
        const char* what;
        TrackerFacts facts;
        Settings settings;
        Situation situation;
    } rows[] = {
        {"no region", absent, raw, kNoTracker},
        {"a region this process may not open", denied, raw, kNotAllowed},
        {"no pose", Poses({}), raw, kNoPoses},
        {"every axis zero", Poses({{0, 0}, {0, 0}}), raw, kOnlyZeros},
        {"both yaws zero, the pitch live", Poses({{0, 0}, {0, 0}}, 0.1f), raw, kHeldStill},
        {"no pose for 1.0 s", stalled, raw, kStalled},
        {"no pose for 0.99 s", brief, raw, kSameYaws},
        {"turned 0.49 degrees each way", Sweep(0.49), raw, kNotMoved},
        {"turned 0.51 degrees each way", Sweep(0.51), raw, kSameYaws},
        {"raw zero, processed held, following the raw yaw", Poses({{0.1, 0}, {0.1, 0}}), raw, kRawZero},
        {"raw zero, processed held, following it", Poses({{0.1, 0}, {0.1, 0}}), processed, kNotMoved},
        {"raw zero, the head turned, following the processed yaw", Poses({{-0.3, 0}, {0, 0}, {0.3, 0}}), processed,
         kRawZero},
        // Alternating +-s shakes by 4s from one pose to the next: past 0.1 degrees from s = 0.025.
        {"raw shaking by +-0.026 degrees", Sweep(20, 0.026), raw, kRawShaky},
        {"raw shaking by +-0.024 degrees", Sweep(20, 0.024), raw, kTracking},
        {"every axis zero, and a stall", zerosStalled, raw, kOnlyZeros},
        {"ended before any pose", endedEmpty, raw, kExited},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(JudgeYaws(row.facts, row.settings), row.situation) << row.what;
    }
    // A raw shake counts only past twice the processed one's; a raw axis alone is an axis.
    TrackerFacts both = Sweep(20, 0.06);
    both.processed.jitterSquares = both.raw.jitterSquares / 4.01;
    EXPECT_EQ(JudgeYaws(both, raw), kRawShaky);
    both.processed.jitterSquares = both.raw.jitterSquares / 3.99;
    EXPECT_EQ(JudgeYaws(both, raw), kTracking);
    TrackerFacts rawPitch = Poses({});
    FTPose pose = {};
    pose.rawPitch = 0.1f;
    AddPose(&rawPitch, pose);
    EXPECT_EQ(JudgeYaws(rawPitch, raw), kHeldStill);
    // One bend of 2x between three poses: a jitter of 2x, whatever the count.
    EXPECT_DOUBLE_EQ(Poses({{0, 0}, {0, 0.25}, {0, 0}}).raw.Jitter(), 0.5);
    // A watch that missed poses (the counter jumped) sees a smooth turn bend: that is no shake.
    TrackerFacts missed = {};
    const int counters[] = {1, 2, 3, 7, 8, 9, 10, 30};
    for (const int counter : counters) {
        FTPose turn = {};
        turn.yaw = turn.rawYaw = static_cast<float>(0.01 * counter);
        turn.frameCounter = counter;
        AddPose(&missed, turn);
    }
    EXPECT_NEAR(missed.raw.Jitter(), 0.0, 1e-6);
    EXPECT_EQ(missed.raw.jitterCount, 3) << "the bends of 1-2-3, 7-8-9 and 8-9-10 alone";
}

TEST(FormatReport, WorstFirstWrappedBetweenWordsTheLinesRightUnderTheirWords)
{
    const std::string word = "abcdefghi";  // seven fit after a mark: 7 + 7 * 10 - 1 = 76 columns
    std::string eight, nine;
    for (int i = 0; i < 8; ++i) {
        eight += (i > 0 ? " " : "") + word;
    }
    nine = eight + " " + word;
    const std::string full = eight.substr(0, 69) + " ab";  // 79 columns with the mark: one line
    EXPECT_EQ(FormatReport({{kOk, full}}), "[ok]   " + full + "\n\nAll is well.\n");
    EXPECT_EQ(FormatReport({{kOk, full + "c"}}), "[ok]   " + eight.substr(0, 69) + "\n       abc\n\nAll is well.\n")
        << "an 80th column would leave a blank line on an 80-column console";
    const std::string face = "\xF0\x9F\x98\x80";  // one column, two UTF-16 units
    EXPECT_EQ(FormatReport({{kOk, eight.substr(0, 69) + " ab" + face}}),
              "[ok]   " + eight.substr(0, 69) + "\n       ab" + face + "\n\nAll is well.\n");
    std::string han = "\xE6\xB8\xB8\xE6\x88\x8F\xE6\xB8\xB8\xE6\x88\x8F\xE6\xB8\xB8";  // ten columns, two apiece
    han += han;
    EXPECT_EQ(FormatReport({{kOk, han + " " + eight.substr(0, 59)}}),
              "[ok]   " + han + " " + eight.substr(0, 49) + "\n       " + word + "\n\nAll is well.\n");
    EXPECT_EQ(FormatReport({{kOk, "The game's folder: " + Path(L"C:\\Program Files (x86)\\Steam\\steamapps\\common\\"
                                                               L"Grand Theft Auto V\\")}}),
              "[ok]   The game's folder:\n       C:\\Program Files (x86)\\Steam\\steamapps\\common\\Grand Theft "
              "Auto V\\\n\nAll is well.\n");
    Finding fix = {kFix, nine + ". Write it as:"};
    fix.change = {Edit::kSetKeys, {{kEnabledKey, "1"}, {kTestKey, "0"}}};
    const Findings findings = {{kOk, "fine"}, {kNote, "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 " + eight}, fix};
    EXPECT_EQ(FormatReport(findings), "[fix]  " + eight.substr(0, 69) + "\n       " + word + " " + word +
                                          ". Write it as:\n"
                                          "         headviewing=1\n         headviewing_test=0\n"
                                          "[note] \xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 " +
                                          eight.substr(0, 59) + "\n       " + word + " " + word +
                                          "\n"
                                          "[ok]   fine\n\nFix what is marked [fix], then run headview-probe again.\n");
    EXPECT_EQ(Listed(nine), "  - " + eight.substr(0, 69) + "\n    " + word + " " + word + "\n")
        << "a step's lines under its words";
    EXPECT_EQ(FormatReport({{kOk, "first"}, {kOk, "second"}}), "[ok]   first\n[ok]   second\n\nAll is well.\n")
        << "of one mark, in the judges' order";
    Finding refused = {kFix, "b"}, away = {kStop, "not the game's folder"}, pending = {kNote, "not yet read"};
    refused.refused = away.away = pending.pending = true;
    const struct {
        Findings findings;
        const char* closing;
        int code;
    } rows[] = {
        {{{kOk, "a"}, {kNote, "b"}}, "\nAll is well.\n", 0},
        {{{kNote, "a"}, pending}, "start the game once, get into a vehicle, then run\nheadview-probe again.\n", 1},
        {{{kNote, "a"}, {kFix, "b"}, pending}, "\nFix what is marked [fix], then run headview-probe again.\n", 1},
        {{{kFix, "a"}, {kStop, "b"}}, "fix what is marked [stop], then run\nheadview-probe again.\n", 1},
        {{{kOk, "a"}, refused}, "", 2},
        {{{kStop, "no tracker"}, away},
         "\nRun headview-probe in the game's folder: only there can it tell what headview does.\n",
         1},
    };
    for (const auto& row : rows) {
        const std::string report = FormatReport(row.findings);
        EXPECT_EQ(report.substr(report.size() - strlen(row.closing)), row.closing) << report;
        EXPECT_EQ(ExitCodeOf(row.findings), row.code) << report;
    }
}

TEST(LocalTime, TheLogsUtcStampInThePlayersDayMonthAndYear)
{
    // 08.12.2026 12:00 UTC: the 8th in every time zone from UTC-12 to UTC+11, the 9th from UTC+12 on.
    const SYSTEMTIME noon = {2026, 12, 2, 8, 12, 0, 0, 0};
    FILETIME stamp = {};
    ASSERT_TRUE(SystemTimeToFileTime(&noon, &stamp));
    const int64_t milliseconds = (int64_t{stamp.dwHighDateTime} << 32 | stamp.dwLowDateTime) / 10000;
    const std::string day = LocalTime(milliseconds).substr(0, 14);
    EXPECT_TRUE(day == "08.12.2026 at " || day == "09.12.2026 at ") << LocalTime(milliseconds);
}

TEST(Plain, NumbersWithoutExponents)
{
    const struct {
        double value;
        int decimals;
        const char* text;
    } rows[] = {{1.69e9, 0, "no usable number of"},
                {-1.69e9, 0, "no usable number of"},
                {999999999.0, 0, "999999999"},
                {-0.04, 1, "-0.0"},
                {-6.94, 1, "-6.9"},
                {NAN, 1, "no usable number of"},
                {0.0, 2, "0.00"}};
    for (const auto& row : rows) {
        EXPECT_EQ(Plain(row.value, row.decimals), row.text) << row.value;
    }
}

TEST(JudgeAll, WhatOnlyWinePlayersNeedOnlyUnderWine)
{
    const struct {
        bool wine, logThere, trackerThere;
        bool launchOption, prefix;
    } rows[] = {
        {true, false, true, true, false},   {false, false, true, false, false}, {true, true, false, false, true},
        {false, true, false, false, false}, {true, true, true, false, false},
    };
    for (const auto& row : rows) {
        Facts facts = WellSetUp();
        facts.folder.wine = row.wine;
        facts.log.setup = row.logThere ? kTrackerFound : kNoLog;
        facts.tracker.region = row.trackerThere ? kOpen : kAbsent;
        const std::string report = FormatReport(JudgeAll(facts));
        EXPECT_EQ(report.find("WINEDLLOVERRIDES=\"dinput8=n,b\" %command%") != std::string::npos, row.launchOption)
            << report;
        EXPECT_EQ(
            report.find("protontricks-launch --appid <the game's app id> headview-probe.exe") != std::string::npos,
            row.prefix)
            << report;
    }
    Facts loaderMissing = WellSetUp();
    loaderMissing.folder.wine = true;
    loaderMissing.folder.asiLoader = false;
    loaderMissing.log.setup = kNoLog;
    EXPECT_EQ(FormatReport(JudgeAll(loaderMissing)).find("WINEDLLOVERRIDES"), std::string::npos)
        << "the loader is to be copied first";
}

TEST(JudgeAll, AChangeMadeAfterTheGameLastStartedIsLeftToDoNotAllWell)
{
    const int64_t start = 13400000000000;  // ms since 1601: late 2025
    const struct {
        const char* what;
        int64_t written, started;
        int32_t test;
        bool startAgain;
    } rows[] = {
        {"written a second after the start", start + 1000, start, 0, true},
        {"written a millisecond after the start", start + 1, start, 0, true},
        {"written at the start", start, start, 0, false},
        {"written before the start", start - 60000, start, 0, false},
        {"read on every frame", start + 1000, start, 1, false},
        {"a test flag of 2 reads once", start + 1000, start, 2, true},
        {"no start in the log", start + 1000, 0, 0, false},
    };
    for (const auto& row : rows) {
        Facts facts = WellSetUp();
        facts.ini.written = row.written;
        facts.log.startedAt = row.started;
        facts.ini.settings.test = row.test;
        const Findings found = JudgeAll(facts);
        const bool pending = std::any_of(found.begin(), found.end(), [](const Finding& f) { return f.pending; });
        EXPECT_EQ(pending, row.startAgain) << row.what << "\n" << FormatReport(found);
        EXPECT_EQ(ExitCodeOf(found), row.startAgain ? 1 : 0) << row.what;
        EXPECT_FALSE(HasMark(found, kFix)) << row.what << ": nothing in the file to fix";
    }
}
