// headview.ini in the simulated game: start-up load, fallbacks, the error
// lines, and live reloading while the test flag is exactly 1. The heading
// sent to the camera, (offset + raw yaw) × multiplier with a known raw yaw,
// shows the values the plugin holds.
#include "plugin/host/natives.h"
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
    void TearDown() override { StopProgram(tracker_); }
    HANDLE tracker_ = nullptr;

    // Starts the plugin with a tracker pose of raw yaw 0.5 in place.
    void StartWithPose()
    {
        StartPlugin();
        RunFrame();
        PublishPose(1, kRawYaw);
    }

    // The heading of the next frame in a vehicle, or NaN without a camera call.
    float Heading()
    {
        const std::vector<SimEvent> calls = CallsOf(RunFrame(InVehicle()), kNativeSetCameraRelativeHeading);
        return calls.size() == 1 ? HeadingArg(calls[0]) : NAN;
    }

    // Rewrites the ini (which keeps the test flag at 1) and runs a frame.
    float HeadingWith(const std::string& keys)
    {
        WriteIni("[Settings]\nheadviewing_test=1\n" + keys);
        return Heading();
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
    WriteIni(
        "[Settings]\nheadviewing=true\nheadviewing_test=0\nheadviewing_multiplier=FFFFFFFF\n"
        "headviewing_offset=abc\n");
    StartWithPose();
    // Fallbacks: enabled 1, multiplier 35 (decimal), offset 0.
    for (int frame = 0; frame < 50; ++frame) {
        ASSERT_EQ(Heading(), kRawYaw * 35);
    }
    EXPECT_EQ(CountLogMessages(kBadKey), 1u);
}

TEST_F(SettingsTest, AFileWithoutTheTestKeyReloadsAndLogsEveryFrame)
{
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_multiplier=2\n");
    StartWithPose();
    RunFrames(20, InVehicle());
    EXPECT_EQ(CountLogMessages(kBadKey), 1u + 21u) << "start-up, then each of the 21 frames";
    EXPECT_EQ(HeadingWith("headviewing=1\nheadviewing_multiplier=4\n"), kRawYaw * 4) << "and takes edits";
}

TEST_F(SettingsTest, WithTestAt1EditsTakeEffectOnTheNextFrameUntilTestChanges)
{
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=1\nheadviewing_multiplier=2\nheadviewing_offset=0\n");
    StartWithPose();
    EXPECT_EQ(Heading(), kRawYaw * 2);
    EXPECT_EQ(HeadingWith("headviewing=1\nheadviewing_multiplier=4\nheadviewing_offset=0.25\n"), (0.25f + kRawYaw) * 4);
    // Turning test off is itself read, then reloading stops for good.
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=0\nheadviewing_multiplier=8\nheadviewing_offset=0\n");
    EXPECT_EQ(Heading(), kRawYaw * 8);
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=1\nheadviewing_multiplier=10\nheadviewing_offset=0\n");
    RunFrames(5, InVehicle());
    EXPECT_EQ(Heading(), kRawYaw * 8);
    EXPECT_EQ(CountLogMessages(kBadKey), 0u);
}

TEST_F(SettingsTest, TestOtherThanExactly1NeverReloads)
{
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=2\nheadviewing_multiplier=2\nheadviewing_offset=0\n");
    StartWithPose();
    EXPECT_EQ(Heading(), kRawYaw * 2);
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=1\nheadviewing_multiplier=4\nheadviewing_offset=0\n");
    RunFrames(5, InVehicle());
    EXPECT_EQ(Heading(), kRawYaw * 2);
}

TEST_F(SettingsTest, ADeletedFileIsReportedEveryFrameAndTheValuesStay)
{
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=1\nheadviewing_multiplier=3\nheadviewing_offset=0.5\n");
    StartWithPose();
    EXPECT_EQ(Heading(), (0.5f + kRawYaw) * 3);
    ASSERT_TRUE(std::filesystem::remove(GamePath("headview.ini")));
    for (int frame = 0; frame < 10; ++frame) {
        EXPECT_EQ(Heading(), (0.5f + kRawYaw) * 3);
    }
    EXPECT_EQ(CountLogMessages(kNoIni), 10u);
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=1\nheadviewing_multiplier=5\nheadviewing_offset=0\n");
    EXPECT_EQ(Heading(), kRawYaw * 5) << "found again";
}

TEST_F(SettingsTest, EnabledIsHexAndMustBeExactly1)
{
    WriteIni("[Settings]\nheadviewing_test=1\n");
    StartWithPose();
    const char* const on[] = {"headviewing=0x1\n",  "headviewing=01\n", "headviewing=1\n",
                              "headviewing=true\n", "headviewing=\n",   ""};
    for (const char* keys : on) {
        EXPECT_FALSE(isnan(HeadingWith(std::string(keys) + "headviewing_multiplier=1\n"))) << keys;
    }
    const char* const off[] = {"headviewing=10\n", "headviewing=0\n", "headviewing=2\n", "headviewing=-1\n"};
    for (const char* keys : off) {
        EXPECT_TRUE(isnan(HeadingWith(std::string(keys) + "headviewing_multiplier=1\n"))) << keys;
    }
}

