#include "probe/judge.h"

#include "probe/ini_file.h"
#include "probe/ini_text.h"
#include "probe/tracker_watch.h"
#include "settings/heading.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>

namespace {

constexpr double kTestTurn = 45.0 / kDegreesPerRadian;  // a head turn each way
constexpr double kLargestHeading = 180.0;               // past it the camera spins round
constexpr double kOffCentreRadians = 2.0 / kDegreesPerRadian;
constexpr double kShakyRadians = 0.1 / kDegreesPerRadian;  // a shake below this is not seen on screen
constexpr double kShakierThan = 2.0;                       // times the processed yaw's shake
constexpr double kMovedRadians = 1.0 / kDegreesPerRadian;  // a yaw that moved less stood still
constexpr double kStallSeconds = 1.0;
constexpr int64_t kLargeLogBytes = 10 * 1024 * 1024;

// What headview uses for a key it cannot read, and a value to suggest.
const char* const kFallbackText[kSettingKeyCount] = {"1", "1", "23 (thirty-five)", "0.0", "0"};
const char* const kSuggested[kSettingKeyCount] = {"1", "0", "39", "0.0", "1"};

constexpr const char* kSaveAs = "In Notepad: File, Save as, Encoding \"ANSI\" (or \"UTF-16 LE\"), then Save.";

bool Converts(SettingKey key, const std::string& text)
{
    int32_t whole = 0;
    float offset = 0.0f;
    return key == kOffsetKey ? ConvertFloatSettingText(text.c_str(), text.size(), &offset)
                             : ConvertHexSettingText(text.c_str(), text.size(), &whole);
}

// The line as the player most likely meant it: cut at a blank or a comment,
// a decimal comma made a point; else the suggested value.
std::string CorrectedLine(SettingKey key, const std::string& text)
{
    std::string value = text.substr(0, text.find_first_of(" \t;#"));
    if (key == kOffsetKey && value.find(',') != std::string::npos) {
        value[value.find(',')] = '.';
    }
    if (value.empty() || !Converts(key, value)) {
        value = kSuggested[key];
    }
    return std::string(kSettingKeys[key]) + "=" + value;
}

void JudgeKeys(const IniFacts& ini, Findings* out)
{
    for (int i = 0; i < kSettingKeyCount; ++i) {
        const SettingKey key = static_cast<SettingKey>(i);
        const std::string& text = ini.texts[key];
        if (ini.present[key] ? Converts(key, text) : key == kSourceKey) {
            continue;
        }
        out->push_back({Check::kIniKey, Mark::kFix,
                        ini.present[key] ? Format("headview cannot read %s=%s, so it uses %s instead, and logs an "
                                                  "error line at each reading. Write it as:",
                                                  kSettingKeys[key], text.c_str(), kFallbackText[key])
                                         : Format("headview.ini has no %s, so headview uses %s, and logs an error "
                                                  "line at each reading. Add this line under [Settings]:",
                                                  kSettingKeys[key], kFallbackText[key]),
                        CorrectedLine(key, text)});
    }
}

Finding JudgeWindowsReading(const IniFacts& ini)
{
    switch (ini.windows) {
    case WindowsReading::kMarkBeforeSection:
        return {Check::kIniWindows, Mark::kFix,
                Format("Windows does not see the [Settings] line right after the UTF-8 mark this file starts "
                       "with,\nso headview reads none of its keys and uses 1, 1, 23 and 0.0. %s",
                       kSaveAs),
                ""};
    case WindowsReading::kBigEndian:
        return {Check::kIniWindows, Mark::kFix,
                Format("headview.ini is saved as UTF-16 big-endian, which Windows does not read: headview uses\n"
                       "1, 1, 23 and 0.0. %s",
                       kSaveAs),
                ""};
    case WindowsReading::kBracketInHeader:
        return {Check::kIniWindows, Mark::kNote,
                "The line " + ini.header +
                    " is read as [Settings] by Windows, but not by other\n"
                    "readers, and the probe will not edit the file: put the comment on a line of its own.",
                ""};
    default:
        return {Check::kIniWindows, Mark::kOk, "", ""};
    }
}

Finding JudgeIniFile(const IniFacts& ini)
{
    const char* const path = ini.path.c_str();
    if (ini.isFolder) {
        return {Check::kIniFile, Mark::kFix,
                Format("%s is a folder, not a file: headview reads it as a file without keys.\nDelete that folder "
                       "and copy headview.ini from the headview zip in its place.",
                       path),
                ""};
    }
    if (!ini.exists) {
        return {Check::kIniFile, Mark::kStop,
                ini.nearMiss.empty()
                    ? Format("No headview.ini at %s, so headview keeps the camera off. Copy it there\nfrom the "
                             "headview zip, or give its place with --ini.",
                             path)
                    : Format("No headview.ini at %s, so headview keeps the camera off. There is a file\nnamed %s "
                             "beside it: Windows hides the end of its name. Rename it to headview.ini\n(in "
                             "Explorer: View, then tick \"File name extensions\", then rename it).",
                             path, ini.nearMiss.c_str()),
                ""};
    }
    const Settings& s = ini.settings;
    return {Check::kIniFile, Mark::kOk,
            Format("headview.ini at %s: follows the %s yaw (headviewing_source=%d), offset %g, gain %d "
                   "(headviewing_multiplier=%s)",
                   ini.path.c_str(), s.source == 1 ? "processed" : "raw", s.source, static_cast<double>(s.offset),
                   s.multiplier, HexValueText(s.multiplier).c_str()),
            ""};
}

void JudgeSettings(const IniFacts& ini, Findings* out)
{
    const Settings& s = ini.settings;
    if (s.enabled != 1) {
        out->push_back({Check::kCameraOn, Mark::kStop,
                        Format("headview.ini turns the camera off (headviewing=%s). To turn it on:",
                               HexValueText(s.enabled).c_str()),
                        "headviewing=1"});
        return;
    }
    out->push_back(DescribeHeading(JudgeHeading(s), ini));
    if (s.test == 1 && ini.present[kTestKey]) {  // a missing key is named already
        out->push_back({Check::kReload, Mark::kNote,
                        "headview reads headview.ini again on every frame (headviewing_test=1): fine while\n"
                        "tuning. For play:",
                        "headviewing_test=0"});
    }
    if (s.source == 1 && s.offset != 0.0f) {
        out->push_back({Check::kOffset, Mark::kNote,
                        "headviewing_offset turns the view off centre, although headview follows the processed\n"
                        "yaw, which your tracker's centre key centres. For a centred view:",
                        "headviewing_offset=0.0"});
    }
}

Finding Missing(Check check, const std::string& folder, const char* what)
{
    return {check, Mark::kStop, Format(what, folder.c_str()), ""};
}

void JudgeFolder(const FolderFacts& f, const std::string& folder, Findings* out)
{
    if (!f.plugin) {
        out->push_back(
            Missing(Check::kPlugin, folder, "headview.asi is not in %s: copy it there from the headview zip."));
    }
    if (!f.scriptHook) {
        out->push_back(Missing(Check::kScriptHook, folder, "ScriptHookV.dll is not in %s: install ScriptHookV there."));
    }
    if (!f.asiLoader) {
        out->push_back(Missing(Check::kAsiLoader, folder,
                               "dinput8.dll is not in %s: it is ScriptHookV's ASI loader, which loads headview.asi.\n"
                               "Copy it there from the ScriptHookV zip."));
    }
    if (f.plugin && f.scriptHook && f.asiLoader) {
        out->push_back(
            Missing(Check::kPlugin, folder, "headview.asi, ScriptHookV.dll and its ASI loader dinput8.dll are in %s"));
        out->back().mark = Mark::kOk;
    }
}

struct LogRow {
    LogSetup setup;
    Mark mark;
    const char* says;
};

const LogRow kLogRows[] = {
    {LogSetup::kAbsent, Mark::kFix,
     "There is no headview.log: the game has not loaded headview.asi from this folder. Start the game\n"
     "once; if there is still none, the ASI loader (dinput8.dll) did not load it, or the folder\n"
     "cannot be written to."},
    {LogSetup::kEmpty, Mark::kFix,
     "headview.log is empty: the game loaded headview.asi, but ScriptHookV never started its script.\n"
     "After a game update, ScriptHookV must be updated too."},
    {LogSetup::kNoSetup, Mark::kFix,
     "headview.log shows no look for the tracker's data: headview's script has not run in the game yet.\n"
     "Load into the game once."},
    {LogSetup::kMadeByHeadview, Mark::kNote,
     "headview.log: when the game last started, no tracker was running, so headview made the\n"
     "tracker's data itself. A tracker started later is picked up, if it runs at the same\n"
     "privilege level as the game."},
    {LogSetup::kTrackerFound, Mark::kOk, "headview.log: the tracker's data was there when the game last started."},
    {LogSetup::kCannotOpen, Mark::kFix,
     "headview.log: headview could not open the tracker's data, and asks again on every frame.\n"
     "Run the tracker and the game at the same privilege level (both as administrator or neither),\n"
     "or close the program that holds the name FT_SharedMem, then restart the tracker."},
};

void JudgeLog(const LogFacts& log, bool keysUnreadable, Findings* out)
{
    for (const LogRow& row : kLogRows) {
        if (row.setup == log.setup) {
            out->push_back({Check::kLog, row.mark, row.says, ""});
        }
    }
    const char* now = keysUnreadable ? "" : " headview.ini reads well now: start the game again.";
    if (log.settingsErrorsSince > 0) {
        out->push_back({Check::kLogSettings, Mark::kNote,
                        Format("headview.log: headview re-read headview.ini on every frame and could not read a key "
                               "each time.%s",
                               now),
                        ""});
    } else if (log.settingsErrorsAtStart > 0) {
        out->push_back({Check::kLogSettings, Mark::kNote,
                        Format("headview.log: a key in headview.ini could not be read when the game started.%s", now),
                        ""});
    }
    if (log.missingIniSince > 0 || log.missingIniAtStart > 0) {
        out->push_back(
            {Check::kLogSettings, Mark::kNote,
             log.missingIniSince > 0
                 ? "headview.log: headview.ini went missing while the game ran; headview kept the last values."
                 : "headview.log: headview.ini was not in the game's working folder when the game started.",
             ""});
    }
    if (log.bytes > kLargeLogBytes) {
        out->push_back({Check::kLogSize, Mark::kNote,
                        Format("headview.log is %.1f MB: it grows by a line on every frame while headviewing_test=1\n"
                               "and a key is unreadable or headview.ini is missing. Fix that, then delete it.",
                               static_cast<double>(log.bytes) / (1024.0 * 1024.0)),
                        ""});
    }
}

float HeadingAt(const Settings& settings, double yaw)
{
    FTPose pose = {};
    pose.yaw = pose.rawYaw = static_cast<float>(yaw);
    return HeadingFor(settings, pose);
}

}  // namespace

