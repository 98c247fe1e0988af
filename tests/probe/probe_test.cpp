// headview-probe against the synthetic tracker's styles, as a separate
// process: its verdicts, and the values it writes into headview.ini, read
// back through the plugin's own settings reader.
#include "probe/ini_file.h"
#include "settings/settings.h"
#include "settings/utf8.h"
#include "tests/support/probe_run.h"
#include "tests/support/tracker_fixture.h"

#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

const std::string kIni =
    "\xEF\xBB\xBF; my settings\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_test=0\r\n"
    "headviewing_multiplier=-39\r\nHeadViewing_Offset = 0.05\r\nheadviewing_source=1\r\n\r\n"
    "[Other]\r\nheadviewing_offset=7\r\n";

class ProbeTest : public TrackerTest {
protected:
    // A game folder as players have it: the plugin and the script hook beside headview.ini.
    void SetUp() override
    {
        TrackerTest::SetUp();
        for (const char* name : {"headview.asi", "ScriptHookV.dll", "dinput8.dll"}) {
            WriteFileBytes(GamePath(name), "");
        }
        WriteFileBytes(GamePath("headview.log"),
                       "[08.12.2026 20:15:04.100] FTCreateMapping request.\r\n"
                       "[08.12.2026 20:15:04.101] FTCreateMapping: Mapping already exists.\r\n"
                       "[08.12.2026 20:15:04.102] FTCreateMapping: Mapping opened.\r\n");
    }

    // Runs the probe to its end, pressing Enter at each prompt; returns its exit code.
    DWORD Probe(const std::string& arguments)
    {
        ProbeRun run;
        EXPECT_TRUE(StartProbe(arguments + " --ini \"" + GamePath("headview.ini") + "\"", &run));
        SendLine(&run);  // Enter for every prompt of a use with one
        const DWORD code = FinishProbe(&run);
        output_ = run.text;
        return code;
    }

    void Restart(const std::string& tracker)
    {
        StopProgram(tracker_);
        tracker_ = StartTracker(tracker);
        ASSERT_NE(tracker_, nullptr);
    }

    bool Printed(const std::string& text) const { return output_.find(text) != std::string::npos; }

    std::string output_;
};

// The file's values as the plugin reads them.
Settings ReadBack(const std::string& path)
{
    Settings settings = {};
    EXPECT_TRUE(ReadAllSettings(WideFromUtf8(path).c_str(), &settings));
    return settings;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

}  // namespace

TEST_F(ProbeTest, EachVerdictAgainstTheTrackerStyles)
{
    WriteIni(kIni);
    ProbeRun run;
    ASSERT_TRUE(StartProbe("--seconds 2 --ini \"" + GamePath("headview.ini") + "\"", &run));
    ASSERT_TRUE(ReadUntil(&run, "Watching"));
    Sleep(500);
    HANDLE region = OpenFileMappingA(FILE_MAP_READ, FALSE, kFTRegionName);
    EXPECT_EQ(region, nullptr) << "the probe made no region";
    if (region != nullptr) {
        CloseHandle(region);
    }
    EXPECT_EQ(FinishProbe(&run), 1u);
    EXPECT_NE(run.text.find("No tracker is publishing FreeTrack data"), std::string::npos) << run.text;

    const struct {
        const char* tracker;
        DWORD exitCode;
        const char* says;
    } rows[] = {
        {"--pose 5:0.25", 1, "[stop] Your tracker's data is there, but no new head positions"},  // writes once
        {"--style opentrack --jitter 0 --pose 1:0.25", 1, "[fix]  Nothing turned"},
        {"--style opentrack-noraw --period 1", 0, "[ok]   Your tracker leaves the raw yaw at zero"},
        {"--style opentrack --period 1", 0, "[ok]   The raw yaw shakes"},
        {"--style opentrack-noraw --period 1 --region-bytes 92", 0, "[ok]   Your tracker sends"},
        // A head turned only +-3 degrees still counts as moving.
        {"--style freetrack --rate 100 --period 1 --sweep 0.05", 0, "[ok]   Both yaws are the same"},
    };
    for (const auto& row : rows) {
        Restart(row.tracker);
        RegionPeek peek;
        ASSERT_TRUE(peek.Open());
        FTRegion before;
        memcpy(&before, peek.region, sizeof before);
        EXPECT_EQ(Probe("--seconds 2"), row.exitCode) << output_;
        EXPECT_TRUE(Printed(row.says)) << output_;
        if (strstr(row.tracker, "--pose 5") != nullptr) {  // the one tracker that writes once
            EXPECT_EQ(memcmp(peek.region, &before, sizeof before), 0) << "the probe wrote nothing into the region";
        }
    }
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kIni) << "watching writes nothing";

    // The same raw-zero tracker, with a file that follows the raw yaw.
    WriteIni(Replaced(kIni, "headviewing_source=1", "headviewing_source=0"));
    Restart("--style opentrack-noraw --period 1");
    EXPECT_EQ(Probe("--seconds 2"), 1u);
    EXPECT_TRUE(Printed("[stop] Your tracker leaves the raw yaw at zero")) << output_;
    EXPECT_TRUE(Printed("         headviewing_source=1\r\n")) << output_;
}

