#include "probe/judge.h"

#include "settings/heading.h"
#include "settings/utf8.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

namespace {

constexpr double kTestTurn = 45.0 / kDegreesPerRadian;
constexpr double kCentredDegrees = 2.0;
constexpr double kFarOffDegrees = 5.0;
constexpr double kShakyRadians = 0.1 / kDegreesPerRadian;  // less is not seen on screen
constexpr double kMovedRadians = 1.0 / kDegreesPerRadian;

const char* const kFallbacks[kSettingKeyCount] = {"1", "1", "23 (thirty-five)", "0.0", "0", "0"};
const char* const kSuggested[kSettingKeyCount] = {"1", "0", "39", "0.0", "1", "1"};
const char* const kToProcessed = "headviewing_source=1\nheadviewing_offset=0.0";
const std::string kByHand = " headview-probe leaves such a file to you.";
const char* const kRunThere =
    " Put headview-probe.exe in the game's folder, the one with the game's .exe and ScriptHookV.dll, and run it "
    "from there.";

// `text` with each "@" filled by the next of `parts`.
std::string Fill(std::string text, std::initializer_list<std::string> parts)
{
    size_t at = 0;
    for (const std::string& part : parts) {
        at = text.find('@', at);
        if (at == std::string::npos) {
            break;
        }
        text.replace(at, 1, part);
        at += part.size();
    }
    return text;
}

Finding Say(Mark mark, const std::string& text, std::initializer_list<std::string> parts = {},
            const std::string& lines = "", Change change = Change::kNone, int line = -1)
{
    return {mark, Fill(text, parts), lines, false, change, line};
}

void Add(Findings* out, bool when, Mark mark, const std::string& text, std::initializer_list<std::string> parts = {},
         const std::string& lines = "", Change change = Change::kNone, int line = -1)
{
    if (when) {
        out->push_back(Say(mark, text, parts, lines, change, line));
    }
}

// A heading as players see it: the camera's headings grow to the left.
std::string Side(double degrees)
{
    const std::string size = Plain(fabs(degrees), 1) + " degrees";
    if (size == "0.0 degrees") {
        return size;
    }
    return size + (degrees > 0 ? " to the left" : " to the right");
}

// `text` kept on one line of the report: a command to copy whole.
std::string Unbroken(std::string text)
{
    std::replace(text.begin(), text.end(), ' ', kKeptBlank);
    return text;
}

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
// comment, a decimal comma made a point, a camera meant off kept off; else
// the value to suggest.
std::string Corrected(int key, std::string value, int32_t source)
{
    if (key == kOffsetKey && source == 1) {
        return Line(key, "0.0");  // the tracker's centre key centres the processed yaw
    }
    value = value.substr(0, value.find_first_of(" \t;#"));
    if (key == kOffsetKey) {
        std::replace(value.begin(), value.end(), ',', '.');
    }
    for (const char* off : {"off", "no", "false"}) {
        if (key == kEnabledKey && _stricmp(value.c_str(), off) == 0) {
            value = "0";
        }
    }
    return Line(key, !value.empty() && Converts(key, value) ? value : kSuggested[key]);
}

// The value of a line "name=value" without the blanks before it, or empty.
std::string ValueOf(const std::string& line)
{
    const size_t value = line.find_first_not_of(" \t", line.find('=') + 1);
    return line.find('=') == std::string::npos || value == std::string::npos ? "" : line.substr(value);
}

// Why the reader returned no key at all, where the bytes tell, with the
// cure; its `says` is empty where they do not tell.
Finding WhyNoKeys(const IniFacts& ini)
{
    const std::string takes =
        " So headview reads none of its keys and takes headviewing=1, headviewing_test=1, headviewing_multiplier=23 "
        "(thirty-five) and headviewing_offset=0.0.";
    const std::string resave = " In Notepad: File, Save as, Encoding \"ANSI\" (or \"UTF-16 LE\"), then Save.";
    bool keysAbove = false;
    std::string all = "[Settings]";
    for (int key = 0; key < kSettingKeyCount; ++key) {
        keysAbove = keysAbove || (!ini.misplaced[key].empty() && ini.under[key].empty());
        all += "\n" + Line(key, kSuggested[key]);
    }
    if (ini.empty) {
        return Say(kFix, "headview.ini is empty." + takes + " Copy it again from the headview zip.", {}, "",
                   Change::kShippedFile);
    }
    if (ini.noSection && keysAbove) {
        return Say(kFix, "headview.ini has no [Settings] line." + takes + " Put this line above its first key:", {},
                   "[Settings]", Change::kAddSection);
    }
    if (ini.noSection) {
        return Say(kFix,
                   "headview.ini has no [Settings] line." + takes +
                       " Copy it again from the headview zip, or put these lines in it:",
                   {}, all, Change::kSetLines);
    }
    if (ini.encoding == kUtf16Be) {
        return Say(kFix, "headview.ini is saved as UTF-16 big-endian, which Windows' reader does not read." + takes +
                             resave + kByHand);
    }
    if (ini.markBeforeSection) {
        return Say(kFix,
                   "headview.ini starts with a UTF-8 mark right before [Settings], and Windows' reader does not see "
                   "the section there." +
                       takes + resave,
                   {}, "", Change::kBreakMark);
    }
    if (!ini.oddHeader.empty()) {
        return Say(kFix,
                   "The reader here takes @ for another section: Wine's reader ends a name at its last \"]\"." + takes +
                       " Put the comment on a line of its own." + kByHand,
                   {ini.oddHeader});
    }
    return {kOk, ""};
}

void JudgeKey(const IniFacts& ini, int key, Findings* out)
{
    std::string uses = std::string("headview uses ") + kFallbacks[key];
    if (key != kSourceKey && key != kStatusKey) {
        uses += " and logs an error line at each reading";
    }
    const std::string &text = ini.present[key] ? ini.texts[key] : ini.nearMiss[key], &misplaced = ini.misplaced[key];
    const std::string where = ini.under[key].empty() ? "above every section" : "under " + ini.under[key];
    const bool present = ini.present[key], elsewhere = !misplaced.empty();
    const std::string section = ini.sections > 1 ? "the first [Settings]" : "[Settings]";
    Add(out, elsewhere && present, kFix,
        "The line @ (@) is not read: headview takes @ from @. To keep @, delete @. To use @, change @ to @ and "
        "delete @. headview-probe leaves that choice to you.",
        {misplaced, where, Line(key, text), section, Line(key, text), misplaced, Line(key, ValueOf(misplaced)),
         Line(key, text), Line(key, ValueOf(misplaced)), misplaced});
    Add(out, elsewhere && !present, kFix,
        "The line @ stands @, where headview does not read it, so @. Move it under " + section + ":",
        {misplaced, where, uses}, Corrected(key, ValueOf(misplaced), ini.settings.source), Change::kMoveLine,
        ini.misplacedLine[key]);
    Add(out, present && !Converts(key, text), kFix,
        "headview cannot read @, so @. Write it as:", {Line(key, text), uses},
        Corrected(key, text, ini.settings.source), Change::kSetLines);
    Add(out, !present && !elsewhere && !text.empty(), kFix,
        "The line @ looks like @ misspelt, so @. Write it as:", {text, kSettingKeys[key], uses},
        Corrected(key, ValueOf(text), ini.settings.source), Change::kMoveLine, ini.nearMissLine[key]);
    Add(out, !present && !elsewhere && text.empty() && key < kSourceKey, kFix,  // the later keys: read as always
        "headview.ini has no @ under " + section + ", so @. Add this line there:", {kSettingKeys[key], uses},
        Line(key, kSuggested[key]), Change::kSetLines);
}

float HeadingAt(const Settings& settings, double yaw, double rawYaw)
{
    FTPose pose = {};
    pose.yaw = static_cast<float>(yaw);
    pose.rawYaw = static_cast<float>(rawYaw);
    return HeadingFor(settings, pose);
}

// What the log's last run says, by LogSetup.
const Finding kLogFindings[] = {
    {kNote,
     "There is no headview.log: headview has not run in this folder yet, or the log was deleted. Start the game once, "
     "then run headview-probe again; if there is still none, the ASI loader (dinput8.dll) did not load headview.asi, "
     "or the folder cannot be written to."},
    {kFix,
     "headview.log is empty: the game loaded headview.asi, but ScriptHookV never started its script. After a game "
     "update ScriptHookV must be updated too; then start the game again."},
    {kFix, "headview.log shows that headview's script ran no frame: start the game again and load a game."},
    {kNote,
     "headview.log: no tracker ran when headview last started (@), so headview made the tracker's data itself; it "
     "picks up a tracker started later at the game's privilege level."},
    {kOk,
     "headview.log: the tracker's data was there when headview last started (@). A game started since then that "
     "wrote nothing there did not run headview: after a game update, ScriptHookV must be updated too."},
    {kFix,
     "headview.log: when headview last started (@), it could not open the tracker's data and asked again every frame. "
     "Run the tracker and the game at the same privilege level (both as administrator or neither), then start the "
     "game again."},
    {kOk, ""},  // kFarBack: the last run's start is not in the end read
};

const struct {
    Situation situation;
    int32_t source;  // -1: any
    Mark mark;
    const char* says;
    const char* lines = "";
    Change change = Change::kNone;
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
     "Your tracker leaves the raw yaw at zero; with headviewing_source=1 headview follows the processed yaw: fine."},
    {kRawZero, -1, kStop,
     "Your tracker leaves the raw yaw at zero, and headview follows the raw yaw, so the camera would not turn. Under "
     "[Settings], change or add these lines:",
     kToProcessed, Change::kSetLines},
    {kNotMoved, -1, kFix, "Nothing turned while the probe watched. Turn your head left and right while it watches."},
    {kSameYaws, -1, kOk, "Both yaws are the same: headviewing_source makes no difference with this tracker."},
    {kRawShaky, 1, kOk,
     "The raw yaw shakes; with headviewing_source=1 headview follows the processed yaw, with your tracker's "
     "smoothing."},
    {kRawShaky, -1, kFix,
     "The raw yaw that headview follows shakes, where the processed yaw is steady. To follow the processed yaw, with "
     "your tracker's smoothing, change or add these lines under [Settings]:",
     kToProcessed, Change::kSetLines},
};

