#include "probe/judge.h"

#include "settings/heading.h"
#include "settings/utf8.h"

#include <math.h>
#include <stdio.h>

namespace {

constexpr double kTestTurn = 45.0 / kDegreesPerRadian;
constexpr double kCentredDegrees = 2.0;
constexpr double kShakyRadians = 0.1 / kDegreesPerRadian;  // less is not seen on screen
constexpr double kMovedRadians = 1.0 / kDegreesPerRadian;
constexpr int64_t kLargeLogBytes = 10 * 1024 * 1024;

const char* const kFallbacks[kSettingKeyCount] = {"1", "1", "23 (thirty-five)", "0.0", "0"};
const char* const kSuggested[kSettingKeyCount] = {"1", "0", "39", "0.0", "1"};
constexpr const char* kToProcessed = "headviewing_source=1\nheadviewing_offset=0.0";
constexpr const char* kSaveAs = " In Notepad: File, Save as, Encoding \"ANSI\" (or \"UTF-16 LE\"), then Save.";

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

// The value as the player likely meant it: cut at a blank or a comment, a
// decimal comma made a point; else the value to suggest.
std::string Corrected(int key, std::string value)
{
    value = value.substr(0, value.find_first_of(" \t;#"));
    if (key == kOffsetKey && value.find(',') != std::string::npos) {
        value[value.find(',')] = '.';
    }
    return Line(key, !value.empty() && Converts(key, value) ? value : kSuggested[key]);
}

// Why the reader returned no key at all, where the bytes tell; nothing else.
std::string WhyNoKeys(const IniFacts& ini)
{
    return ini.noSection ? "headview.ini has no [Settings] line."
           : ini.encoding == kUtf16Be
               ? "headview.ini is saved as UTF-16 big-endian, which Windows' reader does not read." +
                     std::string(kSaveAs)
           : ini.markBeforeSection ? "headview.ini starts with a UTF-8 mark right before [Settings], where Windows' "
                                     "reader does not see the section." +
                                         std::string(kSaveAs)
           : !ini.oddHeader.empty() ? "The reader here takes the line " + ini.oddHeader +
                                          " for another section than [Settings] (Wine's reader ends a name at its "
                                          "last \"]\"): put the comment on a line of its own."
                                    : "";
}

void JudgeKey(const IniFacts& ini, int key, Findings* out)
{
    const std::string& text = ini.present[key] ? ini.texts[key] : ini.nearMiss[key];
    const std::string uses = std::string("headview uses ") + kFallbacks[key] +
                             (key == kSourceKey ? "" : " and logs an error line at each reading");
    if (ini.present[key] && !Converts(key, text)) {
        out->push_back({kFix, "headview cannot read " + Line(key, text) + ", so " + uses + ". Write it as:",
                        Corrected(key, text)});
    } else if (!ini.present[key] && !ini.misplaced[key].empty()) {
        out->push_back({kFix,
                        "The line " + ini.misplaced[key] + " stands " +
                            (ini.under[key].empty() ? "above every section" : "under " + ini.under[key]) +
                            ", and headview reads only the first [Settings], so " + uses + ". Move it there:",
                        ini.misplaced[key]});
    } else if (!ini.present[key] && !text.empty()) {
        out->push_back(
            {kFix, "The line " + text + " looks like " + kSettingKeys[key] + " misspelt, so " + uses + ". Write it as:",
             Corrected(key, text.substr(std::min(text.find('='), text.size() - 1) + 1))});
    } else if (!ini.present[key] && key != kSourceKey) {  // a file without the source reads as files always did
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
     "There is no headview.log: the game has not loaded headview.asi from this folder. Start the game once; if there "
     "is still none, the ASI loader (dinput8.dll) did not load it, or the folder cannot be written to."},
    {kEmptyLog, kFix,
     "headview.log is empty: the game loaded headview.asi, but ScriptHookV never started its script. After a game "
     "update ScriptHookV must be updated too; then start the game again."},
    {kNoSetup, kFix,
     "headview.log shows that headview's script ran no frame. Start the game again and load into a story or online "
     "session."},
    {kMadeByHeadview, kNote,
     "headview.log: no tracker ran when the game last started, so headview made the tracker's data itself. A tracker "
     "started later is picked up if it runs at the same privilege level as the game."},
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
    const char* lines;
} kTrackerRows[] = {
    {kNoTracker, -1, kStop,
     "No tracker is publishing FreeTrack data. Start your head tracker and turn on its FreeTrack output (in "
     "opentrack: Output \"freetrack 2.0 Enhanced\").",
     ""},
    {kNotAllowed, -1, kStop,
     "A tracker publishes FreeTrack data, but Windows does not let this program read it: the tracker runs as "
     "administrator and the probe does not, or the other way round. Run the tracker, the game and the probe all as "
     "administrator or none.",
     ""},
    {kExited, -1, kStop, "Your tracker ended while the probe watched: its FreeTrack data is gone. Start it again.", ""},
    {kNoPoses, -1, kStop,
     "The tracker's data is there, but no new head positions arrived: the tracker is paused or cannot find your face "
     "or markers (look at its camera view). If no tracker runs, the game made this empty data: start the tracker.",
     ""},
    {kOnlyZeros, -1, kStop,
     "Your tracker sends head positions with every axis at zero: it is not tracking you. Start tracking in it.", ""},
    {kHeldStill, -1, kFix,
     "Your tracker tracks you, but both yaws stayed at exactly zero, within its dead zone. Turn your head left and "
     "right while the probe watches.",
     ""},
    {kRawZero, 1, kOk,
     "Your tracker leaves the raw yaw at zero; headview follows the processed yaw (headviewing_source=1), which suits "
     "it.",
     ""},
    {kRawZero, -1, kStop,
     "Your tracker leaves the raw yaw at zero, and headview follows the raw yaw, so the camera would not turn. Put "
     "this line under [Settings]:",
     "headviewing_source=1"},
    {kNotMoved, -1, kFix, "Nothing turned while the probe watched. Turn your head left and right while it watches.",
     ""},
    {kSameYaws, -1, kOk, "Both yaws are the same: headviewing_source makes no difference with this tracker.", ""},
    {kRawShaky, 1, kOk,
     "The raw yaw shakes; headview follows the processed yaw (headviewing_source=1), with your tracker's smoothing.",
     ""},
    {kRawShaky, -1, kFix,
     "The raw yaw that headview follows shakes, where the processed yaw is steady. To follow the processed yaw, with "
     "your tracker's smoothing, put these lines under [Settings]:",
     kToProcessed},
};

// Where the camera points while the head looks straight ahead (the
// tracker's centre key puts the processed yaw at zero there): following the
// yaw set, and following the other.
Finding JudgeCentre(const TrackerFacts& f, const Settings& s)
{
    const double bias = f.rawMinusProcessed / f.poses;
    Settings other = s;
    other.source = s.source == 1 ? 0 : 1;
    const double now = HeadingAt(s, 0.0, bias), then = HeadingAt(other, 0.0, bias);
    const bool apart = fabs(bias) * kDegreesPerRadian > kCentredDegrees, processed = s.source == 1;
    const std::string says =
        apart ? "The raw yaw sits " + Plain(fabs(bias) * kDegreesPerRadian, 1) + " degrees off the processed yaw."
              : "Both yaws agree within 2 degrees and are steady.";
    const char* const yaws[] = {" following the raw yaw", " following the processed yaw"};
    if (fabs(now) <= kCentredDegrees) {
        return {kOk, says + (apart ? std::string(" headview looks ahead") + yaws[processed] + ", as now."
                                   : " Either headviewing_source works.")};
    }
    const std::string ahead = says + " Looking straight ahead, the camera turns " + Plain(now, 1) + " degrees" +
                              yaws[processed] + ", as now, and " + Plain(then, 1) + " degrees" + yaws[!processed] + ".";
    return processed ? Finding{kNote,
                               ahead +
                                   " headviewing_offset turns the view off centre, although your tracker's "
                                   "centre key centres the processed yaw. For a centred view:",
                               "headviewing_offset=0.0"}
                     : Finding{kFix,
                               ahead +
                                   " Run headview-probe --centre while you look straight ahead, or follow the "
                                   "processed yaw, centred by your tracker's centre key, with these lines:",
                               kToProcessed};
}

}  // namespace