TEST_F(ProbeTest, CentreWritesTheOffsetThatCentresTheRawYawAndNoneForTheProcessedYaw)
{
    Restart("--style opentrack --jitter 0 --pose 1:0.3");  // the raw yaw sits 0.12 off: 0.42
    const std::string raw = Replaced(kIni, "headviewing_source=1", "headviewing_source=0");
    WriteIni(raw);
    EXPECT_EQ(Probe("--centre"), 0u) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")),
              Replaced(raw, "HeadViewing_Offset = 0.05", "HeadViewing_Offset = -0.42"));
    EXPECT_EQ(ReadBack(GamePath("headview.ini")).offset, -0.42f);
    EXPECT_TRUE(Printed("start the game again")) << "headviewing_test=0: " << output_;
    EXPECT_TRUE(Printed("All is well.")) << "the file as it is now, centred: " << output_;

    WriteIni(kIni);  // the processed yaw: the tracker's centre key centres it
    EXPECT_EQ(Probe("--centre"), 1u) << output_;
    EXPECT_TRUE(Printed("writes no offset")) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kIni);
}

TEST_F(ProbeTest, GainTurnsTheMeasuredHeadTurnIntoTheAskedDegreesKeepingItsSign)
{
    WriteIni(kIni);  // gain -39, processed yaw
    Restart("--style opentrack --jitter 0 --pose 1:0.1");
    ProbeRun run;
    ASSERT_TRUE(StartProbe("--gain 90 --ini \"" + GamePath("headview.ini") + "\"", &run));
    ASSERT_TRUE(ReadUntil(&run, "Press Enter")) << run.text;
    SendLine(&run);
    ASSERT_TRUE(ReadUntil(&run, "hold it there")) << run.text;
    Restart("--style opentrack --jitter 0 --pose 1:0.6");  // half a radian to the side
    SendLine(&run);
    EXPECT_EQ(FinishProbe(&run), 0u) << run.text;
    // 90 degrees for 0.5: 180, minus as the file had it.
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")),
              Replaced(kIni, "headviewing_multiplier=-39", "headviewing_multiplier=-B4"));
    EXPECT_EQ(ReadBack(GamePath("headview.ini")).multiplier, -180);
}

