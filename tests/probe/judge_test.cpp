// The probe's judgement, one row per player situation: facts in, findings
// out, and the report's closing line and exit code derived from them.
#include "probe/judge.h"
#include "probe/report.h"
#include "probe/tracker_watch.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <functional>
#include <vector>

namespace {

// A set-up where all is well: the shipped file, a full game folder, a log
// whose last start found the tracker.
SetUpFacts WellSetUp()
{
    SetUpFacts f = {};
    f.ini.path = "C:\\Games\\V\\headview.ini";
    f.ini.exists = true;
    const char* const texts[kSettingKeyCount] = {"1", "0", "39", "0.0", "1"};
    for (int k = 0; k < kSettingKeyCount; ++k) {
        f.ini.present[k] = true;
        f.ini.texts[k] = texts[k];
    }
    f.ini.settings = Settings{1, 0, 0x39, 0.0f, 1};
    f.folder = FolderFacts{true, true, true};
    f.log = LogFacts{LogSetup::kTrackerFound, 4000, 0, 0, 0, 0};
    return f;
}

const Finding* Find(const Findings& findings, Check check, Mark mark)
{
    for (const Finding& f : findings) {
        if (f.check == check && f.mark == mark) {
            return &f;
        }
    }
    return nullptr;
}

bool Has(const Findings& findings, Check check)
{
    for (const Finding& f : findings) {
        if (f.check == check && f.mark != Mark::kOk) {
            return true;
        }
    }
    return false;
}

// Poses with these (processed, raw) yaws, in radians, and a pitch.
TrackerFacts Poses(const std::vector<std::pair<double, double>>& yaws, float pitch = 0.0f)
{
    TrackerFacts f = {};
    f.region = Region::kOpen;
    for (const auto& y : yaws) {
        FTPose pose = {};
        pose.yaw = static_cast<float>(y.first);
        pose.rawYaw = static_cast<float>(y.second);
        pose.pitch = pitch;
        AddPose(&f, pose);
    }
    f.published = f.poses;
    f.watchedSeconds = 1.0;
    return f;
}

// A smooth sweep of `degrees` each way; the raw yaw `bias` degrees off and
// shaking by +-`shake` degrees.
TrackerFacts Sweep(double degrees, double bias = 0.0, double shake = 0.0)
{
    std::vector<std::pair<double, double>> yaws;
    for (int i = 0; i <= 100; ++i) {
        const double yaw = (degrees * (i - 50) / 50.0) / kDegreesPerRadian;
        yaws.push_back({yaw, yaw + (bias + (i % 2 == 0 ? shake : -shake)) / kDegreesPerRadian});
    }
    return Poses(yaws);
}

}  // namespace

