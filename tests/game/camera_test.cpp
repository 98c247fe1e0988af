// Vehicle camera steering end to end: real ini files, a tracker process and
// the natives the simulated game records.
#include "plugin/host/natives.h"
#include "tests/support/game_fixture.h"
#include "tests/support/processes.h"

#include <string>

namespace {

class CameraTest : public GameTest {
protected:
    void StartWith(const std::string& ini, bool pose = true, float rawYaw = 0.5f)
    {
        WriteIni(ini);
        StartPlugin();
        RunFrame();
        if (pose) {
            PublishPose(1, rawYaw);
        }
    }
};

// The steering part of a frame: everything between the per-frame character
// call and the wait.
std::vector<SimEvent> SteeringCalls(const std::vector<SimEvent>& events)
{
    if (events.size() < 3) {
        ADD_FAILURE() << "a frame has at least three events";
        return {};
    }
    return std::vector<SimEvent>(events.begin() + 2, events.end() - 1);
}

void ExpectHeadingCalls(const std::vector<SimEvent>& events, uint32_t headingBits)
{
    const std::vector<SimEvent> steering = SteeringCalls(events);
    ASSERT_EQ(steering.size(), 4u);
    EXPECT_EQ(steering[0].hash, kNativeIsInAnyVehicle);
    ASSERT_EQ(steering[0].argCount, 2u);
    EXPECT_EQ(steering[0].args[0], uint64_t{kPlayer});
    EXPECT_EQ(steering[0].args[1], 0u);
    EXPECT_EQ(steering[1].hash, kNativeDoesExist);
    ASSERT_EQ(steering[1].argCount, 1u);
    EXPECT_EQ(steering[1].args[0], uint64_t{kPlayer});
    EXPECT_EQ(steering[2].hash, kNativeSetCameraRelativeHeading);
    EXPECT_EQ(steering[3].hash, kNativeSetCameraHeading2);
    for (int i = 2; i < 4; ++i) {
        ASSERT_EQ(steering[i].argCount, 1u);
        EXPECT_EQ(steering[i].args[0], uint64_t{headingBits}) << "float bits in the low half, upper half zero";
    }
}

}  // namespace

TEST_F(CameraTest, OnFootNoCameraCallInAnyFrame)
{
    StartWith(IniText({"1", "0", "23", "2.0"}));
    for (int frame = 0; frame < 30; ++frame) {
        const std::vector<SimEvent> steering = SteeringCalls(RunFrame(OnFoot()));
        ASSERT_EQ(steering.size(), 1u) << "only the in-vehicle test";
        EXPECT_EQ(steering[0].hash, kNativeIsInAnyVehicle);
    }
}

TEST_F(CameraTest, OffsetIsAddedBeforeTheGain)
{
    StartWith(IniText({"1", "0", "23", "2.0"}));  // 23 is hexadecimal: 35
    ExpectHeadingCalls(RunFrame(InVehicle()), FloatBits(87.5f));
}

TEST_F(CameraTest, BeforeAnyPoseTheHeadingIsOffsetTimesGain)
{
    StartWith(IniText({"1", "0", "3", "2.0"}), false);
    for (int frame = 0; frame < 5; ++frame) {
        ExpectHeadingCalls(RunFrame(InVehicle()), FloatBits(6.0f));
    }
}

TEST_F(CameraTest, ZeroGainGivesNegativeZeroForANegativeSum)
{
    StartWith(IniText({"1", "0", "0", "-1.0"}));
    ExpectHeadingCalls(RunFrame(InVehicle()), 0x80000000u);
}

TEST_F(CameraTest, NegativeGainTurnsTheOtherWay)
{
    StartWith(IniText({"1", "0", "-23", "0"}), true, 0.25f);
    ExpectHeadingCalls(RunFrame(InVehicle()), FloatBits(-8.75f));
}

TEST_F(CameraTest, SinglePrecisionSumThenProduct)
{
    // 2^24 + 1 rounds to 2^24 in single precision, so the heading is
    // 3 × 2^24; in double precision it would have come out as 50331652.
    StartWith(IniText({"1", "0", "3", "16777216"}), true, 1.0f);
    ExpectHeadingCalls(RunFrame(InVehicle()), FloatBits(50331648.0f));
}

TEST_F(CameraTest, Enabled0CallsNoSteeringNative)
{
    StartWith(IniText({"0", "0", "23", "2.0"}));
    for (int frame = 0; frame < 10; ++frame) {
        EXPECT_TRUE(SteeringCalls(RunFrame(InVehicle())).empty());
    }
}

TEST_F(CameraTest, Enabled2CallsNoSteeringNative)
{
    StartWith(IniText({"2", "0", "23", "2.0"}));
    for (int frame = 0; frame < 10; ++frame) {
        EXPECT_TRUE(SteeringCalls(RunFrame(InVehicle())).empty());
    }
}

TEST_F(CameraTest, ACharacterThatDoesNotExistGetsNoCameraCall)
{
    StartWith(IniText({"1", "0", "23", "2.0"}));
    const std::vector<SimEvent> steering = SteeringCalls(RunFrame(SimWorld{kPlayer, 1, 0}));
    ASSERT_EQ(steering.size(), 2u);
    EXPECT_EQ(steering[0].hash, kNativeIsInAnyVehicle);
    EXPECT_EQ(steering[1].hash, kNativeDoesExist);
}

TEST_F(CameraTest, TheLastPoseIsSentEveryFrameUntilTheCharacterLeaves)
{
    StartWith(IniText({"1", "0", "1", "0"}), true, 0.5f);
    for (int frame = 0; frame < 20; ++frame) {
        ExpectHeadingCalls(RunFrame(InVehicle()), FloatBits(0.5f));
    }
    PublishPose(2, -0.125f);
    ExpectHeadingCalls(RunFrame(InVehicle()), FloatBits(-0.125f));
    for (int frame = 0; frame < 5; ++frame) {
        EXPECT_TRUE(CallsOf(RunFrame(OnFoot()), kNativeSetCameraRelativeHeading).empty());
    }
    EXPECT_EQ(game_.sim.cameraHeading(), -0.125f) << "nothing is reset on leaving";
}