std::string Plain(double value, int decimals)
{
    char text[32] = "no usable number of";
    if (isfinite(value) && fabs(value) < 1e9) {
        snprintf(text, sizeof text, "%.*f", decimals, value + 0.0);
    }
    return text;
}

Findings JudgeFolder(const FolderFacts& f)
{
    const std::string folder = Utf8FromWide(f.judged), started = Utf8FromWide(f.startedIn);
    if (f.judged.empty()) {
        return {{kStop, (f.own != f.startedIn ? "Neither " + started + " nor " + Utf8FromWide(f.own) +
                                                    " is the game's folder (neither holds ScriptHookV.dll or "
                                                    "headview.asi)."
                                              : started + " is not the game's folder (it holds neither "
                                                          "ScriptHookV.dll nor headview.asi).") +
                            " Put headview-probe.exe in the game's folder, the one with the game's .exe and "
                            "ScriptHookV.dll, and run it from there."}};
    }
    Findings out = {{kOk, "The game's folder: " + folder}};
    if (f.judged != f.startedIn) {
        out.push_back({kNote, "headview-probe was started in " + started +
                                  ", which is no game folder: it checked its own folder, " + folder + "."});
    }
    if (!f.plugin) {
        out.push_back({kStop, "headview.asi is not in the game's folder: copy it there from the headview zip."});
    }
    if (!f.scriptHook) {
        out.push_back({kStop, "ScriptHookV.dll is not in the game's folder: install ScriptHookV there."});
    }
    if (!f.asiLoader) {
        out.push_back({kStop,
                       "dinput8.dll, ScriptHookV's ASI loader that loads headview.asi, is not in the game's "
                       "folder: copy it there from the ScriptHookV zip."});
    }
    if (f.leftover) {
        out.push_back({kNote,
                       "headview.ini.probe-new was left by a headview-probe that was stopped: the next "
                       "--centre or --gain removes it, or delete it."});
    }
    return out;
}