TEST(JudgeSetUp, NamesWhatStopsOrNeedsFixingAndNothingElse)
{
    const struct {
        const char* what;
        std::function<void(SetUpFacts*)> change;
        Check check;
        Mark mark;          // kOk: nothing is to fix
        const char* words;  // in what it says, or its lines
    } rows[] = {
        {"all well", [](SetUpFacts*) {}, Check::kIniFile, Mark::kOk, "follows the processed yaw"},
        {"no file", [](SetUpFacts* f) { f->ini.exists = false; }, Check::kIniFile, Mark::kStop,
         "from the headview zip"},
        {"a near miss beside it",
         [](SetUpFacts* f) {
             f->ini.exists = false;
             f->ini.nearMiss = "headview.ini.txt";
         },
         Check::kIniFile, Mark::kStop, "named headview.ini.txt"},
        {"a folder named headview.ini",
         [](SetUpFacts* f) {
             f->ini.isFolder = true;
             f->ini.present[kTestKey] = false;
         },
         Check::kIniFile, Mark::kFix, "is a folder"},
        {"a UTF-8 mark before [Settings]",
         [](SetUpFacts* f) {
             f->ini.windows = WindowsReading::kMarkBeforeSection;
             f->ini.present[kTestKey] = false;
         },
         Check::kIniWindows, Mark::kFix, "Encoding \"ANSI\""},
        {"UTF-16 big-endian", [](SetUpFacts* f) { f->ini.windows = WindowsReading::kBigEndian; }, Check::kIniWindows,
         Mark::kFix, "big-endian"},
        {"a ] in the header's comment",
         [](SetUpFacts* f) {
             f->ini.windows = WindowsReading::kBracketInHeader;
             f->ini.header = "[Settings] ; [v2]";
         },
         Check::kIniWindows, Mark::kNote, "[Settings] ; [v2]"},
        {"a decimal comma", [](SetUpFacts* f) { f->ini.texts[kOffsetKey] = "0,5"; }, Check::kIniKey, Mark::kFix,
         "headviewing_offset=0.5"},
        {"a comment after the value", [](SetUpFacts* f) { f->ini.texts[kEnabledKey] = "1 ; on"; }, Check::kIniKey,
         Mark::kFix, "headviewing=1"},
        {"beyond 32 bits", [](SetUpFacts* f) { f->ini.texts[kMultiplierKey] = "FFFFFFFF"; }, Check::kIniKey, Mark::kFix,
         "headviewing_multiplier=39"},
        {"no headviewing_test",
         [](SetUpFacts* f) {
             f->ini.present[kTestKey] = false;
             f->ini.settings.test = 1;
         },
         Check::kIniKey, Mark::kFix, "headviewing_test=0"},
        {"an unreadable source", [](SetUpFacts* f) { f->ini.texts[kSourceKey] = "processed"; }, Check::kIniKey,
         Mark::kFix, "uses 0 instead, and logs an error line at each reading. Write it as:headviewing_source=1"},
        {"no source is fine",
         [](SetUpFacts* f) {
             f->ini.present[kSourceKey] = false;
             f->ini.settings.source = 0;
         },
         Check::kIniFile, Mark::kOk, "raw yaw"},
        {"the camera off", [](SetUpFacts* f) { f->ini.settings.enabled = 2; }, Check::kCameraOn, Mark::kStop,
         "headviewing=1"},
        {"offset 1e20: frozen", [](SetUpFacts* f) { f->ini.settings.offset = 1e20f; }, Check::kHeading, Mark::kStop,
         "headviewing_offset=0.0"},
        {"gain 0: frozen", [](SetUpFacts* f) { f->ini.settings.multiplier = 0; }, Check::kHeading, Mark::kStop,
         "headviewing_multiplier=39"},
        {"offset inf: never finite", [](SetUpFacts* f) { f->ini.settings.offset = INFINITY; }, Check::kHeading,
         Mark::kStop, "not a finite number"},
        {"gain 7FFFFFFF: spinning", [](SetUpFacts* f) { f->ini.settings.multiplier = 0x7FFFFFFF; }, Check::kHeading,
         Mark::kStop, "headviewing_multiplier=39"},
        {"gain -E6: 45 degrees turn it 180.6", [](SetUpFacts* f) { f->ini.settings.multiplier = -0xE6; },
         Check::kHeading, Mark::kStop, "headviewing_multiplier=-39"},
        {"gain E5: 45 degrees turn it 179.9", [](SetUpFacts* f) { f->ini.settings.multiplier = 0xE5; }, Check::kHeading,
         Mark::kOk, "turns the camera 180 degrees"},
        {"offset 4 with source 0: spinning",
         [](SetUpFacts* f) {
             f->ini.settings.offset = 4.0f;
             f->ini.settings.source = 0;
         },
         Check::kHeading, Mark::kStop, "headviewing_offset=0.0"},
        {"reloading every frame", [](SetUpFacts* f) { f->ini.settings.test = 1; }, Check::kReload, Mark::kNote,
         "headviewing_test=0"},
        {"an offset beside the processed yaw", [](SetUpFacts* f) { f->ini.settings.offset = 0.1f; }, Check::kOffset,
         Mark::kNote, "headviewing_offset=0.0"},
        {"no headview.asi", [](SetUpFacts* f) { f->folder.plugin = false; }, Check::kPlugin, Mark::kStop,
         "headview.asi is not in C:\\Games\\V\\"},
        {"no ScriptHookV.dll", [](SetUpFacts* f) { f->folder.scriptHook = false; }, Check::kScriptHook, Mark::kStop,
         "install ScriptHookV"},
        {"no ASI loader", [](SetUpFacts* f) { f->folder.asiLoader = false; }, Check::kAsiLoader, Mark::kStop,
         "dinput8.dll"},
        {"no headview.log", [](SetUpFacts* f) { f->log = LogFacts{}; }, Check::kLog, Mark::kFix,
         "has not loaded headview.asi"},
        {"an empty headview.log", [](SetUpFacts* f) { f->log.setup = LogSetup::kEmpty; }, Check::kLog, Mark::kFix,
         "never started its script"},
        {"a log without a set-up", [](SetUpFacts* f) { f->log.setup = LogSetup::kNoSetup; }, Check::kLog, Mark::kFix,
         "has not run"},
        {"the data not opened", [](SetUpFacts* f) { f->log.setup = LogSetup::kCannotOpen; }, Check::kLog, Mark::kFix,
         "same privilege level"},
        {"no tracker at the game's start", [](SetUpFacts* f) { f->log.setup = LogSetup::kMadeByHeadview; }, Check::kLog,
         Mark::kNote, "made the"},
        {"errors on every frame, the file fixed since", [](SetUpFacts* f) { f->log.settingsErrorsSince = 9; },
         Check::kLogSettings, Mark::kNote, "start the game again"},
        {"an error at the start", [](SetUpFacts* f) { f->log.settingsErrorsAtStart = 1; }, Check::kLogSettings,
         Mark::kNote, "when the game started"},
        {"the file missing at the start", [](SetUpFacts* f) { f->log.missingIniAtStart = 1; }, Check::kLogSettings,
         Mark::kNote, "was not in the game's working folder"},
        {"a log of 10 MB and a byte", [](SetUpFacts* f) { f->log.bytes = 10 * 1024 * 1024 + 1; }, Check::kLogSize,
         Mark::kNote, "10.0 MB"},
        {"a log of 10 MB", [](SetUpFacts* f) { f->log.bytes = 10 * 1024 * 1024; }, Check::kIniFile, Mark::kOk, ""},
    };
    for (const auto& row : rows) {
        SetUpFacts facts = WellSetUp();
        row.change(&facts);
        const Findings found = JudgeSetUp(facts);
        const Finding* f = Find(found, row.check, row.mark);
        ASSERT_NE(f, nullptr) << row.what << "\n" << FormatReport(found);
        EXPECT_NE((f->says + f->lines).find(row.words), std::string::npos) << row.what << ": " << f->says << f->lines;
        // Only the named check is to fix, and the exit code says so.
        int others = 0;
        for (const Finding& g : found) {
            others += &g != f && (g.mark == Mark::kFix || g.mark == Mark::kStop) ? 1 : 0;
        }
        EXPECT_EQ(others, 0) << row.what << "\n" << FormatReport(found);
        EXPECT_EQ(ExitCodeOf(found), row.mark == Mark::kFix || row.mark == Mark::kStop ? 1 : 0) << row.what;
    }
}