// The raw yaw shakes where the processed one does not (by more than 0.1 degrees).
bool RawYawShakes(const TrackerFacts& f)
{
    return f.raw.Jitter() > kShakyRadians && f.raw.Jitter() > 2.0 * f.processed.Jitter();
}

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
    const Finding apart = Say(kNote,
                              "The raw yaw sits @ degrees off the processed yaw: looking straight ahead, the camera "
                              "turns @ following the processed yaw and @ following the raw yaw, which headview @.",
                              {Plain(fabs(bias) * kDegreesPerRadian, 1), Side(processed), Side(raw),
                               s.source == 1 ? "does not follow" : "follows"});
    if (s.source == 1 || fabs(raw) <= kCentredDegrees) {
        return apart;
    }
    return {kFix,
            apart.says +
                " Run headview-probe --centre while you look straight ahead, or follow the processed yaw, "
                "centred by your tracker's centre key: under [Settings], change or add these lines:",
            kToProcessed};
}

Findings JudgeFolder(const FolderFacts& f)
{
    const std::string folder = Path(f.judged), started = Path(f.startedIn);
    Findings out;
    const bool none = f.judged.empty();
    if (none && f.fromIni) {  // a usage error: exit code 2
        out.push_back(Say(kStop,
                          "@, the folder given with --ini, is not the game's folder (it holds neither "
                          "ScriptHookV.dll nor headview.asi): check that path.",
                          {started}));
        out.back().refused = true;
    }
    Add(&out, none && !f.fromIni && f.own != f.startedIn, kStop,
        "Neither @ nor @ is the game's folder: neither holds ScriptHookV.dll or headview.asi.@",
        {started, Path(f.own), kRunThere});
    Add(&out, none && !f.fromIni && f.own == f.startedIn, kStop,
        "@ is not the game's folder: it holds neither ScriptHookV.dll nor headview.asi.@", {started, kRunThere});
    for (Finding& f : out) {
        f.away = true;
    }
    if (none) {
        return out;
    }
    Add(&out, f.scriptHook, kOk, "The game's folder: @", {folder});
    Add(&out, f.judged != f.startedIn, kNote,
        "headview-probe was started in @, which is not a game folder: it checked its own folder.", {started});
    std::string advice =
        " If that is the game's folder (the one with the game's .exe), install ScriptHookV there; if not, put "
        "headview-probe.exe in the game's folder and run it from there.";
    if (!f.gameAbove.empty()) {
        advice = Fill(
            " ScriptHookV.dll is in @: move headview.asi, headview.ini and headview-probe.exe there, and "
            "run the probe from there.",
            {Path(f.gameAbove)});
    }
    Add(&out, !f.scriptHook, kStop, "ScriptHookV.dll is not in @, so headview cannot run from there.@",
        {folder, advice});
    if (!f.scriptHook) {
        out.back().away = true;
    }
    Add(&out, f.scriptHook && !f.plugin, kStop,
        "headview.asi is not in the game's folder: copy it there from the headview zip.");
    Add(&out, f.scriptHook && !f.asiLoader, kStop,
        "dinput8.dll, ScriptHookV's ASI loader that loads headview.asi, is not in the game's folder: copy it there "
        "from the ScriptHookV zip.");
    Add(&out, f.leftover, kNote,
        "headview.ini.probe-new was left by a headview-probe that was stopped: the probe's next change to "
        "headview.ini removes it, or delete it.");
    return out;
}