TEST_F(SettingsTest, MultiplierAndOffsetAsWritten)
{
    WriteIni("[Settings]\nheadviewing_test=1\n");
    StartWithPose();
    const std::string on = "headviewing=1\n";
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=35\nheadviewing_offset=0\n"), kRawYaw * 0x35);
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=FFFFFFFF\nheadviewing_offset=0\n"), kRawYaw * 35);
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=-0x2\nheadviewing_offset=0\n"), kRawYaw * -2);
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=0X1C\nheadviewing_offset=0\n"), kRawYaw * 0x1C);
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=1\nheadviewing_offset=2.5D-1\n"), 0.25f + kRawYaw);
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=1\nheadviewing_offset=-0.25\n"), -0.25f + kRawYaw);
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=1\nheadviewing_offset=abc\n"), kRawYaw);
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=1\nheadviewing_offset=1.5d2\n"), 150.0f + kRawYaw);
    EXPECT_EQ(HeadingWith(on + "headviewing_multiplier=1\nheadviewing_offset=0.25 ; comment\n"), kRawYaw);
}

TEST_F(SettingsTest, TheShippedExampleFileReadsCleanly)
{
    WriteFileBytes(GamePath("headview.ini"), ReadFileBytes(ProgramDir() + "headview-example.ini"));
    StartWithPose();
    for (int frame = 0; frame < 5; ++frame) {
        EXPECT_EQ(Heading(), kRawYaw * 0x39) << "on, gain 0x39, offset 0";
    }
    EXPECT_EQ(CountLogMessages(kBadKey), 0u);
    EXPECT_EQ(CountLogMessages(kNoIni), 0u);
    WriteIni("[Settings]\nheadviewing_multiplier=1\n");
    EXPECT_EQ(Heading(), kRawYaw * 0x39) << "ships with the test flag at 0: no reload";
}

TEST_F(SettingsTest, SourceIsHexAndOnlyExactly1SteersFromTheProcessedYaw)
{
    // A tracker whose raw yaw (0.25 + 0.12) differs from its processed yaw (0.25).
    tracker_ = StartTracker("--style opentrack --jitter 0 --pose 1:0.25");
    ASSERT_NE(tracker_, nullptr);
    WriteIni("[Settings]\nheadviewing_test=1\n");
    StartPlugin();
    const float raw = 0.25f + 0.12f, processed = 0.25f;
    const struct {
        const char* line;
        float heading;
        bool errorLine;
    } cases[] = {
        {"headviewing_source=1\n", processed, false},
        {"headviewing_source=0x1\n", processed, false},
        {"headviewing_source=0\n", raw, false},
        {"headviewing_source=2\n", raw, false},
        {"headviewing_source=10\n", raw, false},
        {"", raw, false},
        {"headviewing_source=x\n", raw, true},
        {"headviewing_source=\n", raw, true},
        {"headviewing_source=1 ;processed\n", raw, true},
    };
    for (const auto& c : cases) {
        const size_t errorsBefore = CountLogMessages(kBadKey);
        EXPECT_EQ(HeadingWith("headviewing=1\nheadviewing_multiplier=1\nheadviewing_offset=0\n" + std::string(c.line)),
                  c.heading)
            << c.line;
        EXPECT_EQ(CountLogMessages(kBadKey) - errorsBefore, c.errorLine ? 1u : 0u) << c.line;
    }
}

namespace {

// One line per recorded event: frame, kind, hash, arguments and result.
std::string TraceLine(const SimEvent& e)
{
    char line[256];
    int length = snprintf(line, sizeof line, "%u %u %016llx", e.frame, e.kind, static_cast<unsigned long long>(e.hash));
    for (uint32_t i = 0; i < e.argCount && i < kSimMaxArgs; ++i) {
        length += snprintf(line + length, sizeof line - length, " %llx", static_cast<unsigned long long>(e.args[i]));
    }
    snprintf(line + length, sizeof line - length, " -> %llx\n", static_cast<unsigned long long>(e.result));
    return line;
}

}  // namespace

// headview.ini files written before headviewing_source existed: the native
// calls, their order and arguments, and the log match a run recorded with
// the plugin as it was before that key (tests/data/ini-without-source.trace).
TEST_F(SettingsTest, AnIniWithoutTheSourceKeyRunsAsBeforeTheKeyExisted)
{
    const std::string keys = "[Settings]\nheadviewing=1\nheadviewing_test=1\nheadviewing_offset=0.125\n";
    WriteIni(keys + "headviewing_multiplier=39\n");
    StartPlugin();
    std::string trace;
    const auto run = [&](int frames, const SimWorld& world) {
        for (int frame = 0; frame < frames; ++frame) {
            for (const SimEvent& e : RunFrame(world)) {
                trace += TraceLine(e);
            }
        }
    };
    run(2, OnFoot());
    PublishPose(1, 0.5f);
    run(3, InVehicle());
    WriteIni(keys + "headviewing_multiplier=zz\n");
    run(2, InVehicle());
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=0\nheadviewing_multiplier=-2\n");
    run(2, InVehicle());
    run(1, SimWorld{kPlayer, 1, 0});
    run(2, OnFoot());
    for (const std::string& message : LogMessages()) {
        trace += "log " + message + "\n";
    }
    WriteFileBytes(GamePath("trace.txt"), trace);
    EXPECT_EQ(trace, ReadFileBytes(ProgramDir() + "ini-without-source.trace")) << "this run: " << GamePath("trace.txt");
}
