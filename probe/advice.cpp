#include "probe/advice.h"

#include <math.h>
#include <stdio.h>

namespace {

constexpr double kOffCentreRadians = 2.0 / kDegreesPerRadian;
constexpr double kShakyRadians = 0.1 / kDegreesPerRadian;  // a shake below this is not seen on screen
constexpr double kShakierThan = 2.0;                       // times the processed yaw's shake

constexpr const char* kStartTracker =
    "No tracker is publishing FreeTrack data. Start your head tracker and turn on its FreeTrack\n"
    "output (in opentrack: Output \"freetrack 2.0 Enhanced\").";

struct Row {
    Situation situation;
    int32_t source;  // -1: any
    Recommendation recommendation;
};

const Row kTable[] = {
    {Situation::kNoTracker, -1, {kStartTracker, nullptr, true, true}},
    {Situation::kNoPoses, -1,
     {"Your tracker's data is there, but no new head positions arrived: the tracker is paused, or it\n"
      "cannot find your face or markers (look at its camera view). If no tracker runs, the game made\n"
      "this empty data itself: start the tracker and turn on its FreeTrack output.",
      nullptr, true, true}},
    {Situation::kOnlyZeros, -1,
     {"Your tracker sends head positions with both yaws at zero: it is not tracking you. Look at its\n"
      "camera view, and start tracking in it.",
      nullptr, true, true}},
    {Situation::kRawZero, 1,
     {"Your tracker leaves the raw yaw at zero; headview follows the processed yaw\n"
      "(headviewing_source=1), as it should with this tracker.",
      nullptr, false, false}},
    {Situation::kRawZero, -1,
     {"Your tracker leaves the raw yaw at zero, and headview follows the raw yaw, so the camera\n"
      "would not turn. Put this line in headview.ini, under [Settings]:",
      "headviewing_source=1", true, true}},
    {Situation::kSameYaws, -1,
     {"Both yaws are the same: headviewing_source makes no difference with this tracker.", nullptr, false,
      false}},
    {Situation::kRawOffOrShaky, 1,
     {"The raw yaw sits off centre or shakes; headview follows the processed yaw\n"
      "(headviewing_source=1), with your tracker's own centring and smoothing, as it should.",
      nullptr, false, false}},
    {Situation::kRawOffOrShaky, -1,
     {"The raw yaw sits off centre or shakes, where the processed yaw is centred and steady, and\n"
      "headview follows the raw yaw. To follow what your tracker shows you, with its centre key,\n"
      "smoothing and curves, put these lines in headview.ini, under [Settings] (or, to keep the raw\n"
      "yaw, run headview-probe --centre):",
      "headviewing_source=1\nheadviewing_offset=0.0", true, false}},
    {Situation::kYawsAgree, -1,
     {"Both yaws agree and are steady: either headviewing_source works.", nullptr, false, false}},
};

}  // namespace

Situation JudgeTracker(bool found, const YawPair& yaws)
{
    if (!found) {
        return Situation::kNoTracker;
    }
    if (yaws.count == 0) {
        return Situation::kNoPoses;
    }
    if (yaws.rawAlwaysZero) {
        return yaws.processedAlwaysZero ? Situation::kOnlyZeros : Situation::kRawZero;
    }
    if (yaws.sameEveryPose) {
        return Situation::kSameYaws;
    }
    const double rawShake = YawJitter(yaws.raw);
    const bool shaky = rawShake > kShakyRadians && rawShake > kShakierThan * YawJitter(yaws.processed);
    return fabs(RawYawBias(yaws)) > kOffCentreRadians || shaky ? Situation::kRawOffOrShaky : Situation::kYawsAgree;
}

Recommendation Recommend(Situation situation, int32_t source)
{
    for (const Row& row : kTable) {
        if (row.situation == situation && (row.source == -1 || row.source == source)) {
            return row.recommendation;
        }
    }
    return Recommendation{"", nullptr, false, false};
}

void PrintRecommendation(const Recommendation& recommendation)
{
    printf("%s\n", recommendation.says);
    if (recommendation.lines == nullptr) {
        return;
    }
    // Each line indented, as the player copies them.
    for (const char* line = recommendation.lines; *line != '\0';) {
        const char* end = line;
        while (*end != '\0' && *end != '\n') {
            ++end;
        }
        printf("  %.*s\n", static_cast<int>(end - line), line);
        line = *end == '\n' ? end + 1 : end;
    }
}