// headview.ini that is not there, or not a file headview can read.
Finding JudgeMissingIni(const IniFacts& ini)
{
    const std::string path = Path(ini.path);
    if (ini.tooLong) {
        return Say(kStop,
                   "@ is @ characters long: headview finds its file only on a path of up to 259, and keeps the "
                   "camera off. Move the game to a folder with a shorter path.",
                   {path, std::to_string(ini.path.size())});
    }
    if (ini.isFolder) {
        return Say(kFix,
                   "@ is a folder: headview reads it as a file without keys. Delete it and copy headview.ini from "
                   "the headview zip in its place.",
                   {path});
    }
    if (ini.nearMissFile.empty()) {
        return Say(kStop, "There is no @, so headview keeps the camera off. Copy it there from the headview zip.",
                   {path}, "", Change::kShippedFile);
    }
    return Say(kStop,
               "There is no @, so headview keeps the camera off. There is @, whose end Windows hides: rename it to "
               "headview.ini (in Explorer: View, tick \"File name extensions\").",
               {path, ini.nearMissFile}, "", Change::kRenameFile);
}

Findings JudgeIni(const IniFacts& ini, const Finding& heading)
{
    if (ini.tooLong || !ini.exists || ini.isFolder) {
        return {JudgeMissingIni(ini)};
    }
    Findings out;
    const bool anyRead = std::find(std::begin(ini.present), std::end(ini.present), true) != std::end(ini.present);
    const Finding none = anyRead ? Finding{kOk, ""} : WhyNoKeys(ini);
    if (!none.says.empty()) {
        out.push_back(none);
    }
    for (int key = 0; key < kSettingKeyCount && none.says.empty(); ++key) {
        JudgeKey(ini, key, &out);
    }
    const bool on = ini.settings.enabled == 1;
    Add(&out, !on, kStop, "headview.ini turns the camera off (headviewing=@). To turn it on:", {ini.texts[kEnabledKey]},
        "headviewing=1", Change::kSetLines);
    Add(&out, on && heading.mark != kOk, kStop, "@ Under [Settings], change or add this line:", {heading.says},
        heading.lines, Change::kSetLines);
    const double offCentre = ini.settings.offset * static_cast<float>(ini.settings.multiplier);
    // Past a few degrees, an offset left over (from --centre, or typed) is to be fixed.
    const bool farOff = fabs(offCentre) > kFarOffDegrees;
    Add(&out, ini.settings.source == 1 && heading.mark == kOk && fabs(offCentre) > kCentredDegrees,
        farOff ? kFix : kNote,
        "headviewing_offset=@ turns the view @ of centre, although headview follows the processed yaw, which your "
        "tracker's centre key centres. For a centred view:",
        {ini.texts[kOffsetKey], Side(offCentre)}, "headviewing_offset=0.0", farOff ? Change::kSetLines : Change::kNone);
    // A gain typed in decimal: 57, fifty-seven, read as 87.
    const std::string& gain = ini.texts[kMultiplierKey];
    const long decimal = strtol(gain.c_str(), nullptr, 10);
    char meant[16];
    snprintf(meant, sizeof meant, "%s%lX", decimal < 0 ? "-" : "", labs(decimal));
    Add(&out, gain.find_first_not_of("-0123456789") == std::string::npos && labs(decimal) >= 50 && labs(decimal) <= 64,
        kFix,
        "headviewing_multiplier=@ is read in base 16, as @, not as @. If you meant @ (57 turns the camera as far "
        "as your head turns), write:",
        {gain, std::to_string(ini.settings.multiplier), gain, gain}, Line(kMultiplierKey, meant), Change::kSetLines);
    Add(&out, ini.settings.test == 1 && ini.present[kTestKey], kNote,
        "headview reads headview.ini again on every frame (headviewing_test=1): fine while tuning. For play:", {},
        "headviewing_test=0");
    return out;
}

