// The probe's judgement, one row per player situation: facts in, the report
// out, its first (worst) line and how many lines are to fix written by hand.
#include "probe/report.h"

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
    f.log = LogFacts{kTrackerFound, 4000, 0, 0, "", "08.12.2026 20:15", 0};
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

}  // namespace

TEST(JudgeAll, TheWorstFindingComesFirstAndNothingContradictsIt)
{
    const struct {
        const char* what;
        std::function<void(Facts*)> change;
        Mark mark;                   // the worst finding's
        const char* first;           // the words it starts with
        Change carries;              // the change to headview.ini it carries
        int toFix;                   // findings marked [stop] or [fix]
        const char* also = "";       // words that stand in it too (its lines, or a paragraph joined again)
        const char* never = "\x01";  // words that must not
    } rows[] = {
        {"all well", [](Facts*) {}, kOk, "The game's folder: C:\\Games\\V\\", Change::kNone, 0},
        {"started elsewhere: its own folder checked",
         [](Facts* f) { f->folder.startedIn = L"C:\\Users\\me\\Downloads\\"; }, kNote,
         "headview-probe was started in C:\\Users\\me\\Downloads\\, which is no", Change::kNone, 0},
        {"started elsewhere, and not in the game folder itself",
         [](Facts* f) {
             f->folder.startedIn = L"C:\\Users\\me@home\\";
             f->folder.own = L"C:\\Users\\me\\Downloads\\";
             f->folder.judged.clear();
         },
         kStop, "Neither C:\\Users\\me@home\\ nor C:\\Users\\me\\Downloads\\ is the game's", Change::kNone, 1, "",
         "The game's folder"},
        {"no ASI loader", [](Facts* f) { f->folder.asiLoader = false; }, kStop, "dinput8.dll, ScriptHookV's ASI",
         Change::kNone, 1},
        {"an unpacked zip: no ScriptHookV.dll, no ASI loader",
         [](Facts* f) { f->folder.scriptHook = f->folder.asiLoader = false; }, kStop,
         "ScriptHookV.dll is not in C:\\Games\\V\\, so headview cannot run from there. If that", Change::kNone, 1, "",
         "The game's folder:"},
        {"--ini in a folder that is not the game's",
         [](Facts* f) {
             f->folder.fromIni = true;
             f->folder.judged.clear();
         },
         kStop, "C:\\Games\\V\\, the folder given with --ini, is not the game's folder (it", Change::kNone, 1, "",
         "The game's folder"},
        {"an empty file: one finding, every line",
         [](Facts* f) {
             for (int k = 0; k < kSettingKeyCount; ++k) {
                 Unread(f, k);
             }
             f->ini.noSection = true;
             f->ini.settings = Settings{1, 1, 35, 0.0f, 0, 0};
         },
         kFix, "headview.ini has no [Settings] line. So headview reads none of its keys", Change::kSetLines, 1},
        {"the offset under a second [Settings]",
         [](Facts* f) {
             Unread(f, kOffsetKey);
             f->ini.misplaced[kOffsetKey] = "headviewing_offset=0.1";
             f->ini.under[kOffsetKey] = "a second [Settings]";
         },
         kFix, "The line headviewing_offset=0.1 stands under a second [Settings], where", Change::kMoveLine, 1},
        {"the gain above every section",
         [](Facts* f) {
             Unread(f, kMultiplierKey);
             f->ini.misplaced[kMultiplierKey] = "headviewing_multiplier=39";
         },
         kFix, "The line headviewing_multiplier=39 stands above every section, where", Change::kMoveLine, 1},
        {"a misspelt key",
         [](Facts* f) {
             Unread(f, kTestKey);
             f->ini.nearMiss[kTestKey] = "headveiwing_test=0";
         },
         kFix, "The line headveiwing_test=0 looks like headviewing_test misspelt, so", Change::kMoveLine, 1},
        {"the gain misspelt: its fallback, which is no value written in base 16",
         [](Facts* f) {
             Unread(f, kMultiplierKey);
             f->ini.nearMiss[kMultiplierKey] = "headviewing_multiplyer=39";
             f->ini.settings.multiplier = 0x23;
         },
         kFix, "The line headviewing_multiplyer=39 looks like headviewing_multiplier", Change::kMoveLine, 1,
         "A head turn of 45 degrees turns the camera 27 degrees.", "base 16"},
        {"a UTF-8 mark before [Settings] that this reader reads past",
         [](Facts* f) { f->ini.markBeforeSection = true; }, kOk, "The game's folder", Change::kNone, 0},
        {"a UTF-8 mark before [Settings] that hides every key",
         [](Facts* f) {
             for (int k = 0; k < kSettingKeyCount; ++k) {
                 Unread(f, k);
             }
             f->ini.markBeforeSection = true;
         },
         kFix, "headview.ini starts with a UTF-8 mark right before [Settings], and", Change::kBreakMark, 1},
        {"a key read, and again under a second [Settings]",
         [](Facts* f) {
             f->ini.misplaced[kMultiplierKey] = "headviewing_multiplier=72";
             f->ini.under[kMultiplierKey] = "a second [Settings]";
         },
         kFix,
         "The line headviewing_multiplier=72 (under a second [Settings]) is not read: headview takes "
         "headviewing_multiplier=39 from [Settings]. To keep headviewing_multiplier=39, delete "
         "headviewing_multiplier=72. To use headviewing_multiplier=72, change headviewing_multiplier=39 to "
         "headviewing_multiplier=72 and delete headviewing_multiplier=72.",
         Change::kNone, 1},
        {"the camera meant to be off", [](Facts* f) { f->ini.texts[kEnabledKey] = "off"; }, kFix,
         "headview cannot read headviewing=off, so headview uses 1 and logs an", Change::kSetLines, 1,
         "\n         headviewing=0\n"},
        {"a gain written in decimal",
         [](Facts* f) {
             f->ini.settings.multiplier = 0x57;
             f->ini.texts[kMultiplierKey] = "57";
         },
         kFix, "headviewing_multiplier=57 is read in base 16, as 87, not as 57.", Change::kSetLines, 1,
         "\n         headviewing_multiplier=39\n"},
        {"a gain of 0",
         [](Facts* f) {
             f->ini.settings.multiplier = 0;
             f->ini.texts[kMultiplierKey] = "0";
         },
         kStop, "A gain of 0 holds the camera straight ahead, wherever you look. Under", Change::kSetLines, 1,
         "\n         headviewing_multiplier=39\n"},
        {"an offset of 10 radians",
         [](Facts* f) {
             f->ini.settings.offset = 10.0f;
             f->ini.texts[kOffsetKey] = "10";
         },
         kStop, "headviewing_offset=10 turns the camera 570 degrees while you look", Change::kSetLines, 1},
        {"a decimal comma, following the processed yaw: no offset", [](Facts* f) { f->ini.texts[kOffsetKey] = "0,5"; },
         kFix, "headview cannot read headviewing_offset=0,5, so headview uses 0.0 and", Change::kSetLines, 1,
         "\n         headviewing_offset=0.0\n"},
        {"a decimal comma, following the raw yaw",
         [](Facts* f) {
             f->ini.texts[kOffsetKey] = "0,5";
             f->ini.settings.source = 0;
         },
         kFix, "headview cannot read headviewing_offset=0,5, so headview uses 0.0 and", Change::kSetLines, 1,
         "\n         headviewing_offset=0.5\n"},
        {"the path past 259 characters", [](Facts* f) { f->ini.tooLong = true; }, kStop,
         "C:\\Games\\V\\headview.ini is 23 characters long: headview finds its file", Change::kNone, 1},
        {"raw 6.9 degrees off, the offset centring it, steering by the processed yaw",
         [](Facts* f) {
             f->tracker = Swept(6.9, true);
             f->ini.settings.offset = static_cast<float>(-6.9 / kDegreesPerRadian);
             f->ini.texts[kOffsetKey] = "-0.12";
         },
         kFix, "headviewing_offset=-0.12 turns the view 6.9 degrees to the right of centre,", Change::kSetLines, 1,
         "The raw yaw sits 6.9 degrees off the processed yaw: looking straight ahead, the camera turns 6.9 degrees "
         "to the right following the processed yaw and 0.0 degrees following the raw yaw"},
        {"raw 6.9 degrees off, steering by the raw yaw",
         [](Facts* f) {
             f->tracker = Swept(6.9, true);
             f->ini.settings.source = 0;
         },
         kFix, "The raw yaw sits 6.9 degrees off the processed yaw: looking straight", Change::kNone, 1,
         "the camera turns 0.0 degrees following the processed yaw and 6.9 degrees to the left following the raw yaw"},
        {"an offset beside the processed yaw",
         [](Facts* f) {
             f->ini.settings.offset = 0.2f;
             f->ini.texts[kOffsetKey] = "0.2";
         },
         kFix, "headviewing_offset=0.2 turns the view 11.4 degrees to the left of centre,", Change::kSetLines, 1,
         "A head turn of 45 degrees turns the camera 45 degrees"},
        {"an offset exactly 2 degrees off centre beside the processed yaw",
         [](Facts* f) {
             f->ini.settings.offset = 0.0625f;
             f->ini.settings.multiplier = 0x20;
             f->ini.texts[kOffsetKey] = "0.0625";
             f->ini.texts[kMultiplierKey] = "20";
         },
         kOk, "The game's folder", Change::kNone, 0, "", "off centre"},
        {"raw 1.9 degrees off", [](Facts* f) { f->tracker = Swept(1.9, true); }, kOk, "The game's folder",
         Change::kNone, 0},
        {"the raw yaw never filled, steering by it",
         [](Facts* f) {
             f->tracker = Swept(0.0, false);
             f->ini.settings.source = 0;
         },
         kStop, "Your tracker leaves the raw yaw at zero, and headview follows the raw", Change::kSetLines, 1},
        {"a log of repeated looks, the tracker fine now",
         [](Facts* f) {
             f->log = LogFacts{kCannotOpen, 12 * 1048576, 0, 0, "FTCreateMapping request.", "08.12.2026 20:15", 0};
         },
         kFix, "headview.log: when headview last started (08.12.2026 at 20:15 UTC), it could not open", Change::kNone,
         1},
        {"a log whose last start lies before the end read", [](Facts* f) { f->log.setup = kFarBack; }, kOk,
         "The game's folder", Change::kNone, 0, "", "[ok]   \n"},
        {"a log of 10 MB", [](Facts* f) { f->log.bytes = 10 * 1048576; }, kOk, "The game's folder", Change::kNone, 0},
        {"a log of 10 MB and a byte", [](Facts* f) { f->log.bytes = 10 * 1048576 + 1; }, kNote,
         "headview.log is 10.0 MB, most of it the line \"\"", Change::kNone, 0},
        {"the source above every section: no error line for it",
         [](Facts* f) {
             Unread(f, kSourceKey);
             f->ini.misplaced[kSourceKey] = "headviewing_source=1";
         },
         kFix,
         "The line headviewing_source=1 stands above every section, where headview does not read it, so headview "
         "uses 0. Move it",
         Change::kMoveLine, 1, "", "logs an error"},
        {"an offset 5.0 degrees off centre beside the processed yaw: a note",
         [](Facts* f) {
             f->ini.settings.offset = 0.15625f;
             f->ini.settings.multiplier = 0x20;
             f->ini.texts[kOffsetKey] = "0.15625";
             f->ini.texts[kMultiplierKey] = "20";
         },
         kNote, "headviewing_offset=0.15625 turns the view 5.0 degrees to the left of centre", Change::kNone, 0},
        {"an offset 5.7 degrees off centre beside the processed yaw: a fix",
         [](Facts* f) {
             f->ini.settings.offset = 0.1f;
             f->ini.texts[kOffsetKey] = "0.1";
         },
         kFix, "headviewing_offset=0.1 turns the view 5.7 degrees to the left of centre", Change::kSetLines, 1},
        {"a gain written 50, meant in decimal",
         [](Facts* f) {
             f->ini.settings.multiplier = 0x50;
             f->ini.texts[kMultiplierKey] = "50";
         },
         kFix, "headviewing_multiplier=50 is read in base 16, as 80, not as 50.", Change::kSetLines, 1,
         "\n         headviewing_multiplier=32\n"},
        {"a gain written 49: base 16 taken as meant",
         [](Facts* f) {
             f->ini.settings.multiplier = 0x49;
             f->ini.texts[kMultiplierKey] = "49";
         },
         kOk, "The game's folder", Change::kNone, 0, "", "base 16"},
        {"a gain written -57, meant in decimal",
         [](Facts* f) {
             f->ini.settings.multiplier = -0x57;
             f->ini.texts[kMultiplierKey] = "-57";
         },
         kFix, "headviewing_multiplier=-57 is read in base 16, as -87", Change::kSetLines, 1,
         "\n         headviewing_multiplier=-39\n"},
        {"the camera off and a gain of 0: one [stop], the camera's",
         [](Facts* f) {
             f->ini.settings.enabled = f->ini.settings.multiplier = 0;
             f->ini.texts[kEnabledKey] = f->ini.texts[kMultiplierKey] = "0";
         },
         kStop, "headview.ini turns the camera off (headviewing=0).", Change::kSetLines, 1},
        {"one reading error in the last run: no count of them", [](Facts* f) { f->log.badKeys = 1; }, kNote,
         "headview.log: when the game last ran, headview could not read a key of headview.ini. It reads well now",
         Change::kNone, 0, "", "times"},
        {"reading errors, and a key still missing",
         [](Facts* f) {
             f->log.badKeys = 2;
             Unread(f, kTestKey);
             f->ini.settings.test = 1;
         },
         kFix, "headview.ini has no headviewing_test", Change::kSetLines, 1,
         "wrote \"headview: (Error) reading "
         "settings from ini file!\" 2 times",
         "It reads well"},
        {"source 0 and an offset of -1.0: the camera turns the head's way",
         [](Facts* f) {
             f->ini.settings.source = 0;
             f->ini.settings.offset = -1.0f;
             f->ini.texts[kOffsetKey] = "-1.0";
         },
         kOk, "The game's folder", Change::kNone, 0, "turns the camera 45 degrees.", "the other way"},
        {"the camera meant off, in capitals", [](Facts* f) { f->ini.texts[kEnabledKey] = "Off"; }, kFix,
         "headview cannot read headviewing=Off", Change::kSetLines, 1, "\n         headviewing=0\n"},
        {"a comment after the gain", [](Facts* f) { f->ini.texts[kMultiplierKey] = "2D#mine"; }, kFix,
         "headview cannot read headviewing_multiplier=2D#mine", Change::kSetLines, 1,
         "\n         headviewing_multiplier=2D\n"},
        {"a misspelt gain, a tab before its value",
         [](Facts* f) {
             Unread(f, kMultiplierKey);
             f->ini.nearMiss[kMultiplierKey] = "headviewing_multiplyer=\t2D";
             f->ini.settings.multiplier = 0x23;
         },
         kFix, "The line headviewing_multiplyer=\t2D looks like", Change::kMoveLine, 1,
         "\n         headviewing_multiplier=2D\n"},
        {"no [Settings] line, the keys under another section: every line given",
         [](Facts* f) {
             for (int k = 0; k < kSettingKeyCount; ++k) {
                 Unread(f, k);
                 f->ini.misplaced[k] = "x";
                 f->ini.under[k] = "[Other]";
             }
             f->ini.noSection = true;
         },
         kFix, "headview.ini has no [Settings] line.", Change::kSetLines, 1, "or put these lines in it"},
        {"a section line the two readers read otherwise",
         [](Facts* f) {
             for (int k = 0; k < kSettingKeyCount; ++k) {
                 Unread(f, k);
             }
             f->ini.oddHeader = "[Settings] ; v2]";
         },
         kFix, "The reader here takes [Settings] ; v2] for another section", Change::kNone, 1,
         "leaves such a file to you"},
        {"a log of 5 TB: written in plain digits, where printf's %g would write 4.76837e+06",
         [](Facts* f) { f->log.bytes = 5000000000000; }, kNote, "headview.log is 4768371.6 MB, most of it",
         Change::kNone, 0},
        {"a stall", [](Facts* f) { f->tracker.longestStall = 1.5; }, kFix,
         "Your tracker sends 244 head positions a second, but sent none for 1.5", Change::kNone, 1},
        {"the tracker ended", [](Facts* f) { f->tracker.exited = true; }, kStop,
         "Your tracker ended while the probe watched: its FreeTrack data is gone.", Change::kNone, 1},
        {"a gain past 180 degrees",
         [](Facts* f) {
             f->ini.settings.multiplier = 0x7FFFFFFF;
             f->ini.texts[kMultiplierKey] = "7FFFFFFF";
         },
         kStop, "With headviewing_multiplier=7FFFFFFF a head turn of 45 degrees would", Change::kSetLines, 1,
         "\n         headviewing_multiplier=39\n"},
        {"a leftover from a stopped probe", [](Facts* f) { f->folder.leftover = true; }, kNote,
         "headview.ini.probe-new was left by a headview-probe that was stopped:", Change::kNone, 0},
        {"no headview.ini, a tracker without the raw yaw: judged as the shipped file would follow it",
         [](Facts* f) {
             f->ini = IniFacts{};
             f->ini.path = L"C:\\Games\\V\\headview.ini";
             f->tracker = Swept(0.0, false);
         },
         kStop, "There is no C:\\Games\\V\\headview.ini, so headview keeps the camera off.", Change::kShippedFile, 1},
        {"no headviewing_source: read as files always were", [](Facts* f) { Unread(f, kSourceKey); }, kOk,
         "The game's folder", Change::kNone, 0},
        {"a folder named headview.ini",
         [](Facts* f) {
             f->ini.isFolder = true;
             f->ini.settings = Settings{1, 1, 35, 0.0f, 0, 0};
         },
         kFix, "C:\\Games\\V\\headview.ini is a folder: headview reads it as a file without", Change::kNone, 1},
        {"UTF-16 big-endian that this reader does not read",
         [](Facts* f) {
             for (int k = 0; k < kSettingKeyCount; ++k) {
                 Unread(f, k);
             }
             f->ini.encoding = kUtf16Be;
         },
         kFix, "headview.ini is saved as UTF-16 big-endian, which Windows' reader does", Change::kNone, 1,
         "In Notepad: File, Save as, Encoding \"ANSI\""},
        {"a gain past 180 degrees turning the other way",
         [](Facts* f) {
             f->ini.settings.multiplier = -0xE6;
             f->ini.texts[kMultiplierKey] = "-E6";
         },
         kStop, "With headviewing_multiplier=-E6 a head turn of 45 degrees would turn the", Change::kSetLines, 1,
         "\n         headviewing_multiplier=-39\n"},
        {"an offset of 3 radians and the gain 39",
         [](Facts* f) {
             f->ini.settings.offset = 3.0f;
             f->ini.texts[kOffsetKey] = "3";
         },
         kStop, "headviewing_offset=3 turns the camera 171 degrees while you look", Change::kSetLines, 1,
         "\n         headviewing_offset=0.0\n"},
        {"raw 2.5 degrees off, steering by the raw yaw",
         [](Facts* f) {
             f->tracker = Swept(2.5, true);
             f->ini.settings.source = 0;
         },
         kFix, "The raw yaw sits 2.5 degrees off the processed yaw: looking straight", Change::kNone, 1},
        {"a comment after the value", [](Facts* f) { f->ini.texts[kOffsetKey] = "0.5;mine"; }, kFix,
         "headview cannot read headviewing_offset=0.5;mine, so headview uses 0.0", Change::kSetLines, 1,
         "\n         headviewing_offset=0.0\n"},
        {"no new pose",
         [](Facts* f) {
             f->tracker = TrackerFacts{};
             f->tracker.region = kOpen;
         },
         kStop, "The tracker's data is there, but no new head positions arrived: the", Change::kNone, 1, "",
         "Your tracker sends"},
        {"headview.ini missing when the game ran, and still",
         [](Facts* f) {
             f->ini = IniFacts{};
             f->ini.path = L"C:\\Games\\V\\headview.ini";
             f->log.missingIni = 1;
         },
         kStop, "There is no C:\\Games\\V\\headview.ini, so headview keeps the camera off.", Change::kShippedFile, 1,
         "", "It is there now"},
        {"no headviewing_test",
         [](Facts* f) {
             Unread(f, kTestKey);
             f->ini.settings.test = 1;
         },
         kFix, "headview.ini has no headviewing_test under [Settings], so headview uses", Change::kSetLines, 1, "",
         "reads headview.ini again"},
    };
    for (const auto& row : rows) {
        Facts facts = WellSetUp();
        row.change(&facts);
        const Findings found = JudgeAll(facts);
        const std::string report = FormatReport(found);
        const Finding& worst = Worst(found);
        EXPECT_EQ(worst.mark, row.mark) << row.what << "\n" << report;
        EXPECT_EQ(worst.says.rfind(row.first, 0), 0u) << row.what << "\n" << report;
        EXPECT_EQ(worst.change, row.carries) << row.what << "\n" << report;
        std::string joined = report;  // the paragraphs' lines joined again
        for (size_t at = 0; (at = joined.find("\n       ", at)) != std::string::npos;) {
            joined.replace(at, 8, joined.compare(at + 8, 2, "  ") == 0 ? "\n" : " ");
        }
        EXPECT_TRUE(joined.find(row.also) != std::string::npos || report.find(row.also) != std::string::npos)
            << row.what << "\n"
            << report;
        EXPECT_EQ(joined.find(row.never), std::string::npos) << row.what << "\n" << report;
        int toFix = 0;
        for (const Finding& f : found) {
            toFix += f.mark == kStop || f.mark == kFix ? 1 : 0;
        }
        EXPECT_EQ(toFix, row.toFix) << row.what << "\n" << report;
        const bool stop = report.find("[stop]") != std::string::npos;
        EXPECT_TRUE(stop ? report.find("[ok]   A head turn") == std::string::npos
                         : row.toFix > 0 || report.find("[ok]   A head turn of 45 degrees turns") != std::string::npos)
            << row.what << ": the camera's turn is [ok] only without a [stop]\n"
            << report;
        EXPECT_EQ(report.find("e+"), std::string::npos) << row.what << ": plain numbers\n" << report;
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
    std::string han = "\xE6\xB8\xB8\xE6\x88\x8F\xE6\xB8\xB8\xE6\x88\x8F\xE6\xB8\xB8";  // ten columns, two apiece
    han += han;
    EXPECT_EQ(FormatReport({{kOk, han + " " + eight.substr(0, 59)}}),
              "[ok]   " + han + " " + eight.substr(0, 49) + "\n       " + word + "\n\nAll is well.\n");
    EXPECT_EQ(FormatReport({{kOk, "The game's folder: " + Path(L"C:\\Program Files (x86)\\Steam\\steamapps\\common\\"
                                                               L"Grand Theft Auto V\\")}}),
              "[ok]   The game's folder:\n       C:\\Program Files (x86)\\Steam\\steamapps\\common\\Grand Theft "
              "Auto V\\\n\nAll is well.\n");
    const Findings findings = {{kOk, "fine"},
                               {kNote, "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 " + eight},
                               {kFix, nine + ". Write it as:", "headviewing=1\nheadviewing_test=0"}};
    EXPECT_EQ(FormatReport(findings), "[fix]  " + eight.substr(0, 69) + "\n       " + word + " " + word +
                                          ". Write it as:\n"
                                          "         headviewing=1\n         headviewing_test=0\n"
                                          "[note] \xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 " +
                                          eight.substr(0, 59) + "\n       " + word + " " + word +
                                          "\n"
                                          "[ok]   fine\n\nFix what is marked [fix], then run headview-probe again.\n");
    const struct {
        Findings findings;
        const char* closing;
        int code;
    } rows[] = {
        {{{kOk, "a"}, {kNote, "b"}}, "\nAll is well.\n", 0},
        {{{kNote, "a"}, {kFix, "b"}}, "\nFix what is marked [fix], then run headview-probe again.\n", 1},
        {{{kFix, "a"}, {kStop, "b"}}, "fix what is marked [stop], then run\nheadview-probe again.\n", 1},
        {{{kOk, "a"}, {kFix, "b", "", true}}, "", 2},
        {{{kStop, "no tracker"}, {kStop, "not the game's folder", "", false, Change::kNone, -1, true}},
         "\nRun headview-probe in the game's folder: only there can it tell what headview does.\n",
         1},
    };
    for (const auto& row : rows) {
        const std::string report = FormatReport(row.findings);
        EXPECT_EQ(report.substr(report.size() - strlen(row.closing)), row.closing) << report;
        EXPECT_EQ(ExitCodeOf(row.findings), row.code) << report;
    }
}

TEST(Plain, NumbersWithoutExponents)
{
    const struct {
        double value;
        int decimals;
        const char* text;
    } rows[] = {{1.69e9, 0, "no usable number of"},
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
        const std::string what = std::string(row.wine ? "Wine" : "Windows") + (row.logThere ? "" : ", no log") +
                                 (row.trackerThere ? "" : ", no tracker");
        EXPECT_EQ(report.find("WINEDLLOVERRIDES=\"dinput8=n,b\" %command%") != std::string::npos, row.launchOption)
            << what << "\n"
            << report;
        EXPECT_EQ(
            report.find("protontricks-launch --appid <the game's app id> headview-probe.exe") != std::string::npos,
            row.prefix)
            << what << "\n"
            << report;
    }
    Facts loaderMissing = WellSetUp();
    loaderMissing.folder.wine = true;
    loaderMissing.folder.asiLoader = false;
    loaderMissing.log.setup = kNoLog;
    EXPECT_EQ(FormatReport(JudgeAll(loaderMissing)).find("WINEDLLOVERRIDES"), std::string::npos)
        << "the loader is to be copied first";
}

TEST(JudgeAll, AChangeMadeAfterTheGameLastStartedCountsWhenItStartsAgain)
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
        const bool startAgain = std::any_of(found.begin(), found.end(), [](const Finding& f) {
            return f.mark == kFix && f.says.find("start the game again for the change to count") != std::string::npos;
        });
        EXPECT_EQ(startAgain, row.startAgain) << row.what << "\n" << FormatReport(found);
        EXPECT_EQ(FormatReport(found).find("All is well.") != std::string::npos, !row.startAgain) << row.what;
    }
}