TEST(JudgeSetUp, KeysWindowsCannotReadAreNamedOnceAndTheLogKnowsTheFileIsStillWrong)
{
    SetUpFacts facts = WellSetUp();
    facts.ini.windows = WindowsReading::kBigEndian;
    facts.ini.present[kTestKey] = facts.ini.present[kMultiplierKey] = false;
    facts.log.settingsErrorsSince = 3;
    const Findings found = JudgeSetUp(facts);
    EXPECT_FALSE(Has(found, Check::kIniKey)) << "no lines to add to a file Windows cannot read";
    const Finding* log = Find(found, Check::kLogSettings, Mark::kNote);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->says.find("start the game again"), std::string::npos) << "the file is not fixed yet";
}

TEST(JudgeYaws, TellsTheSituationFromThePosesAndTheOffset)
{
    Settings raw = {1, 0, 0x39, 0.0f, 0};
    Settings processed = raw;
    processed.source = 1;
    Settings centred = raw;
    centred.offset = -6.9f / 57.29578f;
    const auto stalled = [](double seconds) {
        TrackerFacts f = Sweep(20);
        f.longestStall = seconds;
        return f;
    };
    TrackerFacts absent = {}, denied = {};
    denied.region = Region::kDenied;
    const struct {
        const char* what;
        TrackerFacts facts;
        Settings settings;
        Situation situation;
    } rows[] = {
        {"no region", absent, raw, Situation::kNoTracker},
        {"a region this process may not open", denied, raw, Situation::kDenied},
        {"no pose", Poses({}), raw, Situation::kNoPoses},
        {"every axis zero", Poses({{0, 0}, {0, 0}}), raw, Situation::kOnlyZeros},
        {"both yaws zero, the pitch live: the dead zone", Poses({{0, 0}, {0, 0}}, 0.1f), raw, Situation::kHeldStill},
        {"no pose for 1.0 s", stalled(1.0), raw, Situation::kStalled},
        {"no pose for 0.99 s", stalled(0.99), processed, Situation::kSameYaws},
        {"turned 0.49 degrees each way", Sweep(0.49), raw, Situation::kNotMoved},
        {"turned 0.51 degrees each way", Sweep(0.51), raw, Situation::kSameYaws},
        {"raw zero, processed moving", Poses({{0.1, 0}, {0.2, 0}}), raw, Situation::kRawZero},
        {"raw zero, processed held: following the raw yaw", Poses({{0.1, 0}, {0.1, 0}}), raw, Situation::kRawZero},
        {"raw zero, processed held: following it", Poses({{0.1, 0}, {0.1, 0}}), processed, Situation::kNotMoved},
        {"raw 2.1 degrees off", Sweep(20, 2.1), raw, Situation::kRawOffCentre},
        {"raw 1.9 degrees off", Sweep(20, 1.9), raw, Situation::kYawsAgree},
        {"raw 6.9 degrees off, centred by the offset", Sweep(20, 6.9), centred, Situation::kYawsAgree},
        {"raw 6.9 degrees off, followed the processed yaw", Sweep(20, 6.9), processed, Situation::kRawOffCentre},
        // Alternating +-s shakes by 4s from one pose to the next: past 0.1 degrees from s = 0.025.
        {"raw shaking by +-0.026 degrees", Sweep(20, 0, 0.026), raw, Situation::kRawShaky},
        {"raw shaking by +-0.024 degrees", Sweep(20, 0, 0.024), raw, Situation::kYawsAgree},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(JudgeYaws(row.facts, row.settings), row.situation) << row.what;
    }
    // A raw shake over 0.1 degrees counts only past twice the processed one's.
    TrackerFacts both = Sweep(20, 0, 0.06);
    both.processed.jitterSquares = both.raw.jitterSquares / 4.01;
    EXPECT_EQ(JudgeYaws(both, raw), Situation::kRawShaky);
    both.processed.jitterSquares = both.raw.jitterSquares / 3.99;
    EXPECT_EQ(JudgeYaws(both, raw), Situation::kYawsAgree);
}