Findings JudgeLog(const LogFacts& log, const IniFacts& ini, const FolderFacts& folder)
{
    Findings out;
    const bool loaderSkipped =
        log.setup == kNoLog && folder.wine && folder.plugin && folder.scriptHook && folder.asiLoader;
    const std::string launchOption =
        " Under Proton, Wine loads its own dinput8.dll unless the game starts with the "
        "launch option " +
        Unbroken("WINEDLLOVERRIDES=\"dinput8=n,b\" %command%") + " (Steam: the game's Properties, Launch options).";
    const std::string when = log.started.empty() ? "at a time the log does not give"
                                                 : log.started.substr(0, 10) + " at " + log.started.substr(11) + " UTC";
    Add(&out, log.setup != kFarBack, kLogFindings[log.setup].mark,
        kLogFindings[log.setup].says + (loaderSkipped ? launchOption : ""), {when});
    bool keysRead = ini.exists && !ini.isFolder;
    for (int key = 0; key < kSettingKeyCount; ++key) {
        keysRead = keysRead && (ini.present[key] ? Converts(key, ini.texts[key]) : key >= kSourceKey);
    }
    const char* const since = "headview.log: when the game last ran, @. @ now: start the game again.";
    Add(&out, log.badKeys > 0 && keysRead, kNote, since,
        {"headview could not read a key of headview.ini", "It reads well"});
    Add(&out, log.missingIni > 0 && ini.exists, kNote, since,
        {"headview.ini was not in the game's folder", "It is there"});
    Add(&out, ini.exists && ini.settings.test != 1 && log.startedAt > 0 && ini.written > log.startedAt, kFix,
        "headview.ini was changed after headview last started (@), and headview reads it only when the game starts "
        "(headviewing_test=0): start the game again for the change to count.",
        {when});
    Add(&out, log.badKeys > 1, kNote,
        "headview.log: in its last run headview wrote \"headview: (Error) reading settings from ini file!\" @ times. "
        "With headviewing_test=1 (or the key missing) it reads headview.ini on every frame, and writes that line "
        "each time a key cannot be read.",
        {std::to_string(log.badKeys)});
    Add(&out, log.bytes > 10 * 1048576, kNote,
        "headview.log is @ MB, most of it the line \"@\", written on every frame of a game run. You may delete "
        "headview.log: headview starts a new one when the game next starts.",
        {Plain(log.bytes / 1048576.0, 1), log.repeated});
    return out;
}

}  // namespace