std::string Format(const char* format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

Findings JudgeSetUp(const SetUpFacts& facts)
{
    const IniFacts& ini = facts.ini;
    Findings out = {JudgeIniFile(ini)};
    const bool unreadable =
        ini.windows == WindowsReading::kMarkBeforeSection || ini.windows == WindowsReading::kBigEndian;
    if (ini.exists && !ini.isFolder) {
        out.push_back(JudgeWindowsReading(ini));
        if (!unreadable) {  // else every key is named by the one finding
            JudgeKeys(ini, &out);
        }
        JudgeSettings(ini, &out);
    }
    JudgeFolder(facts.folder, FolderOf(ini.path), &out);
    bool keysUnreadable = unreadable;
    for (const Finding& f : out) {
        keysUnreadable = keysUnreadable || f.check == Check::kIniKey;
    }
    JudgeLog(facts.log, keysUnreadable, &out);
    return out;
}

Heading JudgeHeading(const Settings& settings)
{
    const float left = HeadingAt(settings, -kTestTurn), right = HeadingAt(settings, kTestTurn);
    if (!isfinite(left) || !isfinite(right)) {
        return Heading::kNeverFinite;
    }
    if (left == right) {
        return Heading::kFrozen;
    }
    return fmax(fabs(left), fabs(right)) > kLargestHeading ? Heading::kSpinning : Heading::kFollows;
}

Finding DescribeHeading(Heading heading, const IniFacts& ini)
{
    const Settings& s = ini.settings;
    const std::string offset = "headviewing_offset=" + ini.texts[kOffsetKey];
    const bool offsetToBlame = fabs(s.offset) > kTestTurn;
    const std::string gain = s.multiplier < 0 ? "headviewing_multiplier=-39" : "headviewing_multiplier=39";
    const float turn = HeadingAt(s, kTestTurn) - HeadingAt(s, 0.0);
    switch (heading) {
    case Heading::kNeverFinite:
        return {Check::kHeading, Mark::kStop,
                "The camera can never move: the heading headview would send is not a finite number, so it\n"
                "sends none (" +
                    offset + " with a gain of " + std::to_string(s.multiplier) + ").",
                "headviewing_offset=0.0"};
    case Heading::kFrozen:
        return {Check::kHeading, Mark::kStop,
                s.multiplier == 0 ? "A gain of 0 holds the camera straight ahead, wherever you look."
                                  : "The camera would not follow your head: " + offset +
                                        " is so large that a head turn is lost in it.",
                s.multiplier == 0 ? "headviewing_multiplier=39" : "headviewing_offset=0.0"};
    case Heading::kSpinning:
        return {Check::kHeading, Mark::kStop,
                Format("A head turn of 45 degrees would turn the camera to %.3g degrees, past 180: it would spin\n"
                       "round.",
                       static_cast<double>(HeadingAt(s, offsetToBlame ? 0.0 : kTestTurn))),
                offsetToBlame ? "headviewing_offset=0.0" : gain};
    default:
        return {Check::kHeading, Mark::kOk,
                Format("A head turn of 45 degrees turns the camera %.0f degrees.", static_cast<double>(fabs(turn))),
                ""};
    }
}

Situation JudgeYaws(const TrackerFacts& f, const Settings& settings)
{
    if (f.region != Region::kOpen) {
        return f.region == Region::kDenied ? Situation::kDenied : Situation::kNoTracker;
    }
    if (f.poses == 0) {
        return Situation::kNoPoses;
    }
    const bool yawsZero = f.rawAlwaysZero && f.processedAlwaysZero;
    if (yawsZero && !f.otherAxesLive) {
        return Situation::kOnlyZeros;
    }
    if (f.longestStall >= kStallSeconds) {
        return Situation::kStalled;
    }
    if (yawsZero) {
        return Situation::kHeldStill;
    }
    // A raw yaw left at zero cannot steer, moved or not.
    const bool notMoved = YawSpread(f.processed) < kMovedRadians && YawSpread(f.raw) < kMovedRadians;
    if (f.rawAlwaysZero && (settings.source != 1 || !notMoved)) {
        return Situation::kRawZero;
    }
    if (notMoved) {
        return Situation::kNotMoved;
    }
    if (f.sameEveryPose) {
        return Situation::kSameYaws;
    }
    const double rawShake = YawJitter(f.raw);
    if (rawShake > kShakyRadians && rawShake > kShakierThan * YawJitter(f.processed)) {
        return Situation::kRawShaky;
    }
    // The offset is added to the raw yaw it steers by: once centred, it is centred.
    const double offset = settings.source == 1 ? 0.0 : settings.offset;
    const double bias = f.rawMinusProcessed / f.poses + offset;
    return fabs(bias) > kOffCentreRadians ? Situation::kRawOffCentre : Situation::kYawsAgree;
}

namespace {

struct Row {
    Situation situation;
    int32_t source;  // -1: any
    Recommendation recommendation;
};

constexpr const char* kToProcessed = "headviewing_source=1\nheadviewing_offset=0.0";

// clang-format off
const Row kTable[] = {
    {Situation::kNoTracker, -1, {Mark::kStop,
      "No tracker is publishing FreeTrack data. Start your head tracker and turn on its FreeTrack\n"
      "output (in opentrack: Output \"freetrack 2.0 Enhanced\").", nullptr}},
    {Situation::kDenied, -1, {Mark::kStop,
      "A tracker publishes FreeTrack data, but Windows does not let this program read it: the tracker\n"
      "runs as administrator and the game and the probe do not (or the other way round). Run them\n"
      "all the same way: all as administrator or none.", nullptr}},
    {Situation::kNoPoses, -1, {Mark::kStop,
      "Your tracker's data is there, but no new head positions arrived: the tracker is paused, or it\n"
      "cannot find your face or markers (look at its camera view). If no tracker runs, the game made\n"
      "this empty data itself: start the tracker and turn on its FreeTrack output.", nullptr}},
    {Situation::kOnlyZeros, -1, {Mark::kStop,
      "Your tracker sends head positions with every axis at zero: it is not tracking you. Look at its\n"
      "camera view, and start tracking in it.", nullptr}},
    {Situation::kStalled, -1, {Mark::kFix,
      "Your tracker stopped sending new head positions for a while: it lost your face or markers\n"
      "(look at its camera view), or it was paused.", nullptr}},
    {Situation::kHeldStill, -1, {Mark::kFix,
      "Your tracker tracks you, but both yaws stayed at exactly zero: your head stayed within its\n"
      "dead zone. Turn your head left and right while the probe watches, and run it again.", nullptr}},
    {Situation::kNotMoved, -1, {Mark::kFix,
      "Nothing turned while the probe watched. Turn your head left and right while it watches,\n"
      "and run it again.", nullptr}},
    {Situation::kRawZero, 1, {Mark::kOk,
      "Your tracker leaves the raw yaw at zero; headview follows the processed yaw\n"
      "(headviewing_source=1), which suits this tracker.", nullptr}},
    {Situation::kRawZero, -1, {Mark::kStop,
      "Your tracker leaves the raw yaw at zero, and headview follows the raw yaw, so the camera\n"
      "would not turn. Put this line in headview.ini, under [Settings]:", "headviewing_source=1"}},
    {Situation::kSameYaws, -1, {Mark::kOk, "Both yaws are the same: headviewing_source makes no difference with this tracker.", nullptr}},
    {Situation::kRawOffCentre, 1, {Mark::kOk,
      "The raw yaw sits off centre; headview follows the processed yaw (headviewing_source=1),\n"
      "which your tracker's centre key centres.", nullptr}},
    {Situation::kRawOffCentre, -1, {Mark::kFix,
      "The raw yaw that headview follows sits off centre, with headviewing_offset added. Run\n"
      "headview-probe --centre while you look ahead, or follow the processed yaw, which your\n"
      "tracker's centre key centres, with these lines under [Settings]:", kToProcessed}},
    {Situation::kRawShaky, 1, {Mark::kOk,
      "The raw yaw shakes; headview follows the processed yaw (headviewing_source=1), with your\n"
      "tracker's own smoothing.", nullptr}},
    {Situation::kRawShaky, -1, {Mark::kFix,
      "The raw yaw that headview follows shakes, where the processed yaw is steady. To follow\n"
      "the processed yaw, with your tracker's smoothing, put these lines under [Settings]:", kToProcessed}},
    {Situation::kYawsAgree, -1, {Mark::kOk, "Both yaws agree and are steady: either headviewing_source works.", nullptr}},
};
// clang-format on

}  // namespace

Recommendation Recommend(Situation situation, int32_t source)
{
    for (const Row& row : kTable) {
        if (row.situation == situation && (row.source == -1 || row.source == source)) {
            return row.recommendation;
        }
    }
    return Recommendation{Mark::kOk, "", nullptr};
}

Findings JudgeTracker(const TrackerFacts& f, const IniFacts& ini)
{
    // No file to put lines in: the player is to copy the shipped one, which
    // follows the processed yaw.
    Settings settings = ini.settings;
    settings.source = ini.exists && !ini.isFolder ? settings.source : 1;
    const Situation situation = JudgeYaws(f, settings);
    const Recommendation r = Recommend(situation, settings.source);
    Findings out;
    const double rate = static_cast<double>(f.published) / fmax(f.watchedSeconds, 1e-3);
    if (situation == Situation::kStalled) {
        out.push_back({Check::kTracker, Mark::kFix,
                       Format("Your tracker sends %.0f head positions a second, but sent none for %.1f seconds.\n%s",
                              rate, f.longestStall, r.says),
                       ""});
        return out;
    }
    if (situation > Situation::kStalled) {
        out.push_back(
            {Check::kTracker, Mark::kOk, Format("Your tracker sends %.0f head positions a second.", rate), ""});
    }
    std::string says = r.says;
    if (situation == Situation::kRawOffCentre || situation == Situation::kRawShaky ||
        situation == Situation::kYawsAgree) {
        says += Format(
            "\n(The raw yaw sits %.1f degrees off the processed yaw and shakes by %.2f degrees from one\n"
            "head position to the next, where the processed yaw shakes by %.2f.)",
            fabs(f.rawMinusProcessed / f.poses) * kDegreesPerRadian, YawJitter(f.raw) * kDegreesPerRadian,
            YawJitter(f.processed) * kDegreesPerRadian);
    }
    out.push_back({Check::kYaws, r.mark, says, r.lines != nullptr ? r.lines : ""});
    if (r.mark == Mark::kOk && ini.exists && ini.settings.enabled == 1 &&
        JudgeHeading(ini.settings) == Heading::kFollows) {
        const YawStats& yaw = SteeringYawStats(f, ini.settings.source);
        out.push_back({Check::kYaws, Mark::kOk,
                       Format("The camera would have turned between %+.1f and %+.1f degrees.",
                              static_cast<double>(HeadingAt(ini.settings, yaw.min)),
                              static_cast<double>(HeadingAt(ini.settings, yaw.max))),
                       ""});
    }
    return out;
}

Finding DescribeWrite(const IniFacts& ini, const std::string& line, const std::string& converted)
{
    std::string says = "Written to " + ini.path + ":\n  " + line;
    if (!converted.empty()) {
        says += "\n(The file was " + converted + ".)";
    }
    says += ini.settings.test == 1 ? "\nheadview reads it at once (headviewing_test=1)."
                                   : "\nheadview reads headview.ini only when the game starts (headviewing_test=0):\n"
                                     "start the game again for the change to count.";
    return {Check::kWrite, Mark::kOk, says, ""};
}