TEST(Recommend, OneRecommendationForEachSituationAndSource)
{
    const struct {
        Situation situation;
        int32_t source;
        Mark mark;
        const char* lines;  // null: nothing to put in the file
    } rows[] = {
        {Situation::kNoTracker, 1, Mark::kStop, nullptr},
        {Situation::kDenied, 0, Mark::kStop, nullptr},
        {Situation::kNoPoses, 0, Mark::kStop, nullptr},
        {Situation::kOnlyZeros, 1, Mark::kStop, nullptr},
        {Situation::kStalled, 1, Mark::kFix, nullptr},
        {Situation::kHeldStill, 0, Mark::kFix, nullptr},
        {Situation::kNotMoved, 1, Mark::kFix, nullptr},
        {Situation::kRawZero, 0, Mark::kStop, "headviewing_source=1"},
        {Situation::kRawZero, 2, Mark::kStop, "headviewing_source=1"},  // anything but 1 follows the raw yaw
        {Situation::kRawZero, 1, Mark::kOk, nullptr},
        {Situation::kSameYaws, 0, Mark::kOk, nullptr},
        {Situation::kRawOffCentre, 0, Mark::kFix, "headviewing_source=1\nheadviewing_offset=0.0"},
        {Situation::kRawOffCentre, 1, Mark::kOk, nullptr},
        {Situation::kRawShaky, 0, Mark::kFix, "headviewing_source=1\nheadviewing_offset=0.0"},
        {Situation::kRawShaky, 1, Mark::kOk, nullptr},
        {Situation::kYawsAgree, 0, Mark::kOk, nullptr},
    };
    for (const auto& row : rows) {
        const Recommendation r = Recommend(row.situation, row.source);
        const std::string what =
            std::to_string(static_cast<int>(row.situation)) + ", source " + std::to_string(row.source);
        EXPECT_GT(strlen(r.says), 0u) << what;
        EXPECT_EQ(r.mark, row.mark) << what;
        EXPECT_STREQ(r.lines, row.lines) << what;
    }
    EXPECT_NE(std::string(Recommend(Situation::kRawOffCentre, 0).says).find("--centre"), std::string::npos);
    EXPECT_EQ(std::string(Recommend(Situation::kRawShaky, 0).says).find("--centre"), std::string::npos)
        << "centring does not cure a shake";
}