bool HasMark(const Findings& findings, Mark mark)
{
    return std::any_of(findings.begin(), findings.end(), [&](const Finding& f) { return f.mark == mark; });
}

std::string Path(const std::wstring& path)
{
    return Unbroken(Utf8FromWide(path));
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
    const float ahead = HeadingAt(s, 0.0, 0.0), widest = fmax(fabs(left), fabs(right));
    if (!isfinite(left) || !isfinite(right)) {
        return Say(kStop,
                   "The camera can never move: with @ and @ the heading is no usable angle, so headview sends none.",
                   {offset, gain}, "headviewing_offset=0.0");
    }
    if (left == right && s.multiplier == 0) {
        return {kStop, "A gain of 0 holds the camera straight ahead, wherever you look.", "headviewing_multiplier=39"};
    }
    if (left == right) {
        return Say(kStop, "The camera would not follow your head: @ is so large that a head turn is lost in it.",
                   {offset}, "headviewing_offset=0.0");
    }
    if (fabs(s.offset) > kTestTurn && widest > 180.0) {
        return Say(kStop,
                   "@ turns the camera @ degrees while you look straight ahead, and a head turn past 180: it would "
                   "spin round. The offset is in the tracker's unit, radians for the common trackers.",
                   {offset, Plain(ahead, 0)}, "headviewing_offset=0.0");
    }
    if (widest > 180.0) {
        return Say(kStop,
                   "With @ a head turn of 45 degrees would turn the camera past 180 degrees: it would spin round.",
                   {gain}, s.multiplier < 0 ? "headviewing_multiplier=-39" : "headviewing_multiplier=39");
    }
    std::string way = ".";
    if (right - ahead < 0) {
        way = ", the other way.";
    }
    return Say(kOk, "A head turn of 45 degrees turns the camera @ degrees@", {Plain(fabs(right - ahead), 0), way});
}