TEST(JudgeAll, WordsThatSayWhichWayAndWhatToDo)
{
    const struct {
        const char* what;
        std::function<void(Facts*)> change;
        Mark mark;
        const char* says;
    } rows[] = {
        {"a gain of -39",
         [](Facts* f) {
             f->ini.settings.multiplier = -0x39;
             f->ini.texts[kMultiplierKey] = "-39";
         },
         kOk, "A head turn of 45 degrees turns the camera 45 degrees, the other way."},
        {"a gain of -57, meant in decimal",
         [](Facts* f) {
             f->ini.settings.multiplier = -0x57;
             f->ini.texts[kMultiplierKey] = "-57";
         },
         kFix, "headviewing_multiplier=-57 is read in base 16, as -87, not as -57."},
        {"a gain of 64, which may be meant in decimal",
         [](Facts* f) {
             f->ini.settings.multiplier = 0x64;
             f->ini.texts[kMultiplierKey] = "64";
         },
         kFix, "headviewing_multiplier=64 is read in base 16, as 100, not as 64."},
        {"no log yet: the game never ran here", [](Facts* f) { f->log = LogFacts{}; }, kNote,
         "There is no headview.log: headview has not run in this folder yet"},
        {"the files put in the game's scripts folder",
         [](Facts* f) {
             f->folder.judged = f->folder.startedIn = f->folder.own = L"C:\\Games\\V\\scripts\\";
             f->folder.scriptHook = f->folder.asiLoader = false;
             f->folder.gameAbove = L"C:\\Games\\V\\";
         },
         kStop,
         "ScriptHookV.dll is not in C:\\Games\\V\\scripts\\, so headview cannot run from there. ScriptHookV.dll is "
         "in C:\\Games\\V\\: move headview.asi, headview.ini and headview-probe.exe there"},
        {"a key missing from the one [Settings]",
         [](Facts* f) {
             Unread(f, kEnabledKey);
             f->ini.sections = 1;
         },
         kFix, "headview.ini has no headviewing under [Settings], so headview uses 1"},
        {"a key missing, and two [Settings] lines",
         [](Facts* f) {
             Unread(f, kEnabledKey);
             f->ini.sections = 2;
         },
         kFix, "headview.ini has no headviewing under the first [Settings], so"},
    };
    for (const auto& row : rows) {
        Facts facts = WellSetUp();
        row.change(&facts);
        const Findings found = JudgeAll(facts);
        const bool said = std::any_of(found.begin(), found.end(), [&](const Finding& f) {
            return f.mark == row.mark && f.says.rfind(row.says, 0) == 0;
        });
        EXPECT_TRUE(said) << row.what << "\n" << FormatReport(found);
    }
    Facts notGame = WellSetUp();
    notGame.folder.fromIni = true;
    notGame.folder.judged.clear();
    EXPECT_EQ(ExitCodeOf(JudgeAll(notGame)), 2) << "--ini naming another folder is a usage error";
    Facts scripts = WellSetUp();
    scripts.folder.scriptHook = scripts.folder.asiLoader = false;
    scripts.ini = IniFacts{};  // no headview.ini there either
    scripts.log = LogFacts{};
    int stops = 0;
    for (const Finding& f : JudgeAll(scripts)) {
        stops += f.mark == kStop ? 1 : 0;
    }
    EXPECT_EQ(stops, 1) << "nothing missed in a folder that is not the game's but ScriptHookV.dll";
}