Findings JudgeIni(const IniFacts& ini)
{
    const std::string path = Utf8FromWide(ini.path);
    if (ini.tooLong) {
        return {{kStop, path + " is " + std::to_string(ini.path.size()) +
                            " characters long: headview finds its file only on a path of up to 259, and keeps the "
                            "camera off. Move the game to a folder with a shorter path."}};
    }
    if (!ini.exists) {
        return {{kStop, "There is no " + path + ", so headview keeps the camera off. " +
                            (ini.nearMissFile.empty()
                                 ? "Copy it there from the headview zip."
                                 : "There is " + ini.nearMissFile +
                                       ", whose end Windows hides: rename it to "
                                       "headview.ini (in Explorer: View, tick \"File name extensions\").")}};
    }
    if (ini.isFolder) {
        return {{kFix, path + " is a folder: headview reads it as a file without keys. Delete it and copy "
                              "headview.ini from the headview zip in its place."}};
    }
    Findings out;
    bool any = false;
    std::string all = "[Settings]";
    for (int key = 0; key < kSettingKeyCount; ++key) {
        any = any || ini.present[key];
        all += "\n" + Line(key, kSuggested[key]);
    }
    const std::string why = any ? "" : WhyNoKeys(ini);
    if (!why.empty()) {
        out.push_back({kFix,
                       why + " So headview reads none of its keys and uses 1, 1, 23 and 0.0." +
                           (ini.noSection ? " Copy it again from the headview zip, or put these lines in it:" : ""),
                       ini.noSection ? all : ""});
    }
    for (int key = 0; key < kSettingKeyCount && why.empty(); ++key) {
        JudgeKey(ini, key, &out);
    }
    if (ini.settings.enabled != 1) {
        out.push_back({kStop,
                       "headview.ini turns the camera off (headviewing=" + ini.texts[kEnabledKey] + "). To turn it on:",
                       "headviewing=1"});
    } else if (JudgeHeading(ini.settings) != kFollows) {
        out.push_back(DescribeHeading(ini.settings, ini.texts[kOffsetKey]));
    }
    if (ini.settings.test == 1 && ini.present[kTestKey]) {
        out.push_back({kNote,
                       "headview reads headview.ini again on every frame (headviewing_test=1): fine while "
                       "tuning. For play:",
                       "headviewing_test=0"});
    }
    return out;
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
    bool keysRead = true;
    for (int key = 0; key < kSettingKeyCount; ++key) {
        keysRead = keysRead && (ini.present[key] ? Converts(key, ini.texts[key]) : key == kSourceKey);
    }
    if (log.badKeys > 0 && keysRead) {
        out.push_back({kNote,
                       "headview.log: when the game last ran, headview could not read a key of headview.ini. "
                       "It reads well now: start the game again."});
    }
    if (log.missingIni > 0 && ini.exists) {
        out.push_back({kNote,
                       "headview.log: when the game last ran, headview.ini was not in the game's folder. It is "
                       "there now: start the game again."});
    }
    if (log.bytes > kLargeLogBytes) {
        out.push_back({kNote, "headview.log is " + Plain(static_cast<double>(log.bytes) / 1048576.0, 1) +
                                  " MB, most of it the line \"" + log.repeated +
                                  "\", written on every frame of a game run. You may delete headview.log: headview "
                                  "starts a new one."});
    }
    return out;
}

