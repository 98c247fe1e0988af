#include "probe/judge.h"

#include "settings/heading.h"
#include "settings/utf8.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>

namespace {

constexpr double kTestTurn = 45.0 / kDegreesPerRadian;
constexpr double kCentredDegrees = 2.0;
constexpr double kShakyRadians = 0.1 / kDegreesPerRadian;  // less is not seen on screen
constexpr double kMovedRadians = 1.0 / kDegreesPerRadian;

const char* const kFallbacks[kSettingKeyCount] = {"1", "1", "23 (thirty-five)", "0.0", "0"};
const char* const kSuggested[kSettingKeyCount] = {"1", "0", "39", "0.0", "1"};
constexpr const char* kToProcessed = "headviewing_source=1\nheadviewing_offset=0.0";
const std::string kSaveAs = " In Notepad: File, Save as, Encoding \"ANSI\" (or \"UTF-16 LE\"), then Save.";

std::string Line(int key, const std::string& value)
{
    return std::string(kSettingKeys[key]) + "=" + value;
}

bool Converts(int key, const std::string& text)
{
    int32_t whole = 0;
    float offset = 0.0f;
    return key == kOffsetKey ? ConvertFloatSettingText(text.c_str(), text.size(), &offset)
                             : ConvertHexSettingText(text.c_str(), text.size(), &whole);
}

// The line as the player likely meant it: the value cut at a blank or a
// comment, a decimal comma made a point; else the value to suggest.
std::string Corrected(int key, std::string value)
{
    value = value.substr(0, value.find_first_of(" \t;#"));
    if (key == kOffsetKey && value.find(',') != std::string::npos) {
        value[value.find(',')] = '.';
    }
    for (const char* off : {"off", "no", "false"}) {  // the camera meant to be off stays off
        value = key == kEnabledKey && _stricmp(value.c_str(), off) == 0 ? "0" : value;
    }
    return Line(key, !value.empty() && Converts(key, value) ? value : kSuggested[key]);
}

// Why the reader returned no key at all, where the bytes tell; and the cure.
std::string WhyNoKeys(const IniFacts& ini, std::string* cure)
{
    *cure = ini.noSection || !ini.oddHeader.empty() ? "" : kSaveAs;
    if (ini.noSection) {
        *cure = " Copy it again from the headview zip, or put these lines in it:";
        return "headview.ini has no [Settings] line.";
    }
    if (ini.encoding == kUtf16Be) {
        return "headview.ini is saved as UTF-16 big-endian, which Windows' reader does not read.";
    }
    if (ini.markBeforeSection) {
        return "headview.ini starts with a UTF-8 mark right before [Settings], and Windows' reader does not see the "
               "section there.";
    }
    *cure = " Put the comment on a line of its own.";
    return ini.oddHeader.empty() ? ""
                                 : "The reader here takes " + ini.oddHeader +
                                       " for another section: Wine's "
                                       "reader ends a name at its last \"]\".";
}

void JudgeKey(const IniFacts& ini, int key, Findings* out)
{
    const std::string uses = std::string("headview uses ") + kFallbacks[key] +
                             (key == kSourceKey ? "" : " and logs an error line at each reading");
    const std::string &text = ini.present[key] ? ini.texts[key] : ini.nearMiss[key], &misplaced = ini.misplaced[key];
    if (!misplaced.empty() && ini.present[key]) {
        out->push_back({kFix, "The line " + misplaced + " is not read: headview takes " + Line(key, text) +
                                  " from the first [Settings] and reads no other line of that key. Delete the line "
                                  "you do not mean."});
    } else if (!misplaced.empty()) {
        out->push_back({kFix,
                        "The line " + misplaced + " stands " +
                            (ini.under[key].empty() ? "above every section" : "under " + ini.under[key]) +
                            ", where headview does not read it, so " + uses +
                            ". Move it below the first [Settings] line:",
                        misplaced});
    }
    if (ini.present[key] && !Converts(key, text)) {
        out->push_back({kFix, "headview cannot read " + Line(key, text) + ", so " + uses + ". Write it as:",
                        Corrected(key, text)});
    } else if (!ini.present[key] && misplaced.empty() && !text.empty()) {
        out->push_back(
            {kFix, "The line " + text + " looks like " + kSettingKeys[key] + " misspelt, so " + uses + ". Write it as:",
             Corrected(key, text.find('=') == std::string::npos ? "" : text.substr(text.find('=') + 1))});
    } else if (!ini.present[key] && misplaced.empty() && key != kSourceKey) {  // no source: read as always
        out->push_back({kFix,
                        "headview.ini has no " + std::string(kSettingKeys[key]) + " under [Settings], so " + uses +
                            ". Add this line under [Settings]:",
                        Line(key, kSuggested[key])});
    }
}

float HeadingAt(const Settings& settings, double yaw, double rawYaw)
{
    FTPose pose = {};
    pose.yaw = static_cast<float>(yaw);
    pose.rawYaw = static_cast<float>(rawYaw);
    return HeadingFor(settings, pose);
}

const struct {
    LogSetup setup;
    Mark mark;
    const char* says;
} kLogRows[] = {
    {kNoLog, kFix,
     "There is no headview.log: headview has not run in this folder since the log was last deleted, if ever. Start "
     "the game once; if there is still none, the ASI loader (dinput8.dll) did not load headview.asi, or the folder "
     "cannot be written to."},
    {kEmptyLog, kFix,
     "headview.log is empty: the game loaded headview.asi, but ScriptHookV never started its script. After a game "
     "update ScriptHookV must be updated too; then start the game again."},
    {kNoSetup, kFix, "headview.log shows that headview's script ran no frame: start the game again and load a game."},
    {kMadeByHeadview, kNote,
     "headview.log: no tracker ran when the game last started, so headview made the tracker's data itself; it picks "
     "up a tracker started later at the game's privilege level."},
    {kTrackerFound, kOk, "headview.log: the tracker's data was there when the game last started."},
    {kCannotOpen, kFix,
     "headview.log: when the game last ran, headview could not open the tracker's data and asked again every frame. "
     "Run the tracker and the game at the same privilege level (both as administrator or neither), then start the "
     "game again."},
};

const struct {
    Situation situation;
    int32_t source;  // -1: any
    Mark mark;
    const char* says;
    const char* lines = "";
} kTrackerRows[] = {
    {kNoTracker, -1, kStop,
     "No tracker is publishing FreeTrack data. Start your head tracker and turn on its FreeTrack output (in "
     "opentrack: Output \"freetrack 2.0 Enhanced\")."},
    {kNotAllowed, -1, kStop,
     "A tracker publishes FreeTrack data, but Windows does not let this program read it: run the tracker, the game "
     "and the probe all as administrator or none."},
    {kExited, -1, kStop, "Your tracker ended while the probe watched: its FreeTrack data is gone. Start it again."},
    {kNoPoses, -1, kStop,
     "The tracker's data is there, but no new head positions arrived: the tracker is paused or cannot see you (look "
     "at its camera view); or no tracker runs and the game made this empty data."},
    {kOnlyZeros, -1, kStop, "Your tracker sends every axis at zero: it is not tracking you. Start tracking in it."},
    {kHeldStill, -1, kFix,
     "Your tracker tracks you, but both yaws stayed at zero, within its dead zone. Turn your head left and right "
     "while the probe watches."},
    {kRawZero, 1, kOk,
     "Your tracker leaves the raw yaw at zero; headview follows the processed yaw (headviewing_source=1): fine."},
    {kRawZero, -1, kStop,
     "Your tracker leaves the raw yaw at zero, and headview follows the raw yaw, so the camera would not turn. Put "
     "this line under [Settings]:",
     "headviewing_source=1"},
    {kNotMoved, -1, kFix, "Nothing turned while the probe watched. Turn your head left and right while it watches."},
    {kSameYaws, -1, kOk, "Both yaws are the same: headviewing_source makes no difference with this tracker."},
    {kRawShaky, 1, kOk,
     "The raw yaw shakes; headview follows the processed yaw (headviewing_source=1), with your tracker's smoothing."},
    {kRawShaky, -1, kFix,
     "The raw yaw that headview follows shakes, where the processed yaw is steady. To follow the processed yaw, with "
     "your tracker's smoothing, put these lines under [Settings]:",
     kToProcessed},
};

// The two yaws compared by where the camera points while the head looks
// straight ahead (the tracker's centre key puts the processed yaw at zero
// there), following each, with the offset that is set.
Finding JudgeCentre(const TrackerFacts& f, const Settings& s)
{
    const double bias = f.rawMinusProcessed / f.poses;
    Settings followRaw = s, followProcessed = s;
    followRaw.source = 0;
    followProcessed.source = 1;
    const double raw = HeadingAt(followRaw, 0.0, bias), processed = HeadingAt(followProcessed, 0.0, bias);
    if (fabs(bias) * kDegreesPerRadian <= kCentredDegrees) {
        return {kOk, "Both yaws agree within 2 degrees and are steady: either headviewing_source works."};
    }
    const std::string says = "The raw yaw sits " + Plain(fabs(bias) * kDegreesPerRadian, 1) +
                             " degrees off the processed yaw: looking straight ahead, the camera turns " +
                             Plain(processed, 1) + " degrees following the processed yaw and " + Plain(raw, 1) +
                             " degrees following the raw yaw, which headview " +
                             (s.source == 1 ? "does not follow." : "follows.");
    if (s.source == 1 || fabs(raw) <= kCentredDegrees) {
        return {kNote, says};
    }
    return {kFix,
            says +
                " Run headview-probe --centre while you look straight ahead, or follow the processed yaw, "
                "centred by your tracker's centre key, with these lines:",
            kToProcessed};
}

// The findings that say something: a check with nothing to say gives none.
Findings Said(Findings findings)
{
    findings.erase(std::remove_if(findings.begin(), findings.end(), [](const Finding& f) { return f.says.empty(); }),
                   findings.end());
    return findings;
}

void Add(Findings* out, const Findings& more)
{
    out->insert(out->end(), more.begin(), more.end());
}

Findings JudgeFolder(const FolderFacts& f)
{
    const std::string folder = Path(f.judged), started = Path(f.startedIn);
    const std::string runThere =
        " Put headview-probe.exe in the game's folder, the one with the game's .exe and "
        "ScriptHookV.dll, and run it from there.";
    if (f.judged.empty()) {
        return {{kStop, (f.fromIni ? started + ", the folder given with --ini, is not the game's folder (it holds "
                                               "neither ScriptHookV.dll nor headview.asi): check that path."
                         : f.own != f.startedIn ? "Neither " + started + " nor " + Path(f.own) +
                                                      " is the game's folder: neither holds ScriptHookV.dll or "
                                                      "headview.asi." +
                                                      runThere
                                                : started +
                                                      " is not the game's folder: it holds neither "
                                                      "ScriptHookV.dll nor headview.asi." +
                                                      runThere)}};
    }
    return Said(
        {{kOk, f.scriptHook ? "The game's folder: " + folder : ""},
         {kNote, f.judged == f.startedIn ? ""
                                         : "headview-probe was started in " + started +
                                               ", which is not a game folder: it checked its own folder."},
         {kStop, f.scriptHook ? ""
                              : "ScriptHookV.dll is not in " + folder +
                                    ". If that is the game's folder "
                                    "(the one with the game's .exe), install ScriptHookV there; if not, put "
                                    "headview-probe.exe in the game's folder and run it from there."},
         {kStop, f.plugin ? "" : "headview.asi is not in the game's folder: copy it there from the headview zip."},
         {kStop, f.asiLoader ? ""
                             : "dinput8.dll, ScriptHookV's ASI loader that loads headview.asi, is not in "
                               "the game's folder: copy it there from the ScriptHookV zip."},
         {kNote, f.leftover ? "headview.ini.probe-new was left by a headview-probe that was stopped: the next "
                              "--centre or --gain removes it, or delete it."
                            : ""}});
}

Findings JudgeIni(const IniFacts& ini)
{
    const std::string path = Path(ini.path);
    if (ini.tooLong || !ini.exists || ini.isFolder) {
        return {{ini.isFolder ? kFix : kStop,
                 ini.tooLong ? path + " is " + std::to_string(ini.path.size()) +
                                   " characters long: headview finds "
                                   "its file only on a path of up to 259, and keeps the camera off. Move the game to a "
                                   "folder with a shorter path."
                 : ini.isFolder
                     ? path + " is a folder: headview reads it as a file without keys. Delete it and "
                              "copy headview.ini from the headview zip in its place."
                     : "There is no " + path + ", so headview keeps the camera off. " +
                           (ini.nearMissFile.empty() ? "Copy it there from the headview zip."
                                                     : "There is " + ini.nearMissFile +
                                                           ", whose end Windows hides: rename "
                                                           "it to headview.ini (in Explorer: View, tick \"File name "
                                                           "extensions\").")}};
    }
    Findings out;
    std::string cure, why = WhyNoKeys(ini, &cure), all = "[Settings]";
    for (int key = 0; key < kSettingKeyCount; ++key) {
        why = ini.present[key] ? "" : why;
        all += "\n" + Line(key, kSuggested[key]);
    }
    if (!why.empty()) {
        out.push_back({kFix,
                       why +
                           " So headview reads none of its keys and takes headviewing=1, headviewing_test=1, "
                           "headviewing_multiplier=23 (thirty-five) and headviewing_offset=0.0." +
                           cure,
                       ini.noSection ? all : ""});
    }
    for (int key = 0; key < kSettingKeyCount && why.empty(); ++key) {
        JudgeKey(ini, key, &out);
    }
    const Finding heading = DescribeHeading(ini.settings, ini.texts[kOffsetKey], ini.texts[kMultiplierKey]);
    out.push_back(
        ini.settings.enabled != 1
            ? Finding{kStop,
                      "headview.ini turns the camera off (headviewing=" + ini.texts[kEnabledKey] + "). To turn it on:",
                      "headviewing=1"}
        : heading.mark == kOk ? Finding{kOk, ""}
                              : Finding{kStop, heading.says + " Put this line under [Settings]:", heading.lines});
    const double offCentre = ini.settings.offset * static_cast<float>(ini.settings.multiplier);
    if (ini.settings.source == 1 && heading.mark == kOk && fabs(offCentre) > kCentredDegrees) {
        out.push_back({kNote,
                       "headviewing_offset=" + ini.texts[kOffsetKey] + " turns the view " + Plain(offCentre, 1) +
                           " degrees off centre, although headview follows the processed yaw, which your "
                           "tracker's centre key centres. For a centred view:",
                       "headviewing_offset=0.0"});
    }
    if (ini.settings.test == 1 && ini.present[kTestKey]) {
        out.push_back({kNote,
                       "headview reads headview.ini again on every frame (headviewing_test=1): fine while "
                       "tuning. For play:",
                       "headviewing_test=0"});
    }
    return Said(out);
}

Findings JudgeLog(const LogFacts& log, const IniFacts& ini, const FolderFacts& folder)
{
    Findings out;
    for (const auto& row : kLogRows) {
        if (row.setup == log.setup) {
            out.push_back({row.mark, row.says});
        }
    }
    if (log.setup == kNoLog && folder.wine && folder.plugin && folder.scriptHook && folder.asiLoader) {
        out.back().says +=
            " Under Proton, Wine loads its own dinput8.dll unless the game starts with the launch "
            "option WINEDLLOVERRIDES=\"dinput8=n,b\" %command% (Steam: the game's Properties, Launch "
            "options).";
    }
    bool keysRead = ini.exists && !ini.isFolder;
    for (int key = 0; key < kSettingKeyCount; ++key) {
        keysRead = keysRead && (ini.present[key] ? Converts(key, ini.texts[key]) : key == kSourceKey);
    }
    out.push_back({kNote, log.badKeys > 0 && keysRead ? "headview.log: when the game last ran, headview could not "
                                                        "read a key of headview.ini. It reads well now: start the "
                                                        "game again."
                                                      : ""});
    out.push_back({kNote, log.missingIni > 0 && ini.exists ? "headview.log: when the game last ran, headview.ini was "
                                                             "not in the game's folder. It is there now: start the "
                                                             "game again."
                                                           : ""});
    out.push_back({kNote, log.bytes <= 10 * 1048576 ? ""
                                                    : "headview.log is " + Plain(log.bytes / 1048576.0, 1) +
                                                          " MB, most of it the line \"" + log.repeated +
                                                          "\", written on every frame of a game run. You may delete "
                                                          "headview.log: headview starts a new one when the game "
                                                          "next starts."});
    return Said(out);
}

}  // namespace