TEST_F(ProbeTest, NothingIsWrittenWhenItShouldNotBe)
{
    // No file: the player is told where to run it.
    EXPECT_EQ(Probe("--centre"), 2u);
    EXPECT_TRUE(Printed("--ini")) << output_;
    EXPECT_FALSE(Printed("Press Enter")) << output_;

    WriteIni(kIni);
    Restart("--style opentrack --sweep 0.6 --period 1");
    EXPECT_EQ(Probe("--centre"), 1u) << output_;
    EXPECT_TRUE(Printed("Your head moved")) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kIni);

    Restart("--style opentrack --jitter 0 --pose 1:0.3");
    SetFileAttributesA(GamePath("headview.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Probe("--centre"), 2u) << output_;
    EXPECT_TRUE(Printed("read-only")) << output_;
    SetFileAttributesA(GamePath("headview.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kIni) << "left byte for byte";

    // Following a raw yaw the tracker leaves at zero: nothing to measure.
    const std::string raw = Replaced(kIni, "headviewing_source=1", "headviewing_source=0");
    WriteIni(raw);
    Restart("--style opentrack-noraw --jitter 0 --pose 1:0.3");
    for (const char* use : {"--centre", "--gain 90"}) {
        EXPECT_EQ(Probe(use), 1u) << output_;
        EXPECT_TRUE(Printed("  headviewing_source=1\r\n")) << use << ": " << output_;
        EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), raw) << use;
    }
    Restart("--style opentrack --jitter 0 --pose 1:0.3");

    // A file the platform reader sees no Settings section in: measured, then
    // refused with the line to put in by hand.
    const std::string hidden = Replaced(raw, "[Settings]", "[Settings] ; mine [v2]");
    WriteIni(hidden);
    EXPECT_EQ(Probe("--centre"), 2u) << output_;
    EXPECT_TRUE(Printed("cannot change this headview.ini safely")) << output_;
    EXPECT_TRUE(Printed("put this line in it")) << output_;
    EXPECT_TRUE(Printed("  headviewing_offset=-0.42\r\n")) << output_;  // the raw yaw: the reader sees no source
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), hidden) << "left byte for byte";

    // A folder in the file's place: said at once, before any hold.
    DeleteFileA(GamePath("headview.ini").c_str());
    ASSERT_TRUE(CreateDirectoryA(GamePath("headview.ini").c_str(), nullptr));
    EXPECT_EQ(Probe("--gain 90"), 2u) << output_;
    EXPECT_TRUE(Printed("is a folder")) << output_;
    EXPECT_FALSE(Printed("Press Enter")) << output_;
}

TEST_F(ProbeTest, AWatchingProbeLeavesTheDeadTrackersHalfPoseOutOfTheCamera)
{
    WriteIni(IniText());
    StartPlugin();
    EXPECT_EQ(FrameHeading(), 0.0f);
    ProbeRun run;
    ASSERT_TRUE(StartProbe("--seconds 4 --ini \"" + GamePath("headview.ini") + "\"", &run));
    ASSERT_TRUE(ReadUntil(&run, "Watching")) << run.text;
    HANDLE dying = StartProgram("fttracker.exe", "--pose 9:0.7 --die-holding");
    ASSERT_NE(dying, nullptr);
    EXPECT_EQ(WaitForExit(dying, 10000), 0u);
    CloseHandle(dying);
    // The probe polls meanwhile: the abandoned mutex must reach the plugin.
    for (int frame = 0; frame < 100; ++frame) {
        Sleep(10);
        ASSERT_EQ(FrameHeading(), 0.0f) << "frame " << frame << ": the half-written pose is never taken";
    }
    FinishProbe(&run);
}

TEST_F(ProbeTest, TheRateIsWhatTheTrackerPublishedNotWhatThePollsSaw)
{
    WriteIni(kIni);
    Restart("--style opentrack --burst 4");  // four poses at each 4 ms tick: no poll sees them one by one
    RegionPeek peek;
    ASSERT_TRUE(peek.Open());
    const int32_t first = peek.region->pose.frameCounter;
    const LARGE_INTEGER start = Now();
    EXPECT_EQ(Probe("--seconds 3"), 0u) << output_;
    const double published = (peek.region->pose.frameCounter - first) / (MillisecondsSince(start) / 1000.0);
    const size_t at = output_.find("Your tracker sends ");
    ASSERT_NE(at, std::string::npos) << output_;
    const double reported = atof(output_.c_str() + at + strlen("Your tracker sends "));
    EXPECT_NEAR(reported / published, 1.0, 0.15) << output_;
}

