#include "probe/calibrate.h"

#include "probe/console.h"
#include "probe/report.h"

#include <windows.h>

#include <stdio.h>

#include <algorithm>

namespace {

constexpr double kStillRadians = 2.0 / kDegreesPerRadian;  // a hold that spread more: the head moved
const char* const kLookAhead = "Look straight ahead at the screen and hold still for a second.";

struct Session {
    std::wstring iniOption;
    Facts* facts;       // with the tracker's, once it gave a [stop]
    Findings findings;  // of the measuring
    bool refused;       // no file headview reads to write to: exit code 2
};

// The facts' findings and the session's; "Nothing was written." unless a value was `measured`.
Findings Close(const Session& s, bool measured)
{
    Findings all = JudgeAll(*s.facts);
    all.insert(all.end(), s.findings.begin(), s.findings.end());
    if (!measured) {
        Finding nothing = {kNote, "Nothing was written."};
        nothing.refused = s.refused;
        all.push_back(nothing);
    }
    return all;
}

// False when there is no file headview reads to write to, or no tracker;
// never a folder that is not the game's.
bool Prepare(Session* s)
{
    *s->facts = GatherSetUpFacts(s->iniOption);
    const IniFacts& ini = s->facts->ini;
    s->refused = s->facts->folder.judged.empty() || !ini.exists || ini.isFolder || ini.tooLong;
    if (s->refused) {
        return false;
    }
    s->facts->tracker = LookForTracker();
    s->facts->watched = s->facts->tracker.region != kOpen;  // the findings say why
    return !s->facts->watched;
}

// After Enter, the mean over a one-second hold of the yaw headview follows;
// false, with a finding saying why, when it measured nothing.
bool Measure(Session* s, const char* request, double* yaw)
{
    WriteOut(std::string(request) + "\nPress Enter when ready.\n");
    std::string line;
    if (!ReadLine(&line)) {
        s->findings.push_back({kFix,
                               "The input ended before Enter was pressed, so nothing was measured: run it "
                               "again, and press Enter when asked."});
        return false;
    }
    const Settings& settings = s->facts->ini.settings;
    const TrackerFacts hold = WatchTracker(1.0, settings, false, false);
    const Findings judged = JudgeTracker(hold, settings, s->facts->folder);
    if (HasMark(judged, kStop)) {
        s->facts->tracker = hold;
        s->facts->watched = true;
        return false;
    }
    const YawStats& stats = hold.Steering(settings.source);
    *yaw = stats.Mean();
    const bool usable = isfinite(*yaw) && fabs(*yaw) <= 1000.0, still = stats.Spread() <= kStillRadians;
    if (!usable) {
        s->findings.push_back({kFix, "The tracker's yaw is no usable angle: restart the tracker."});
    } else if (!still) {
        s->findings.push_back({kFix, "Your head moved by " + Plain(stats.Spread() * kDegreesPerRadian, 1) +
                                         " degrees during that second. Hold still and run this again."});
    }
    return usable && still;
}

// The value measured, as the change the player asked for, when `changed` follows the head.
Findings Measured(Session* s, const Settings& changed, SettingKey key, const std::string& value)
{
    const IniFacts& ini = s->facts->ini;
    std::string offset = ini.texts[kOffsetKey], gain = ini.texts[kMultiplierKey];
    if (key == kOffsetKey) {
        offset = value;
    } else {
        gain = value;
    }
    const Finding heading = DescribeHeading(changed, offset, gain);
    if (heading.mark != kOk) {
        std::string further;
        if (key == kMultiplierKey) {
            further = " Turn your head further, or ask for fewer degrees.";
        }
        s->findings.push_back({kFix, "The value measured: " + heading.says + further});
        return Close(*s, false);
    }
    Finding measured = {kOk, "Measured: " + LineOf({key, value}) + ". " + heading.says};
    measured.change = {Edit::kSetKeys, {{key, value}}};
    measured.asked = true;
    s->findings.push_back(measured);
    return Close(*s, true);
}

}  // namespace

Findings RunCentre(const std::wstring& iniOption, Facts* facts)
{
    Session s = {iniOption, facts, {}, false};
    double yaw = 0.0;
    if (!Prepare(&s) || !Measure(&s, kLookAhead, &yaw)) {
        return Close(s, false);
    }
    Settings changed = s.facts->ini.settings;
    if (changed.source == 1) {  // the tracker's centre key centres this yaw; an offset would fight it
        const bool centred = fabs(yaw) <= kStillRadians;
        s.findings.push_back(
            {centred ? kOk : kFix, "Straight ahead the processed yaw reads " + Plain(yaw * kDegreesPerRadian, 1) +
                                       " degrees. headview follows it (headviewing_source=1), so centring writes no "
                                       "offset: your tracker's centre key centres the view" +
                                       (centred ? "." : ". Press it while you look straight ahead.")});
        return Close(s, true);
    }
    std::string value = Plain(round(-yaw * 10000.0) / 10000.0, 4);  // far finer than an eye can see
    while (value.back() == '0' && value[value.size() - 2] != '.') {
        value.pop_back();
    }
    changed.offset = static_cast<float>(-yaw);
    return Measured(&s, changed, kOffsetKey, value);
}

Findings RunGain(const std::wstring& iniOption, double degrees, Facts* facts)
{
    Session s = {iniOption, facts, {}, false};
    double ahead = 0.0, side = 0.0;
    const char* const lookSide =
        "Now turn your head to the left as far as you would to look out of the side\nwindow, and hold it there.";
    if (!Prepare(&s) || !Measure(&s, kLookAhead, &ahead) || !Measure(&s, lookSide, &side)) {
        return Close(s, false);
    }
    const double turn = fabs(side - ahead);
    if (turn < 3.0 / kDegreesPerRadian) {
        s.findings.push_back({kFix, "Your head turned only " + Plain(turn * kDegreesPerRadian, 1) +
                                        " degrees: too little to measure. Turn further and run this again."});
        return Close(s, false);
    }
    // The sign of the present gain decides which way the camera turns.
    const double magnitude = fmin(fmax(round(degrees / turn), 1.0), 2147483647.0);
    Settings changed = s.facts->ini.settings;
    changed.multiplier = static_cast<int32_t>(changed.multiplier < 0 ? -magnitude : magnitude);
    char value[16];
    snprintf(value, sizeof value, "%s%X", changed.multiplier < 0 ? "-" : "", static_cast<unsigned>(magnitude));
    return Measured(&s, changed, kMultiplierKey, value);
}
