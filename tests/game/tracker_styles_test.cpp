// The plugin against the FreeTrack writers players run, as fttracker's styles
// model them: 108- and 92-byte regions, writers that never take the mutex,
// raw yaw left at zero, and poses or settings that give no finite heading.
#include "tests/support/handles.h"
#include "tests/support/tracker_fixture.h"

#include <string.h>

#include <string>

namespace {

// The offset of the opentrack style's raw yaw from the head's, as fttracker writes it.
constexpr float kRawYawBias = 0.12f;

}  // namespace

TEST_F(TrackerTest, EachStyleSteersFromTheChosenYaw)
{
    const struct {
        const char* style;
        float rawOffHead;  // raw yaw - head yaw; NaN: raw yaw left at zero
    } styles[] = {{"freetrack", 0.0f}, {"opentrack", kRawYawBias}, {"opentrack-noraw", NAN}};
    const float heads[] = {0.25f, -0.5f};
    WriteIni(IniText({"1", "1", "2", "0.25", "0"}));
    StartPlugin();
    int counter = 100;
    for (const auto& s : styles) {
        for (float head : heads) {
            StopProgram(tracker_);
            tracker_ = StartTracker(std::string("--style ") + s.style + " --jitter 0 --pose " +
                                    std::to_string(counter += 100) + ":" + std::to_string(head));
            ASSERT_NE(tracker_, nullptr);
            const float raw = isnan(s.rawOffHead) ? 0.0f : head + s.rawOffHead;
            WriteIni(IniText({"1", "1", "2", "0.25", "0"}));
            EXPECT_EQ(FrameHeading(), (0.25f + raw) * 2) << s.style << " raw, head " << head;
            WriteIni(IniText({"1", "1", "2", "0.25", "1"}));
            EXPECT_EQ(FrameHeading(), (0.25f + head) * 2) << s.style << " processed, head " << head;
        }
    }
}

TEST_F(TrackerTest, NoFiniteHeadingNoCameraCallUntilTheNextFinitePose)
{
    WriteIni(IniText({"1", "1", "1", "0", "0"}));
    StartPlugin();
    RunFrame();
    const struct {
        const char* pose;
        std::string ini;
        float heading;  // NaN: no camera call
    } rows[] = {
        {"--pose 1:nan", IniText({"1", "1", "1", "0", "0"}), NAN},  // raw yaw NaN
        {"--pose 2:0.5", IniText({"1", "1", "1", "0", "0"}), 0.5f},
        {"--pose 3:nan", IniText({"1", "1", "1", "0", "1"}), NAN},  // processed yaw NaN
        {"--pose 4:-0.5", IniText({"1", "1", "1", "0", "1"}), -0.5f},
        {nullptr, IniText({"1", "1", "1", "1e39", "1"}), NAN},  // the offset reads as +infinity
        {nullptr, IniText({"1", "1", "1", "0", "1"}), -0.5f},
        {nullptr, IniText({"1", "1", "0", "0.25", "1"}), 0.0f},  // a zero gain stays finite
    };
    for (const auto& row : rows) {
        if (row.pose != nullptr) {
            StopProgram(tracker_);
            tracker_ = StartTracker(row.pose);
            ASSERT_NE(tracker_, nullptr);
        }
        WriteIni(row.ini);
        const std::vector<SimEvent> events = RunFrame(InVehicle());
        EXPECT_EQ(CallsOf(events, kNativeIsInAnyVehicle).size(), 1u) << "the rest of the frame is unchanged";
        EXPECT_EQ(CallsOf(events, kNativeDoesExist).size(), 1u);
        const std::vector<SimEvent> relative = CallsOf(events, kNativeSetCameraRelativeHeading);
        const size_t calls = isnan(row.heading) ? 0u : 1u;
        ASSERT_EQ(relative.size(), calls) << (row.pose ? row.pose : "") << " " << row.ini;
        ASSERT_EQ(CallsOf(events, kNativeSetCameraHeading2).size(), calls);
        if (calls == 1) {
            EXPECT_EQ(HeadingArg(relative[0]), row.heading) << row.ini;
        }
    }
    EXPECT_EQ(CountLogMessages("headview: (Error) reading settings from ini file!"), 0u) << "1e39 reads cleanly";
}

TEST_F(TrackerTest, AWriterWithoutTheMutexCrossing1000MissesNoPoseForMoreThanAFrame)
{
    WriteIni(IniText());
    // The head turns a little at every 4 ms tick: a later pose has a larger
    // raw yaw, so the heading tells which pose the plugin holds.
    tracker_ = StartTracker("--style opentrack --jitter 0 --pose 900:0 --ramp 0.0001");
    ASSERT_NE(tracker_, nullptr);
    StartPlugin();
    RegionPeek peek;
    ASSERT_TRUE(peek.Open());
    float published = NAN;  // the tracker's newest raw yaw before the previous frame
    int resets = 0;
    for (int frame = 0; frame < 600; ++frame) {
        const float before = peek.region->pose.rawYaw;
        const float heading = FrameHeading();
        if (!isnan(published)) {
            ASSERT_GE(heading, published) << "frame " << frame << ": a pose published before the previous frame";
        }
        published = before;
        resets += peek.region->pose.frameCounter < 900 ? 1 : 0;
        Sleep(2);
    }
    EXPECT_GT(resets, 0) << "the counter crossed 1000 and was reset";
}