Heading JudgeHeading(const Settings& settings)
{
    const float left = HeadingAt(settings, -kTestTurn, -kTestTurn), right = HeadingAt(settings, kTestTurn, kTestTurn);
    return !isfinite(left) || !isfinite(right)     ? kNeverFinite
           : left == right                         ? kFrozen
           : fmax(fabs(left), fabs(right)) > 180.0 ? kSpinning
                                                   : kFollows;
}

Finding DescribeHeading(const Settings& s, const std::string& offsetText)
{
    const std::string offset = "headviewing_offset=" + offsetText;
    switch (JudgeHeading(s)) {
    case kNeverFinite:
        return {kStop,
                "The camera can never move: with " + offset + " and a gain of " + std::to_string(s.multiplier) +
                    " the heading is no usable angle, so headview sends none.",
                "headviewing_offset=0.0"};
    case kFrozen:
        return s.multiplier == 0 ? Finding{kStop, "A gain of 0 holds the camera straight ahead, wherever you look.",
                                           "headviewing_multiplier=39"}
                                 : Finding{kStop,
                                           "The camera would not follow your head: " + offset +
                                               " is so large that a head turn is lost in it.",
                                           "headviewing_offset=0.0"};
    case kSpinning:
        return {kStop, "A head turn of 45 degrees would turn the camera past 180 degrees: it would spin round.",
                fabs(s.offset) > kTestTurn ? "headviewing_offset=0.0"
                : s.multiplier < 0         ? "headviewing_multiplier=-39"
                                           : "headviewing_multiplier=39"};
    default:
        return {kOk, "A head turn of 45 degrees turns the camera " +
                         Plain(fabs(HeadingAt(s, kTestTurn, kTestTurn) - HeadingAt(s, 0.0, 0.0)), 0) + " degrees."};
    }
}

Situation JudgeYaws(const TrackerFacts& f, const Settings& settings)
{
    const bool yawsZero = f.rawAlwaysZero && f.processedAlwaysZero;
    const bool notMoved = YawSpread(f.processed) < kMovedRadians && YawSpread(f.raw) < kMovedRadians;
    const bool shaky = YawJitter(f.raw) > kShakyRadians && YawJitter(f.raw) > 2.0 * YawJitter(f.processed);
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
    const std::string rate = "Your tracker sends " + Plain(static_cast<double>(f.published) / f.sendingSeconds, 0) +
                             " head positions a second";
    if (situation == kStalled) {
        return {{kFix, rate + ", but sent none for " + Plain(f.longestStall, 1) +
                           " seconds: it lost your face or markers (look at its camera view), or was paused."}};
    }
    Findings out;
    if (situation > kStalled) {
        out.push_back({kOk, rate + "."});
    }
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
    return out;
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
    const auto add = [&out](const Findings& more) { out.insert(out.end(), more.begin(), more.end()); };
    if (!f.folder.judged.empty()) {
        add(JudgeIni(f.ini));
        add(JudgeLog(f.log, f.ini, f.folder));
    }
    if (f.watched) {
        add(JudgeTracker(f.tracker, JudgedSettings(f), f.folder.wine));
    }
    const Settings& s = f.ini.settings;
    bool turns = f.ini.exists && !f.ini.tooLong && !f.ini.isFolder && s.enabled == 1 && JudgeHeading(s) == kFollows;
    for (const Finding& finding : out) {
        turns = turns && finding.mark != kStop;
    }
    const YawStats& yaw = SteeringYaw(f.tracker, s.source);
    const float low = HeadingAt(s, yaw.min, yaw.min), high = HeadingAt(s, yaw.max, yaw.max);
    if (turns) {
        out.push_back(DescribeHeading(s, f.ini.texts[kOffsetKey]));
    }
    if (turns && f.watched && yaw.count > 0) {
        out.push_back({kOk, "While the probe watched, the camera would have turned between " +
                                Plain(fmin(low, high), 1) + " and " + Plain(fmax(low, high), 1) + " degrees."});
    }
    return out;
}
