// --centre and --gain: a value for headview.ini measured from the player's
// head and written, the run's findings returned as the watch's are.
#include "probe/console.h"
#include "probe/edit.h"
#include "settings/utf8.h"

#include <math.h>
#include <stdio.h>

namespace {

constexpr double kStillRadians = 2.0 / kDegreesPerRadian;  // a hold that spread more: the head moved

struct Session {
    std::wstring iniOption;
    Facts facts;
    Findings findings;
};

// False, with the findings saying why, when there is nothing to write to
// that headview reads, or no tracker; never a folder that is not the game's.
bool Prepare(const std::wstring& iniOption, Session* s)
{
    s->iniOption = iniOption;
    s->facts = GatherSetUpFacts(iniOption);
    s->findings = JudgeAll(s->facts);
    const IniFacts& ini = s->facts.ini;
    const bool there = !s->facts.folder.judged.empty() && ini.exists && !ini.isFolder && !ini.tooLong;
    if (!there || ini.readOnly) {  // the findings say why, but of a read-only file
        s->findings.push_back({ini.readOnly ? kFix : kNote,
                               "Nothing was written" + (there ? " to headview.ini: " + WhyNotEditable(ini) : "") + ".",
                               "", true});
        return false;
    }
    const FTPose* view = nullptr;
    TrackerFacts tracker = {};
    tracker.region = OpenTrackerView(&view);
    CloseTrackerView(&view);
    if (tracker.region != kOpen) {
        const Findings found = JudgeTracker(tracker, ini.settings, s->facts.folder.wine);
        s->findings.insert(s->findings.end(), found.begin(), found.end());
        s->findings.push_back({kNote, "Nothing was written."});
    }
    return tracker.region == kOpen;
}

// After Enter, the mean over a one-second hold of the yaw headview follows;
// false, with a finding saying why, when it measured nothing.
bool Measure(Session* s, const char* request, double* yaw)
{
    WriteOut(std::string(request) + "\nPress Enter when ready.\n");
    std::string line;
    const Settings& settings = s->facts.ini.settings;
    if (!ReadLine(&line)) {
        s->findings.push_back({kFix, "No answer. Nothing was written."});
        return false;
    }
    const TrackerFacts hold = WatchTracker(1.0, settings, false, false);
    for (const Finding& f : JudgeTracker(hold, settings, false)) {
        if (f.mark == kStop) {
            s->findings.insert(s->findings.end(), {f, {kNote, "Nothing was written."}});
            return false;
        }
    }
    const YawStats& stats = SteeringYaw(hold, settings.source);
    *yaw = MeanYaw(stats);
    const bool usable = isfinite(*yaw) && fabs(*yaw) < 1000.0, still = YawSpread(stats) <= kStillRadians;
    if (!usable || !still) {
        s->findings.push_back({kFix, !usable ? "The tracker's yaw is no usable angle: restart the tracker. Nothing "
                                               "was written."
                                             : "Your head moved by " + Plain(YawSpread(stats) * kDegreesPerRadian, 1) +
                                                   " degrees during that second. Hold still and run this again. "
                                                   "Nothing was written."});
    }
    return usable && still;
}

// Writes key=value when `changed` follows the head; the findings are then
// those of the file as it is after.
Findings Write(Session* s, const Settings& changed, SettingKey key, const std::string& value)
{
    const std::string line = std::string(kSettingKeys[key]) + "=" + value;
    const std::string offset = key == kOffsetKey ? value : s->facts.ini.texts[kOffsetKey];
    std::string error = WhyNotEditable(s->facts.ini);
    bool leftover = false;
    const Finding heading = DescribeHeading(changed, offset);
    if (heading.mark != kOk) {
        s->findings.push_back({kFix, "With the value measured: " + heading.says + " Nothing was written."});
    } else if (!error.empty() || !WriteIniValue(s->facts.ini.path, key, value, &leftover, &error)) {
        s->findings.push_back(
            {kFix,
             "headview-probe could not change headview.ini safely: " + error +
                 ". It is left as it was. To make the change by hand, put this line under [Settings]:",
             line, true});
    } else {
        s->findings = JudgeAll(GatherSetUpFacts(s->iniOption));
        s->findings.push_back(
            {kOk,
             (leftover ? "Removed headview.ini.probe-new, left by a headview-probe that was stopped. " : "") +
                 std::string("Written to ") + Utf8FromWide(s->facts.ini.path) +
                 (changed.test == 1 ? ", and headview reads it at once (headviewing_test=1):"
                                    : "; headview reads headview.ini when the game starts (headviewing_test=0), so "
                                      "start the game again for the change to count:"),
             line});
    }
    return s->findings;
}

}  // namespace

Findings RunCentre(const std::wstring& iniOption)
{
    Session s = {};
    double yaw = 0.0;
    if (!Prepare(iniOption, &s) ||
        !Measure(&s, "Look straight ahead at the screen and hold still for a second.", &yaw)) {
        return s.findings;
    }
    Settings changed = s.facts.ini.settings;
    if (changed.source == 1) {  // the tracker's centre key centres this yaw; an offset would fight it
        const bool centred = fabs(yaw) <= kStillRadians;
        s.findings.push_back(
            {centred ? kOk : kFix, "Straight ahead the processed yaw reads " + Plain(yaw * kDegreesPerRadian, 2) +
                                       " degrees. headview follows it (headviewing_source=1), so --centre writes no "
                                       "offset: your tracker's centre key centres the view" +
                                       (centred ? "." : ". Press it while you look straight ahead.")});
        return s.findings;
    }
    char offset[64];  // rounded to 0.0001, far below what an eye can see
    snprintf(offset, sizeof offset, "%.4f", round(-yaw * 10000.0) / 10000.0 + 0.0);
    std::string value = offset;
    value.erase(value.find_last_not_of('0') + 1);
    changed.offset = static_cast<float>(-yaw);
    return Write(&s, changed, kOffsetKey, value.back() == '.' ? value + "0" : value);
}

Findings RunGain(const std::wstring& iniOption, double degrees)
{
    Session s = {};
    double ahead = 0.0, side = 0.0;
    if (!Prepare(iniOption, &s) ||
        !Measure(&s, "Look straight ahead at the screen and hold still for a second.", &ahead) ||
        !Measure(&s,
                 "Now turn your head to the left as far as you would to look out of the side window, and hold "
                 "it there.",
                 &side)) {
        return s.findings;
    }
    const double turn = fabs(side - ahead);
    if (turn < 3.0 / kDegreesPerRadian) {
        s.findings.push_back({kFix, "Your head turned only " + Plain(turn * kDegreesPerRadian, 1) +
                                        " degrees: too little to measure. Turn further and run this again. Nothing "
                                        "was written."});
        return s.findings;
    }
    // The sign of the present gain decides which way the camera turns.
    const double magnitude = fmin(fmax(round(degrees / turn), 1.0), 2147483647.0);
    Settings changed = s.facts.ini.settings;
    changed.multiplier = static_cast<int32_t>(changed.multiplier < 0 ? -magnitude : magnitude);
    char value[16];
    snprintf(value, sizeof value, "%s%X", changed.multiplier < 0 ? "-" : "", static_cast<unsigned>(magnitude));
    return Write(&s, changed, kMultiplierKey, value);
}