namespace {

struct SmallRegion {
    int bytes;
    const char* style;
    bool trackerFirst;
};

void PrintTo(const SmallRegion& p, std::ostream* out)
{
    *out << p.bytes << " bytes, " << p.style << (p.trackerFirst ? ", tracker first" : ", plugin first");
}

class SmallRegionTest : public TrackerTest, public ::testing::WithParamInterface<SmallRegion> {};

}  // namespace

// A region smaller than the plugin's 256-byte view: the section is a whole
// page, so the view maps and the identifier lands beyond the tracker's bytes.
TEST_P(SmallRegionTest, TheViewMapsAndOnlyTheCounterAndIdentifierAreWritten)
{
    const SmallRegion& p = GetParam();
    const std::string tracker =
        std::string("--style ") + p.style + " --region-bytes " + std::to_string(p.bytes) + " --jitter 0 --pose 5:0.25";
    WriteIni(IniText());
    FTRegion before;
    RegionPeek peek;
    const auto startTracker = [&] {
        tracker_ = StartTracker(tracker);
        ASSERT_NE(tracker_, nullptr);
        ASSERT_TRUE(peek.Open());
        memcpy(&before, peek.region, sizeof before);
    };
    if (p.trackerFirst) {
        ASSERT_NO_FATAL_FAILURE(startTracker());
    }
    StartPlugin();
    RunFrames(10, InVehicle());
    if (!p.trackerFirst) {
        ASSERT_NO_FATAL_FAILURE(startTracker());
    }
    const size_t handles = CountOpenHandles();
    for (int frame = 0; frame < 300; ++frame) {
        RunFrame(InVehicle());
    }
    const bool rawFilled = strcmp(p.style, "opentrack") == 0;
    EXPECT_EQ(FrameHeading(), rawFilled ? 0.25f + kRawYawBias : 0.0f);
    EXPECT_EQ(CountOpenHandles(), handles);

    const std::vector<std::string> setup =
        p.trackerFirst
            ? std::vector<std::string>{"FTCreateMapping request.", "FTCreateMapping: Mapping already exists.",
                                       "FTCreateMapping: Mapping opened."}
            : std::vector<std::string>{"FTCreateMapping request.", "FTCreateMapping: Mapping opened."};
    EXPECT_EQ(SetupMessages(), setup) << "set up once, no retries";
    // The tracker's bytes after the counter are as it wrote them (the same
    // pose at every tick); beyond them only the identifier text is new (a
    // region the plugin made had it from the first frame).
    const auto* now = reinterpret_cast<const uint8_t*>(peek.region);
    const auto* then = reinterpret_cast<const uint8_t*>(&before);
    EXPECT_EQ(memcmp(now + 4, then + 4, p.bytes - 4), 0);
    EXPECT_EQ(memcmp(peek.region->clientId, "0", 2), 0);
    for (size_t at = p.bytes; at < sizeof(FTRegion); ++at) {
        if (at < offsetof(FTRegion, clientId) || at >= offsetof(FTRegion, clientId) + 2) {
            ASSERT_EQ(now[at], 0) << "byte " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RealTrackers, SmallRegionTest,
                         ::testing::Values(SmallRegion{108, "opentrack", true}, SmallRegion{108, "opentrack", false},
                                           SmallRegion{92, "opentrack-noraw", true},
                                           SmallRegion{92, "opentrack-noraw", false}),
                         [](const ::testing::TestParamInfo<SmallRegion>& info) {
                             return std::to_string(info.param.bytes) + "Bytes" +
                                    (info.param.trackerFirst ? "TrackerFirst" : "PluginFirst");
                         });

TEST_F(TrackerTest, TheShippedFileTurnsTheCameraWithEveryStyle)
{
    // FreePIE's 92-byte region first, made before the game starts.
    const char* const styles[] = {"--style opentrack-noraw --region-bytes 92", "--style freetrack",
                                  "--style opentrack", "--style opentrack-noraw"};
    WriteIni(ReadFileBytes(ProgramDir() + "headview-example.ini"));
    for (const char* style : styles) {
        StopProgram(tracker_);
        tracker_ = StartTracker(std::string(style) + " --period 1");
        ASSERT_NE(tracker_, nullptr) << style;
        if (style == styles[0]) {
            StartPlugin();
        }
        float lowest = INFINITY, highest = -INFINITY;
        for (int frame = 0; frame < 60; ++frame) {
            Sleep(5);
            const float heading = FrameHeading();
            ASSERT_TRUE(isfinite(heading)) << style;
            lowest = fminf(lowest, heading);
            highest = fmaxf(highest, heading);
        }
        EXPECT_GT(highest - lowest, 10.0f) << style << ": the camera follows the head";
    }
}