TEST(JudgeTracker, TheRateTheStallAndTheCameraSwing)
{
    IniFacts ini = WellSetUp().ini;
    TrackerFacts sweep = Sweep(20);
    sweep.published = 486;
    sweep.watchedSeconds = 2.0;
    Findings found = JudgeTracker(sweep, ini);
    ASSERT_NE(Find(found, Check::kTracker, Mark::kOk), nullptr);
    EXPECT_NE(Find(found, Check::kTracker, Mark::kOk)->says.find("243 head positions a second"), std::string::npos);
    const Finding* swing = Find(found, Check::kYaws, Mark::kOk);
    EXPECT_NE(FormatReport(found).find("between -19.9 and +19.9 degrees"), std::string::npos) << FormatReport(found);
    EXPECT_NE(swing, nullptr);
    EXPECT_EQ(ExitCodeOf(found), 0);

    sweep.longestStall = 1.8;
    found = JudgeTracker(sweep, ini);
    ASSERT_NE(Find(found, Check::kTracker, Mark::kFix), nullptr);
    EXPECT_NE(Find(found, Check::kTracker, Mark::kFix)->says.find("none for 1.8 seconds"), std::string::npos);
    EXPECT_EQ(ExitCodeOf(found), 1);

    // No lines for a file that is not there, or is a folder: the shipped one is to be copied.
    TrackerFacts shaky = Sweep(20, 0, 0.06);
    IniFacts missing = {}, folder = ini;
    folder.isFolder = true;
    folder.settings.source = 0;
    for (const IniFacts& without : {missing, folder}) {
        found = JudgeTracker(shaky, without);
        EXPECT_EQ(FormatReport(found).find("headviewing_source=1\n"), std::string::npos) << FormatReport(found);
        EXPECT_EQ(ExitCodeOf(found), 0) << FormatReport(found);
    }
    ini.settings.multiplier = 0;  // no swing to promise from a frozen camera
    sweep.longestStall = 0.0;
    EXPECT_EQ(FormatReport(JudgeTracker(sweep, ini)).find("would have turned"), std::string::npos);
}

TEST(Report, TheClosingLineAndExitCodeFollowTheFindings)
{
    const struct {
        std::vector<Mark> marks;
        const char* closing;
        int exitCode;
    } rows[] = {
        {{Mark::kOk, Mark::kNote}, "All is well.", 0},
        {{Mark::kOk, Mark::kFix, Mark::kNote}, "Fix what is marked [fix]", 1},
        {{Mark::kFix, Mark::kStop}, "cannot turn the camera", 1},
    };
    for (const auto& row : rows) {
        Findings findings;
        for (const Mark mark : row.marks) {
            findings.push_back({Check::kTracker, mark, "said", mark == Mark::kFix ? "headviewing=1" : ""});
        }
        const std::string report = FormatReport(findings);
        EXPECT_NE(report.find(row.closing), std::string::npos) << report;
        EXPECT_EQ(ExitCodeOf(findings), row.exitCode) << report;
    }
    // In the fixed order, whatever order they were found in, with the lines under their finding.
    const std::string report = FormatReport({{Check::kTracker, Mark::kOk, "tracker", ""},
                                             {Check::kIniFile, Mark::kFix, "file\nsecond line", "headviewing=1"}});
    EXPECT_EQ(report,
              "[fix]  file\n       second line\n         headviewing=1\n[ok]   tracker\n\n"
              "Fix what is marked [fix], then run headview-probe again.\n");
}

TEST(DescribeWrite, SaysWhenTheGameTakesTheChangeUp)
{
    IniFacts ini = WellSetUp().ini;
    EXPECT_NE(DescribeWrite(ini, "headviewing_offset=0.1", "").says.find("start the game again"), std::string::npos);
    ini.settings.test = 1;
    const Finding f = DescribeWrite(ini, "headviewing_offset=0.1", "saved as UTF-16 little-endian");
    EXPECT_NE(f.says.find("reads it at once"), std::string::npos) << f.says;
    EXPECT_NE(f.says.find("UTF-16 little-endian"), std::string::npos) << f.says;
}
