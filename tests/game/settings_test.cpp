// headview.ini in the simulated game: start-up load, fallbacks, the error
// lines, and live reloading while the test flag is exactly 1. The heading
// sent to the camera, (offset + raw yaw) × multiplier with a known raw yaw,
// shows the values the plugin holds.
#include "plugin/host/natives.h"
#include "settings/settings.h"
#include "settings/utf8.h"
#include "tests/support/game_fixture.h"
#include "tests/support/processes.h"

#include <math.h>

#include <filesystem>

namespace {

constexpr float kRawYaw = 0.5f;
const char* const kNoIni = "headview: (Error) could not find ini file!";
const char* const kBadKey = "headview: (Error) reading settings from ini file!";

class SettingsTest : public GameTest {
protected:
    // Starts the plugin with a tracker pose of raw yaw 0.5 in place.
    void StartWithPose()
    {
        StartPlugin();
        RunFrame();
        PublishPose(1, kRawYaw);
    }

    // Rewrites the ini, keeping the test flag at 1, and runs a frame.
    float HeadingWith(IniKeys keys)
    {
        keys.test = "1";
        WriteIni(IniText(keys));
        return FrameHeading();
    }
};

}  // namespace

TEST_F(SettingsTest, NoFileLogsOnceAndLeavesSteeringOff)
{
    StartWithPose();
    for (int frame = 0; frame < 100; ++frame) {
        const std::vector<SimEvent> events = RunFrame(InVehicle());
        ASSERT_EQ(events.size(), 3u) << "enabled stays 0: no steering native";
    }
    EXPECT_EQ(CountLogMessages(kNoIni), 1u) << "test stays 0: no reload";
    EXPECT_EQ(CountLogMessages(kBadKey), 0u);
}

TEST_F(SettingsTest, OneErrorLinePerLoadAndFallbacks)
{
    WriteIni(IniText({"true", "0", "FFFFFFFF", "abc"}));
    StartWithPose();
    // Fallbacks: enabled 1, multiplier 35 (decimal), offset 0.
    for (int frame = 0; frame < 50; ++frame) {
        ASSERT_EQ(FrameHeading(), kRawYaw * 35);
    }
    EXPECT_EQ(CountLogMessages(kBadKey), 1u);
}

TEST_F(SettingsTest, AFileWithoutTheTestKeyReloadsAndLogsEveryFrame)
{
    WriteIni(IniText({"1", nullptr, "2", nullptr}));
    StartWithPose();
    RunFrames(20, InVehicle());
    EXPECT_EQ(CountLogMessages(kBadKey), 1u + 21u) << "start-up, then each of the 21 frames";
    EXPECT_EQ(HeadingWith({"1", nullptr, "4", nullptr}), kRawYaw * 4) << "and takes edits";
}

TEST_F(SettingsTest, WithTestAt1EditsTakeEffectOnTheNextFrameUntilTestChanges)
{
    WriteIni(IniText({"1", "1", "2"}));
    StartWithPose();
    EXPECT_EQ(FrameHeading(), kRawYaw * 2);
    EXPECT_EQ(HeadingWith({"1", "1", "4", "0.25"}), (0.25f + kRawYaw) * 4);
    // Turning test off is itself read, then reloading stops for good.
    WriteIni(IniText({"1", "0", "8"}));
    EXPECT_EQ(FrameHeading(), kRawYaw * 8);
    WriteIni(IniText({"1", "1", "10"}));
    RunFrames(5, InVehicle());
    EXPECT_EQ(FrameHeading(), kRawYaw * 8);
    EXPECT_EQ(CountLogMessages(kBadKey), 0u);
}

TEST_F(SettingsTest, TestOtherThanExactly1NeverReloads)
{
    WriteIni(IniText({"1", "2", "2"}));
    StartWithPose();
    EXPECT_EQ(FrameHeading(), kRawYaw * 2);
    WriteIni(IniText({"1", "1", "4"}));
    RunFrames(5, InVehicle());
    EXPECT_EQ(FrameHeading(), kRawYaw * 2);
}

TEST_F(SettingsTest, ADeletedFileIsReportedEveryFrameAndTheValuesStay)
{
    WriteIni(IniText({"1", "1", "3", "0.5"}));
    StartWithPose();
    EXPECT_EQ(FrameHeading(), (0.5f + kRawYaw) * 3);
    ASSERT_TRUE(std::filesystem::remove(GamePath("headview.ini")));
    for (int frame = 0; frame < 10; ++frame) {
        EXPECT_EQ(FrameHeading(), (0.5f + kRawYaw) * 3);
    }
    EXPECT_EQ(CountLogMessages(kNoIni), 10u);
    WriteIni(IniText({"1", "1", "5"}));
    EXPECT_EQ(FrameHeading(), kRawYaw * 5) << "found again";
}

TEST_F(SettingsTest, EnabledIsHexAndMustBeExactly1)
{
    WriteIni(IniText({nullptr, "1", nullptr, nullptr}));
    StartWithPose();
    const char* const on[] = {"0x1", "01", "1", "true", "", nullptr};  // null: no such line
    for (const char* enabled : on) {
        EXPECT_FALSE(isnan(HeadingWith({enabled, "1", "1", nullptr}))) << (enabled ? enabled : "(none)");
    }
    const char* const off[] = {"10", "0", "2", "-1"};
    for (const char* enabled : off) {
        EXPECT_TRUE(isnan(HeadingWith({enabled, "1", "1", nullptr}))) << enabled;
    }
}

