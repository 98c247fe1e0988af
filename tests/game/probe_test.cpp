// headview-probe against the synthetic tracker's styles, as a separate
// process: its verdicts, and the values it writes into headview.ini, read
// back through the plugin's own settings reader.
#include "settings/settings.h"
#include "tests/support/probe_run.h"
#include "tests/support/tracker_fixture.h"

#include <string.h>

#include <string>

namespace {

const std::string kIni =
    "\xEF\xBB\xBF; my settings\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_test=0\r\n"
    "headviewing_multiplier=-39\r\nHeadViewing_Offset = 0.5\r\nheadviewing_source=1\r\n\r\n"
    "[Other]\r\nheadviewing_offset=7\r\n";

class ProbeTest : public TrackerTest {
protected:
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
    EXPECT_TRUE(ReadAllSettings(path.c_str(), &settings));
    return settings;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

}  // namespace

TEST_F(ProbeTest, EachVerdict)
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
        {"--pose 5:0.25", 1, "no new head positions arrived"},  // writes once: the counter stands still
        {"--style opentrack --jitter 0 --pose 1:0.25", 1, "Nothing moved"},
        {"--style opentrack-noraw --period 1", 0, "Your tracker works"},  // the file follows the processed yaw
        {"--style opentrack --period 1", 0, "degrees off the processed yaw"},
        {"--style freetrack --rate 100 --period 1", 0, "Both yaws are the same"},
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
    EXPECT_TRUE(Printed("leaves the raw yaw at zero")) << output_;
    EXPECT_TRUE(Printed("  headviewing_source=1")) << output_;
}

TEST_F(ProbeTest, CentreWritesTheOffsetThatCentresTheChosenYaw)
{
    const struct {
        const char* source;
        const char* offset;                      // minus the yaw of that source
    } rows[] = {{"1", "-0.3"}, {"0", "-0.42"}};  // the raw yaw sits 0.12 off
    Restart("--style opentrack --jitter 0 --pose 1:0.3");
    for (const auto& row : rows) {
        const std::string ini = Replaced(kIni, "headviewing_source=1", std::string("headviewing_source=") + row.source);
        WriteIni(ini);
        EXPECT_EQ(Probe("--centre"), 0u) << output_;
        EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")),
                  Replaced(ini, "HeadViewing_Offset = 0.5", std::string("HeadViewing_Offset = ") + row.offset));
        EXPECT_EQ(ReadBack(GamePath("headview.ini")).offset, strtof(row.offset, nullptr));
    }
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

    EXPECT_EQ(Probe("--gain 0"), 2u) << "bad usage";
    EXPECT_EQ(Probe("--seconds 601"), 2u);
}
