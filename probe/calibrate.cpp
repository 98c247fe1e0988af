#include "probe/calibrate.h"

#include "probe/console.h"
#include "probe/ini_file.h"
#include "probe/ini_text.h"
#include "probe/report.h"
#include "probe/setup_facts.h"
#include "probe/tracker_watch.h"

#include <math.h>

namespace {

constexpr double kHoldSeconds = 1.0;
constexpr double kStillRadians = 2.0 / kDegreesPerRadian;  // a hold that spread more: the head moved
constexpr double kCentredRadians = 2.0 / kDegreesPerRadian;
constexpr double kSmallestTurn = 3.0 / kDegreesPerRadian;
constexpr double kOffsetRounding = 0.0001;  // as written, and a float's own rounding

constexpr const char* kLookAhead = "Look straight ahead at the screen and hold still for a second.";
constexpr const char* kLookToTheSide =
    "Now turn your head to the left as far as you would to look out of the side window, and hold it there.";

struct Session {
    IniFacts ini;
    Findings findings;
    TrackerView view;
    std::string notEditable;  // why the probe cannot edit the file safely; empty when it can
};

void Add(Session* s, Mark mark, const std::string& says, const std::string& lines = "")
{
    s->findings.push_back({Check::kMeasure, mark, says, lines});
}

// The facts, the file and the tracker, all before any head hold: 0 when all
// is ready, else the exit code, the report printed. A file whose `key` the
// probe cannot set safely is named now; the line to put in by hand follows
// the holds.
int Prepare(const std::string& iniPath, SettingKey key, const std::string& sampleValue, Session* s)
{
    const SetUpFacts facts = GatherSetUpFacts(iniPath);
    s->ini = facts.ini;
    s->findings = JudgeSetUp(facts);
    std::string error;
    if (!CheckIniWritable(s->ini, &error)) {
        Add(s, Mark::kStop, "Cannot change headview.ini: " + error + ". Nothing was written.");
        Report(s->findings);
        return 2;
    }
    if (!CheckIniEditable(s->ini.path, key, sampleValue, &error)) {
        s->notEditable = error;
        Print(
            "headview-probe cannot change this headview.ini safely: %s.\nIt measures all the same and shows the "
            "line to put in by hand.\n",
            error.c_str());
    }
    TrackerFacts tracker = {};
    tracker.region = OpenTrackerView(&s->view);
    if (tracker.region != Region::kOpen) {
        const Findings found = JudgeTracker(tracker, s->ini);
        s->findings.insert(s->findings.end(), found.begin(), found.end());
        Add(s, Mark::kNote, "Nothing was written.");
        return Report(s->findings);
    }
    return 0;
}

// Shows `request`, waits for Enter and measures a one-second hold: the mean
// of the yaw headview follows. False, with a finding saying why, when there
// was no answer, the yaw can measure nothing, or the head moved.
bool AskAndMeasure(Session* s, const char* request, double* yaw)
{
    Print("%s\nPress Enter when ready.\n", request);
    std::string line;
    if (!ReadLine(&line)) {
        Add(s, Mark::kFix, "No answer. Nothing was written.");
        return false;
    }
    const TrackerFacts hold = SampleHold(s->view, kHoldSeconds);
    const Recommendation advice = Recommend(JudgeYaws(hold, s->ini.settings), s->ini.settings.source);
    const YawStats& stats = SteeringYawStats(hold, s->ini.settings.source);
    if (advice.mark == Mark::kStop) {
        s->findings.push_back({Check::kYaws, advice.mark, advice.says, advice.lines != nullptr ? advice.lines : ""});
        Add(s, Mark::kNote, "Nothing was written.");
    } else if (!isfinite(stats.sum)) {
        Add(s, Mark::kFix, "The tracker's yaw is not a number: restart the tracker. Nothing was written.");
    } else if (YawSpread(stats) > kStillRadians) {
        Add(s, Mark::kFix,
            Format("Your head moved by %.1f degrees during that second. Hold still and run this again.\n"
                   "Nothing was written.",
                   YawSpread(stats) * kDegreesPerRadian));
    } else {
        *yaw = MeanYaw(stats);
        return true;
    }
    return false;
}

// Refuses settings that would freeze or spin the camera: false, with the
// finding, when `changed` does not follow the head.
bool FollowsTheHead(Session* s, const Settings& changed)
{
    IniFacts ini = s->ini;
    ini.settings = changed;
    const Heading heading = JudgeHeading(changed);
    if (heading == Heading::kFollows) {
        return true;
    }
    Finding f = DescribeHeading(heading, ini);
    f.says = "With the value measured: " + f.says + "\nNothing was written.";
    f.lines.clear();
    s->findings.push_back(f);
    return false;
}

// Writes key=value and reports the file as it is then: the exit code, 2
// when the file could not be changed safely.
int Write(Session* s, SettingKey key, const std::string& value)
{
    const std::string line = std::string(kSettingKeys[key]) + "=" + value;
    std::string converted, error = s->notEditable;
    if (!error.empty() || !WriteIniValue(s->ini.path, key, value, &converted, &error)) {
        Add(s, Mark::kFix,
            "Could not change headview.ini safely: " + error +
                ".\nIt is left as it was. To make the change by hand, put this line in it, under [Settings]:",
            line);
        Report(s->findings);
        return 2;
    }
    const SetUpFacts now = GatherSetUpFacts(s->ini.path);
    Findings findings = JudgeSetUp(now);
    findings.push_back(DescribeWrite(now.ini, line, converted));
    return Report(findings);
}

}  // namespace