std::string Path(const std::wstring& path)
{
    std::string text = Utf8FromWide(path);
    std::replace(text.begin(), text.end(), ' ', kKeptBlank);
    return text;
}

std::string Plain(double value, int decimals)
{
    char text[32] = "no usable number of";
    if (isfinite(value) && fabs(value) < 1e9) {
        snprintf(text, sizeof text, "%.*f", decimals, value + 0.0);
    }
    return text;
}

Finding DescribeHeading(const Settings& s, const std::string& offsetText, const std::string& gainText)
{
    const std::string offset = "headviewing_offset=" + offsetText, gain = "headviewing_multiplier=" + gainText;
    const float left = HeadingAt(s, -kTestTurn, -kTestTurn), right = HeadingAt(s, kTestTurn, kTestTurn);
    const float ahead = HeadingAt(s, 0.0, 0.0);
    if (!isfinite(left) || !isfinite(right)) {
        return {kStop,
                "The camera can never move: with " + offset + " and " + gain +
                    " the heading is no usable angle, so headview sends none.",
                "headviewing_offset=0.0"};
    }
    if (left == right) {
        return s.multiplier == 0 ? Finding{kStop,
                                           "A gain of 0 holds the camera straight ahead, wherever you look."
                                           "headviewing_multiplier=39"}
                                 : Finding{kStop,
                                           "The camera would not follow your head: " + offset +
                                               " is so large that a head turn is lost in it.",
                                           "headviewing_offset=0.0"};
    }
    if (fabs(s.offset) > kTestTurn && fmax(fabs(left), fabs(right)) > 180.0) {
        return {kStop,
                offset + " turns the camera " + Plain(ahead, 0) +
                    " degrees while you look straight ahead, "
                    "and a head turn past 180: it would spin round. The offset is in the tracker's unit, "
                    "radians for the common trackers.",
                "headviewing_offset=0.0"};
    }
    if (fmax(fabs(left), fabs(right)) > 180.0) {
        return {kStop,
                "With " + gain +
                    " a head turn of 45 degrees would turn the camera past 180 degrees: it would "
                    "spin round.",
                s.multiplier < 0 ? "headviewing_multiplier=-39" : "headviewing_multiplier=39"};
    }
    const bool decimalLooking = gainText.find_first_not_of("0123456789") == std::string::npos && s.multiplier >= 16;
    return {kOk, "A head turn of 45 degrees turns the camera " + Plain(fabs(right - ahead), 0) + " degrees" +
                     (decimalLooking ? " (" + gain + " is base 16: " + std::to_string(s.multiplier) + ")." : ".")};
}

