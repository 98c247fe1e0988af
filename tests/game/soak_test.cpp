// A long run: a tracker publishing at a high rate, the test flag at 1 and the
// ini rewritten now and then. Handles and memory stay flat, and every camera
// heading matches the pose and the settings of its frame.
#include "plugin/host/natives.h"
#include "tests/support/game_fixture.h"
#include "tests/support/handles.h"
#include "tests/support/processes.h"
#include "tracker/freetrack.h"

#include <windows.h>

#include <string>

namespace {

constexpr int kFrames = 50000;
constexpr int kIniEvery = 5000;

struct Gain {
    const char* multiplierText;
    int32_t multiplier;
    const char* offsetText;
    float offset;
};

const Gain kGains[] = {
    {"39", 0x39, "0", 0.0f},
    {"-1E", -0x1E, "0.25", 0.25f},
    {"0x100", 0x100, "-1.5d-1", -0.15f},
    {"1", 1, "3e0", 3.0f},
};

class SoakTest : public GameTest {};

}  // namespace

TEST_F(SoakTest, LongRunStaysFlatAndEveryHeadingMatchesItsFrame)
{
    tracker_ = StartTracker("--rate 1000 --sweep 1.2 --period 0.5");
    ASSERT_NE(tracker_, nullptr);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kFTRegionName);
    HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kFTMutexName);
    ASSERT_TRUE(mapping != nullptr && mutex != nullptr);
    const FTRegion* region = static_cast<const FTRegion*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(region, nullptr);

    StartPlugin();
    int32_t lastCounter = 0;
    float recordYaw = 0.0f;
    Gain gain = kGains[0];
    size_t handles = 0;
    size_t memory = 0;
    int freshPoses = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        if (frame % kIniEvery == 0) {
            gain = kGains[(frame / kIniEvery) % (sizeof kGains / sizeof kGains[0])];
            WriteIni(std::string("[Settings]\nheadviewing=1\nheadviewing_test=1\nheadviewing_multiplier=") +
                     gain.multiplierText + "\nheadviewing_offset=" + gain.offsetText + "\n");
        }
        // Holding the mutex across the frame pins the region: the plugin, on
        // this thread, takes it again; the tracker waits.
        ASSERT_EQ(WaitForSingleObject(mutex, 5000), WAIT_OBJECT_0);
        const int32_t counter = region->pose.frameCounter;
        if (counter != lastCounter) {
            recordYaw = region->pose.rawYaw;
            ++freshPoses;
        }
        lastCounter = counter;
        const std::vector<SimEvent> calls = CallsOf(RunFrame(InVehicle()), kNativeSetCameraRelativeHeading);
        ReleaseMutex(mutex);

        ASSERT_EQ(calls.size(), 1u) << "frame " << frame;
        const float expected = (gain.offset + recordYaw) * static_cast<float>(gain.multiplier);
        ASSERT_EQ(static_cast<uint32_t>(calls[0].args[0]), FloatBits(expected)) << "frame " << frame;
        if (frame == 1000) {
            handles = CountOpenHandles();
            memory = PrivateBytes();
        }
    }
    EXPECT_EQ(CountOpenHandles(), handles);
    EXPECT_GT(memory, 0u);
    EXPECT_LT(PrivateBytes(), memory + 1024 * 1024) << "private memory grew by more than 1 MiB";
    EXPECT_GT(freshPoses, 1000) << "the tracker kept publishing";
    EXPECT_EQ(CountLogMessages("FTCreateMapping request."), 1u);
    UnmapViewOfFile(region);
    CloseHandle(mutex);
    CloseHandle(mapping);
}