Situation JudgeYaws(const TrackerFacts& f, const Settings& settings)
{
    const bool yawsZero = f.rawAlwaysZero && f.processedAlwaysZero;
    const bool notMoved = f.processed.Spread() < kMovedRadians && f.raw.Spread() < kMovedRadians;
    const struct {
        bool when;
        Situation situation;
    } order[] = {
        {f.region == kAbsent, kNoTracker},
        {f.region == kDenied, kNotAllowed},
        {f.exited, kExited},
        {f.poses == 0, kNoPoses},
        {yawsZero && !f.otherAxesLive, kOnlyZeros},
        {f.longestStall >= 1.0, kStalled},
        {yawsZero, kHeldStill},
        {f.rawAlwaysZero && (settings.source != 1 || !notMoved), kRawZero},  // a raw yaw at zero cannot steer
        {notMoved, kNotMoved},
        {f.sameEveryPose, kSameYaws},
        {RawYawShakes(f), kRawShaky},
    };
    for (const auto& row : order) {
        if (row.when) {
            return row.situation;
        }
    }
    return kTracking;
}

Findings JudgeTracker(const TrackerFacts& f, const Settings& s, bool wine)
{
    const Situation situation = JudgeYaws(f, s);
    const std::string rate =
        "Your tracker sends " + Plain(f.published / f.sendingSeconds, 0) + " head positions a second";
    Findings out;
    Add(&out, situation == kStalled, kFix,
        "@, but sent none for @ seconds: it lost sight of you (look at its camera view), or was paused.",
        {rate, Plain(f.longestStall, 1)});
    Add(&out, situation > kStalled, kOk, rate + ".");
    if (situation == kTracking) {
        out.push_back(JudgeCentre(f, s));
    }
    const auto row = std::find_if(std::begin(kTrackerRows), std::end(kTrackerRows), [&](const auto& r) {
        return r.situation == situation && (r.source == -1 || r.source == s.source);
    });
    const std::string prefix = Fill(
        " Under Wine or Proton, the tracker's Wine output must write into the game's prefix and "
        "the probe must run in that prefix too: for Steam, @; for a plain prefix, @.",
        {Unbroken("protontricks-launch --appid <the game's app id> headview-probe.exe"),
         Unbroken("WINEPREFIX=<the game's prefix> wine headview-probe.exe")});
    if (row != std::end(kTrackerRows)) {
        out.push_back(
            {row->mark, row->says + (situation == kNoTracker && wine ? prefix : ""), row->lines, false, row->change});
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
    const IniFacts& ini = f.ini;
    const Finding heading = DescribeHeading(ini.settings, ini.texts[kOffsetKey], ini.texts[kMultiplierKey]);
    Findings out = JudgeFolder(f.folder), more;
    if (f.folder.scriptHook) {  // of a folder that is not the game's, no file is missed
        more = JudgeIni(ini, heading);
        out.insert(out.end(), more.begin(), more.end());
        more = JudgeLog(f.log, ini, f.folder);
        out.insert(out.end(), more.begin(), more.end());
    }
    if (f.watched) {
        more = JudgeTracker(f.tracker, JudgedSettings(f), f.folder.wine);
        out.insert(out.end(), more.begin(), more.end());
    }
    const bool read = ini.exists && !ini.tooLong && !ini.isFolder;
    if (!HasMark(out, kStop) && read && ini.settings.enabled == 1) {
        out.push_back(heading);
    }
    return out;
}
