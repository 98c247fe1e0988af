// The probe's judgement of a tracker's two yaws, and the one recommendation
// for each situation and headviewing_source, as watch, --centre and --gain
// give it.
#include "probe/advice.h"

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

namespace {

// Poses with these (processed, raw) yaws.
YawPair YawsOf(const std::vector<std::pair<float, float>>& poses)
{
    YawPair yaws = {};
    for (const auto& p : poses) {
        FTPose pose = {};
        pose.yaw = p.first;
        pose.rawYaw = p.second;
        AddPoseYaws(&yaws, pose);
    }
    return yaws;
}

// A smooth sweep; the raw yaw `bias` off and shaking by +-`shake`.
YawPair Sweep(float bias, float shake)
{
    std::vector<std::pair<float, float>> poses;
    for (int i = 0; i < 100; ++i) {
        const float yaw = 0.005f * static_cast<float>(i);
        poses.push_back({yaw, yaw + bias + (i % 2 == 0 ? shake : -shake)});
    }
    return YawsOf(poses);
}

}  // namespace

TEST(JudgeTracker, TellsTheSituationFromBothYaws)
{
    const struct {
        const char* what;
        bool found;
        YawPair yaws;
        Situation situation;
    } cases[] = {
        {"no region", false, Sweep(0, 0), Situation::kNoTracker},
        {"no pose", true, YawsOf({}), Situation::kNoPoses},
        {"only zeros", true, YawsOf({{0, 0}, {0, 0}}), Situation::kOnlyZeros},
        {"raw zero, processed moving", true, YawsOf({{0.1f, 0}, {0.2f, 0}}), Situation::kRawZero},
        {"raw zero, processed held off zero", true, YawsOf({{0.1f, 0}, {0.1f, 0}}), Situation::kRawZero},
        {"one yaw twice", true, Sweep(0, 0), Situation::kSameYaws},
        {"raw 6.9 degrees off", true, Sweep(0.12f, 0), Situation::kRawOffOrShaky},
        {"raw shaking by +-0.23 degrees", true, Sweep(0, 0.004f), Situation::kRawOffOrShaky},
        {"raw 1 degree off, shaking by +-0.01", true, Sweep(0.0175f, 0.0002f), Situation::kYawsAgree},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JudgeTracker(c.found, c.yaws), c.situation) << c.what;
    }
}

TEST(Recommend, OneRecommendationForEachSituationAndSource)
{
    const struct {
        Situation situation;
        int32_t source;
        const char* lines;  // null: nothing to put in the file
        bool toFix, measuresNothing;
    } cases[] = {
        {Situation::kNoTracker, 1, nullptr, true, true},
        {Situation::kNoPoses, 0, nullptr, true, true},
        {Situation::kOnlyZeros, 1, nullptr, true, true},
        {Situation::kRawZero, 0, "headviewing_source=1", true, true},
        {Situation::kRawZero, 2, "headviewing_source=1", true, true},  // anything but 1 follows the raw yaw
        {Situation::kRawZero, 1, nullptr, false, false},
        {Situation::kRawOffOrShaky, 0, "headviewing_source=1\nheadviewing_offset=0.0", true, false},
        {Situation::kRawOffOrShaky, 1, nullptr, false, false},
        {Situation::kSameYaws, 0, nullptr, false, false},
        {Situation::kYawsAgree, 0, nullptr, false, false},
    };
    for (const auto& c : cases) {
        const Recommendation r = Recommend(c.situation, c.source);
        const std::string what = std::to_string(static_cast<int>(c.situation)) + ", source " + std::to_string(c.source);
        EXPECT_GT(strlen(r.says), 0u) << what;
        EXPECT_STREQ(r.lines, c.lines) << what;
        EXPECT_EQ(r.toFix, c.toFix) << what;
        EXPECT_EQ(r.measuresNothing, c.measuresNothing) << what;
    }
}