TEST_F(SettingsTest, MultiplierAndOffsetAsWritten)
{
    WriteIni(IniText({nullptr, "1", nullptr, nullptr}));
    StartWithPose();
    EXPECT_EQ(HeadingWith({"1", "1", "35", "0"}), kRawYaw * 0x35);
    EXPECT_EQ(HeadingWith({"1", "1", "FFFFFFFF", "0"}), kRawYaw * 35);
    EXPECT_EQ(HeadingWith({"1", "1", "-0x2", "0"}), kRawYaw * -2);
    EXPECT_EQ(HeadingWith({"1", "1", "0X1C", "0"}), kRawYaw * 0x1C);
    EXPECT_EQ(HeadingWith({"1", "1", "1", "2.5D-1"}), 0.25f + kRawYaw);
    EXPECT_EQ(HeadingWith({"1", "1", "1", "-0.25"}), -0.25f + kRawYaw);
    EXPECT_EQ(HeadingWith({"1", "1", "1", "abc"}), kRawYaw);
    EXPECT_EQ(HeadingWith({"1", "1", "1", "1.5d2"}), 150.0f + kRawYaw);
    EXPECT_EQ(HeadingWith({"1", "1", "1", "0.25 ; comment"}), kRawYaw);
}

TEST_F(SettingsTest, TheShippedExampleFileReadsCleanly)
{
    // As the release zip holds it: CR LF line ends, the five values read as the file says.
    const std::string shipped = ReadFileBytes(ProgramDir() + "headview-example.ini");
    EXPECT_NE(shipped.find("\r\n"), std::string::npos);
    size_t bare = 0;
    for (size_t at = 0; (at = shipped.find('\n', at)) != std::string::npos; ++at) {
        bare += at == 0 || shipped[at - 1] != '\r' ? 1 : 0;
    }
    EXPECT_EQ(bare, 0u);
    WriteFileBytes(GamePath("headview.ini"), shipped);
    Settings read = {};
    EXPECT_TRUE(ReadAllSettings(WideFromUtf8(GamePath("headview.ini")).c_str(), &read));
    EXPECT_EQ(read.enabled, 1);
    EXPECT_EQ(read.test, 0);
    EXPECT_EQ(read.multiplier, 0x39);
    EXPECT_EQ(read.offset, 0.0f);
    EXPECT_EQ(read.source, 1);
    StartWithPose();
    for (int frame = 0; frame < 5; ++frame) {
        EXPECT_EQ(FrameHeading(), kRawYaw * 0x39) << "on, gain 0x39, offset 0";
    }
    EXPECT_EQ(CountLogMessages(kBadKey), 0u);
    EXPECT_EQ(CountLogMessages(kNoIni), 0u);
    WriteIni(IniText({nullptr, nullptr, "1", nullptr}));
    EXPECT_EQ(FrameHeading(), kRawYaw * 0x39) << "ships with the test flag at 0: no reload";
}

TEST_F(SettingsTest, SourceIsHexAndOnlyExactly1SteersFromTheProcessedYaw)
{
    // A tracker whose raw yaw (0.25 + 0.12) differs from its processed yaw (0.25).
    tracker_ = StartTracker("--style opentrack --jitter 0 --pose 1:0.25");
    ASSERT_NE(tracker_, nullptr);
    WriteIni(IniText({nullptr, "1", nullptr, nullptr}));
    StartPlugin();
    const float raw = 0.25f + 0.12f, processed = 0.25f;
    const struct {
        const char* source;  // null: no such line
        float heading;
        bool errorLine;
    } cases[] = {
        {"1", processed, false}, {"0x1", processed, false}, {"0", raw, false},
        {"2", raw, false},       {"10", raw, false},        {nullptr, raw, false},
        {"x", raw, true},        {"", raw, true},           {"1 ;processed", raw, true},
    };
    for (const auto& c : cases) {
        const size_t errorsBefore = CountLogMessages(kBadKey);
        const char* shown = c.source != nullptr ? c.source : "(none)";
        EXPECT_EQ(HeadingWith({"1", "1", "1", "0", c.source}), c.heading) << shown;
        EXPECT_EQ(CountLogMessages(kBadKey) - errorsBefore, c.errorLine ? 1u : 0u) << shown;
    }
}

// headview.ini files written before headviewing_source existed: the native
// calls, their order and arguments, and the log match a run recorded with
// the plugin as it was before that key (tests/data/ini-without-source.trace).
TEST_F(SettingsTest, AnIniWithoutTheSourceKeyRunsAsBeforeTheKeyExisted)
{
    const std::string trace = TraceOfTheRecordedRun(nullptr);
    WriteFileBytes(GamePath("trace.txt"), trace);
    EXPECT_EQ(trace, ReadFileBytes(ProgramDir() + "ini-without-source.trace")) << "this run: " << GamePath("trace.txt");
}
