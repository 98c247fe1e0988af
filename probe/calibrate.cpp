#include "probe/calibrate.h"

#include "probe/advice.h"
#include "probe/ini_file.h"
#include "probe/ini_report.h"
#include "probe/pose_sampling.h"
#include "probe/value_text.h"

#include <math.h>
#include <stdio.h>

namespace {

constexpr double kHoldSeconds = 1.0;
constexpr double kStillRadians = 2.0 / kDegreesPerRadian;  // a hold that spread more: the head moved
constexpr double kSmallestTurn = 3.0 / kDegreesPerRadian;
constexpr double kOffsetRounding = 0.0001;  // as written, and a float's own rounding
constexpr const char* kOffsetKeyName = "headviewing_offset";
constexpr const char* kMultiplierKeyName = "headviewing_multiplier";

bool NeedIni(const IniState& ini)
{
    if (ini.exists) {
        return true;
    }
    printf("No headview.ini at %s.\n", ini.path.c_str());
    if (!PrintNearMissIni(ini.path)) {
        printf("Run this from the game's folder, where headview.ini belongs, or give its place with --ini.\n");
    }
    return false;
}

bool OpenTracker(TrackerView* view)
{
    if (OpenTrackerView(view)) {
        return true;
    }
    PrintRecommendation(Recommend(Situation::kNoTracker, 0));
    printf("Nothing was written.\n");
    return false;
}

// Shows `request` and waits for a line on standard input.
bool Ask(const char* request)
{
    printf("%s\nPress Enter when ready.\n", request);
    fflush(stdout);
    char line[256];
    if (fgets(line, sizeof line, stdin) == nullptr) {
        printf("No answer. Nothing was written.\n");
        return false;
    }
    return true;
}

// The mean yaw of a one-second hold; false, having said why, when the hold
// gave no poses, the head moved, or the yaw followed cannot measure
// anything (the advice says what to change).
bool MeasureHold(const TrackerView& view, int32_t source, double* yaw)
{
    const YawPair yaws = SampleHold(view, kHoldSeconds);
    const Recommendation advice = Recommend(JudgeTracker(true, yaws), source);
    if (advice.measuresNothing) {
        PrintRecommendation(advice);
        printf("Nothing was written.\n");
        return false;
    }
    const YawStats& stats = SteeringYawStats(yaws, source);
    if (!isfinite(stats.sum)) {
        printf("The tracker's yaw is not a number. Nothing was written.\n");
        return false;
    }
    if (YawSpread(stats) > kStillRadians) {
        printf(
            "Your head moved by %.1f degrees during that second. Hold still and run this again.\n"
            "Nothing was written.\n",
            YawSpread(stats) * kDegreesPerRadian);
        return false;
    }
    *yaw = MeanYaw(stats);
    return true;
}

// Writes key=value; 0 when written, else 2, having said what to do by hand.
int Write(const IniState& ini, const char* key, const std::string& value)
{
    std::string error;
    if (!WriteIniValue(ini.path, key, value, &error)) {
        printf(
            "Could not change headview.ini safely: %s.\nIt is left as it was. To make the change by hand, put this "
            "line in it, under [Settings]:\n  %s=%s\n",
            error.c_str(), key, value.c_str());
        return 2;
    }
    printf("Written to %s:\n  %s=%s\n", ini.path.c_str(), key, value.c_str());
    return 0;
}

constexpr const char* kLookAhead = "Look straight ahead at the screen and hold still for a second.";
constexpr const char* kLookToTheSide =
    "Now turn your head to the left as far as you would to look out of the side window, and hold it there.";

// Reads the file, checks that it can be written and opens the tracker, all
// before any head hold: 0 when all is ready, else the exit code, having said
// why. A file whose `key` the probe cannot set safely is named now, and the
// line to put in by hand is given after the holds.
int Prepare(const std::string& iniPath, const char* key, const std::string& sampleValue, IniState* ini,
            TrackerView* view)
{
    *ini = ReadIni(iniPath);
    if (!NeedIni(*ini)) {
        return 2;
    }
    std::string error;
    if (!CheckIniWritable(ini->path, &error)) {
        printf("Cannot change headview.ini: %s.\nNothing was written.\n", error.c_str());
        return 2;
    }
    if (!CheckIniEditable(ini->path, key, sampleValue, &error)) {
        printf(
            "headview-probe cannot change this headview.ini safely: %s.\nIt will measure all the same and show "
            "the line to put in by hand.\n",
            error.c_str());
    }
    return OpenTracker(view) ? 0 : 1;
}

bool AskAndMeasure(const TrackerView& view, int32_t source, const char* request, double* yaw)
{
    return Ask(request) && MeasureHold(view, source, yaw);
}

const char* SourceName(int32_t source)
{
    return source == 1 ? "processed yaw (headviewing_source=1)" : "raw yaw (headviewing_source=0)";
}

}  // namespace

int RunCentre(const std::string& iniPath)
{
    IniState ini;
    TrackerView view;
    if (const int refused = Prepare(iniPath, kOffsetKeyName, "0.0", &ini, &view)) {
        return refused;
    }
    const int32_t source = ini.settings.source;
    printf("Centring the view on the %s.\n", SourceName(source));
    double yaw = 0.0;
    const bool measured = AskAndMeasure(view, source, kLookAhead, &yaw);
    CloseTrackerView(&view);
    if (!measured) {
        return 1;
    }
    std::string offset;
    float reads = 0.0f;
    if (!FormatOffsetValue(-yaw, &offset) || !ConvertFloatSettingText(offset.c_str(), offset.size(), &reads) ||
        fabs(reads + yaw) > kOffsetRounding) {
        printf("The tracker's yaw is out of range. Nothing was written.\n");
        return 1;
    }
    printf("Straight ahead your tracker reads %.2f degrees.\n", yaw * kDegreesPerRadian);
    return Write(ini, kOffsetKeyName, offset);
}

int RunGain(const std::string& iniPath, double degrees)
{
    IniState ini;
    TrackerView view;
    if (const int refused = Prepare(iniPath, kMultiplierKeyName, "27", &ini, &view)) {
        return refused;
    }
    const int32_t source = ini.settings.source;
    printf("Setting the gain so that a look out of the side window turns the camera %g degrees.\n", degrees);
    double ahead = 0.0, side = 0.0;
    const bool measured =
        AskAndMeasure(view, source, kLookAhead, &ahead) && AskAndMeasure(view, source, kLookToTheSide, &side);
    CloseTrackerView(&view);
    if (!measured) {
        return 1;
    }
    const double turn = fabs(side - ahead);
    if (turn < kSmallestTurn) {
        printf(
            "Your head turned only %.1f degrees: too little to measure. Turn further and run this again.\n"
            "Nothing was written.\n",
            turn * kDegreesPerRadian);
        return 1;
    }
    // The sign of the present gain decides which way the camera turns.
    const double magnitude = fmax(round(degrees / turn), 1.0);
    const int32_t gain = static_cast<int32_t>(ini.settings.multiplier < 0 ? -magnitude : magnitude);
    printf("Your head turned %.1f degrees (in the tracker's units, %.3f).\n", turn * kDegreesPerRadian, turn);
    return Write(ini, kMultiplierKeyName, FormatHexValue(gain));
}