int RunCentre(const std::string& iniPath)
{
    Session s = {};
    if (const int refused = Prepare(iniPath, kOffsetKey, "0.0", &s)) {
        return refused;
    }
    const Settings settings = s.ini.settings;
    const bool processed = settings.source == 1;
    Print("Centring the view on the %s yaw (headviewing_source=%d).\n", processed ? "processed" : "raw",
          settings.source);
    double yaw = 0.0;
    const bool measured = AskAndMeasure(&s, kLookAhead, &yaw);
    CloseTrackerView(&s.view);
    if (!measured) {
        return Report(s.findings);
    }
    if (processed) {
        // The tracker's own centre key centres this yaw; an offset would fight it.
        const bool centred = fabs(yaw) <= kCentredRadians;
        Add(&s, centred ? Mark::kOk : Mark::kFix,
            Format("Straight ahead the processed yaw reads %.2f degrees%s. headview follows it, and with\n"
                   "headviewing_source=1 --centre writes no offset: your tracker's centre key centres the view%s.",
                   yaw * kDegreesPerRadian, centred ? ": centred" : "",
                   centred ? "" : " (press it while you look ahead)"));
        return Report(s.findings);
    }
    std::string offset;
    Settings changed = settings;
    if (!OffsetValueText(-yaw, &offset) || !ConvertFloatSettingText(offset.c_str(), offset.size(), &changed.offset) ||
        fabs(changed.offset + yaw) > kOffsetRounding) {
        Add(&s, Mark::kFix, "The tracker's yaw is out of range. Nothing was written.");
        return Report(s.findings);
    }
    Print("Straight ahead your tracker reads %.2f degrees.\n", yaw * kDegreesPerRadian);
    return FollowsTheHead(&s, changed) ? Write(&s, kOffsetKey, offset) : Report(s.findings);
}

int RunGain(const std::string& iniPath, double degrees)
{
    Session s = {};
    if (const int refused = Prepare(iniPath, kMultiplierKey, "27", &s)) {
        return refused;
    }
    Print("Setting the gain so that a look out of the side window turns the camera %g degrees.\n", degrees);
    double ahead = 0.0, side = 0.0;
    const bool measured = AskAndMeasure(&s, kLookAhead, &ahead) && AskAndMeasure(&s, kLookToTheSide, &side);
    CloseTrackerView(&s.view);
    if (!measured) {
        return Report(s.findings);
    }
    const double turn = fabs(side - ahead);
    if (turn < kSmallestTurn) {
        Add(&s, Mark::kFix,
            Format("Your head turned only %.1f degrees: too little to measure. Turn further and run "
                   "this again.\nNothing was written.",
                   turn * kDegreesPerRadian));
        return Report(s.findings);
    }
    // The sign of the present gain decides which way the camera turns.
    const double magnitude = fmin(fmax(round(degrees / turn), 1.0), 2147483647.0);
    Settings changed = s.ini.settings;
    changed.multiplier = static_cast<int32_t>(s.ini.settings.multiplier < 0 ? -magnitude : magnitude);
    Print("Your head turned %.1f degrees (in the tracker's units, %.3f).\n", turn * kDegreesPerRadian, turn);
    return FollowsTheHead(&s, changed) ? Write(&s, kMultiplierKey, HexValueText(changed.multiplier))
                                       : Report(s.findings);
}