bool RawYawShakes(const TrackerFacts& f)
{
    return YawJitter(f.raw) > kShakyRadians && YawJitter(f.raw) > 2.0 * YawJitter(f.processed);
}

Situation JudgeYaws(const TrackerFacts& f, const Settings& settings)
{
    const bool yawsZero = f.rawAlwaysZero && f.processedAlwaysZero;
    const bool notMoved = YawSpread(f.processed) < kMovedRadians && YawSpread(f.raw) < kMovedRadians;
    const bool shaky = RawYawShakes(f);
    // A raw yaw left at zero cannot steer, moved or not.
    return f.region == kAbsent                                      ? kNoTracker
           : f.region == kDenied                                    ? kNotAllowed
           : f.exited                                               ? kExited
           : f.poses == 0                                           ? kNoPoses
           : yawsZero && !f.otherAxesLive                           ? kOnlyZeros
           : f.longestStall >= 1.0                                  ? kStalled
           : yawsZero                                               ? kHeldStill
           : f.rawAlwaysZero && (settings.source != 1 || !notMoved) ? kRawZero
           : notMoved                                               ? kNotMoved
           : f.sameEveryPose                                        ? kSameYaws
           : shaky                                                  ? kRawShaky
                                                                    : kTracking;
}

Findings JudgeTracker(const TrackerFacts& f, const Settings& s, bool wine)
{
    const Situation situation = JudgeYaws(f, s);
    const std::string rate =
        "Your tracker sends " + Plain(f.published / f.sendingSeconds, 0) + " head positions a second";
    if (situation == kStalled) {
        return {{kFix, rate + ", but sent none for " + Plain(f.longestStall, 1) +
                           " seconds: it lost sight of you (look at its camera view), or was paused."}};
    }
    Findings out = {{kOk, situation > kStalled ? rate + "." : ""}};
    if (situation == kTracking) {
        out.push_back(JudgeCentre(f, s));
    }
    for (const auto& row : kTrackerRows) {
        if (row.situation == situation && (row.source == -1 || row.source == s.source)) {
            out.push_back({row.mark, row.says, row.lines});
            break;
        }
    }
    if (situation == kNoTracker && wine) {
        out.back().says +=
            " Under Wine or Proton, the tracker's Wine output must write into the game's prefix and "
            "the probe must run in that prefix too: for Steam, protontricks-launch --appid <the game's "
            "app id> headview-probe.exe; for a plain prefix, WINEPREFIX=<the game's prefix> wine "
            "headview-probe.exe.";
    }
    return Said(out);
}

Settings JudgedSettings(const Facts& f)
{
    Settings s = f.ini.settings;
    s.source = f.ini.exists && !f.ini.isFolder ? s.source : 1;  // the file to copy follows the processed yaw
    return s;
}

Findings JudgeAll(const Facts& f)
{
    Findings out = JudgeFolder(f.folder);
    if (!f.folder.judged.empty()) {
        Add(&out, JudgeIni(f.ini));
        Add(&out, JudgeLog(f.log, f.ini, f.folder));
    }
    if (f.watched) {
        Add(&out, JudgeTracker(f.tracker, JudgedSettings(f), f.folder.wine));
    }
    bool turns = f.ini.exists && !f.ini.tooLong && !f.ini.isFolder && f.ini.settings.enabled == 1;
    for (const Finding& finding : out) {
        turns = turns && finding.mark != kStop;
    }
    if (turns) {
        out.push_back(DescribeHeading(f.ini.settings, f.ini.texts[kOffsetKey], f.ini.texts[kMultiplierKey]));
    }
    return out;
}