TEST_F(ProbeTest, EveryReplacementLandsBesideAGameRereadingTheFile)
{
    WriteIni(
        "[Settings]\r\nheadviewing=1\r\nheadviewing_test=1\r\nheadviewing_multiplier=27\r\n"
        "headviewing_offset=0.0\r\n");
    const std::string folder = gameDir_.substr(0, gameDir_.size() - 1);  // a trailing \ would escape the quote
    HANDLE game =
        StartProgram("headview-game.exe", "--quiet --frames 100000 --frame-ms 16 --game-dir \"" + folder + "\"");
    ASSERT_NE(game, nullptr);
    for (int wait = 0; wait < 200 && CountLogMessages("FTCreateMapping: Mapping opened.") == 0; ++wait) {
        Sleep(50);
    }
    ASSERT_EQ(CountLogMessages("FTCreateMapping: Mapping opened."), 1u) << "the game runs frames";
    int landed = 0;
    for (int i = 0; i < 200; ++i) {
        const std::string value = std::to_string(i) + ".5";
        const std::string before = ReadFileBytes(GamePath("headview.ini"));
        std::string error, converted;
        if (WriteIniValue(GamePath("headview.ini"), kOffsetKey, value, &converted, &error)) {
            ++landed;
            EXPECT_EQ(ReadBack(GamePath("headview.ini")).offset, i + 0.5f);
        } else {
            EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), before) << error;
        }
    }
    StopProgram(game);
    EXPECT_EQ(landed, 200);
    EXPECT_EQ(CountLogMessages("headview: (Error) could not find ini file!"), 0u) << "the file was always there";
    EXPECT_EQ(CountLogMessages("headview: (Error) reading settings from ini file!"), 0u) << "and always whole";
    EXPECT_EQ(GetFileAttributesA(GamePath("headview.ini.probe-new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProbeTest, NoTrackerIsSaidAtOnceAndOneStartedLaterIsTakenUp)
{
    WriteIni(kIni);
    // A log past 10 MB whose last run found no tracker at start.
    const std::string earlier = "[08.12.2026 19:00:00.000] headview: (Error) reading settings from ini file!\r\n";
    std::string log;
    while (log.size() <= 10 * 1024 * 1024) {
        log += earlier;
    }
    log +=
        "[08.12.2026 20:15:04.100] FTCreateMapping request.\r\n"
        "[08.12.2026 20:15:04.102] FTCreateMapping: Mapping opened.\r\n";
    WriteFileBytes(GamePath("headview.log"), log);
    ProbeRun run;
    ASSERT_TRUE(StartProbe("--seconds 6 --ini \"" + GamePath("headview.ini") + "\"", &run));
    ASSERT_TRUE(ReadUntil(&run, "the probe keeps watching")) << run.text;
    EXPECT_EQ(WaitForSingleObject(run.process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "said while it watches";
    Restart("--style opentrack --period 1");
    EXPECT_EQ(FinishProbe(&run), 0u) << run.text;
    output_ = run.text;
    EXPECT_TRUE(Printed("A tracker's FreeTrack data appeared")) << output_;
    EXPECT_TRUE(Printed("[ok]   Your tracker sends")) << output_;
    EXPECT_TRUE(Printed("[note] headview.log: when the game last started, no tracker was running")) << output_;
    EXPECT_FALSE(Printed("could not be read")) << "the earlier run's errors are not this run's";
    EXPECT_TRUE(Printed("[note] headview.log is 10.0 MB")) << output_;
}
