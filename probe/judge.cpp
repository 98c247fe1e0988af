#include "probe/judge.h"

#include "probe/report.h"
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
const std::vector<KeyValue> kToProcessed = {
    {kSourceKey, "1"}, {kOffsetKey, "0.0", "with the processed yaw, your tracker's centre key centres the view"}};
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

Finding Say(Mark mark, const std::string& text, std::initializer_list<std::string> parts = {}, Change change = {})
{
    Finding finding = {mark, Fill(text, parts)};
    finding.change = change;
    return finding;
}

void Add(Findings* out, bool when, Mark mark, const std::string& text, std::initializer_list<std::string> parts = {},
         Change change = {})
{
    if (when) {
        out->push_back(Say(mark, text, parts, change));
    }
}

Change Sets(const std::vector<KeyValue>& sets)
{
    return {Edit::kSetKeys, sets};
}

// Lines the player may put in; the probe does not.
Change Shows(const std::vector<KeyValue>& sets)
{
    return {Edit::kNone, sets};
}

Change OnLine(Edit edit, const KeyValue& set, int line)
{
    return {edit, {set}, line};
}

// A change of the file as a whole, or of its lines, with no key of its own.
Change Does(Edit edit, const std::string& file = "")
{
    return {edit, {}, -1, file};
}

// A heading as players see it: the camera's headings grow to the left.
std::string Side(double degrees)
{
    const std::string size = Plain(fabs(degrees), 1) + " degrees";
    if (size == "0.0 degrees") {
        return size;
    }
    if (degrees > 0) {
        return size + " to the left";
    }
    return size + " to the right";
}

bool Converts(int key, const std::string& text)
{
    int32_t whole = 0;
    float offset = 0.0f;
    if (key == kOffsetKey) {
        return ConvertFloatSettingText(text.c_str(), text.size(), &offset);
    }
    return ConvertHexSettingText(text.c_str(), text.size(), &whole);
}

// The value as the player likely meant it: cut at a blank or a comment, a
// decimal comma made a point, a camera meant off kept off; else the value to
// suggest. Beside the processed yaw the offset is 0.0, and what the player's
// would do is said.
KeyValue Corrected(const Settings& s, int key, const std::string& text)
{
    const SettingKey k = static_cast<SettingKey>(key);
    std::string value = text.substr(0, text.find_first_of(" \t;#"));
    std::string fault;
    if (value.size() < text.size()) {
        fault = "what follows the number";
    }
    if (key == kOffsetKey && value.find(',') != std::string::npos) {
        std::replace(value.begin(), value.end(), ',', '.');
        fault = "the comma";
    }
    const char* const words[] = {"off", "no", "false", "on", "yes", "true"};
    for (int word = 0; word < 6 && key != kOffsetKey; ++word) {
        if (_stricmp(value.c_str(), words[word]) == 0) {
            value = word < 3 ? "0" : "1";
        }
    }
    if (value.empty() || !Converts(key, value)) {
        return {k, kSuggested[key]};
    }
    float offset = 0.0f;
    if (key != kOffsetKey || s.source != 1) {
        return {k, value};
    }
    ConvertFloatSettingText(value.c_str(), value.size(), &offset);
    const double offCentre = offset * static_cast<float>(s.multiplier);
    if (fabs(offCentre) <= kFarOffDegrees) {
        return {k, value};  // near centre: a note says so, as for a value read
    }
    std::string why = value + " would turn the view " + Side(offCentre) + " of centre";
    if (!fault.empty()) {
        why = text + ": " + fault + "; " + why;
    }
    return {k, "0.0", why};
}

// The value of a line "name=value" without the blanks before it, or empty.
std::string ValueOf(const std::string& line)
{
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return "";
    }
    const size_t value = line.find_first_not_of(" \t", equals + 1);
    if (value == std::string::npos) {
        return "";
    }
    return line.substr(value);
}

// Why the reader returned no key at all, where the lines tell, with the
// cure; its `says` is empty where they do not tell.
Finding WhyNoKeys(const IniFacts& ini)
{
    const std::string takes =
        " So headview reads none of its keys and takes headviewing=1, headviewing_test=1, headviewing_multiplier=23 "
        "(thirty-five) and headviewing_offset=0.0.";
    const std::string resave = " In Notepad: File, Save as, Encoding \"ANSI\" (or \"UTF-16 LE\"), then Save.";
    std::vector<KeyValue> all;
    for (int key = 0; key < kSettingKeyCount; ++key) {
        all.push_back({static_cast<SettingKey>(key), kSuggested[key]});
    }
    if (ini.encoding == kUtf16Be) {
        return Say(kFix, "headview.ini is saved as UTF-16 big-endian, which Windows' reader does not read." + takes +
                             resave + kByHand);
    }
    if (ini.empty) {
        return Say(kFix, "headview.ini is empty." + takes + " Copy it again from the headview zip.", {},
                   Does(Edit::kShippedFile));
    }
    if (ini.noSection && ini.keyAbove) {
        return Say(kFix, "headview.ini has no [Settings] line." + takes + " Put a line [Settings] above its first key.",
                   {}, Does(Edit::kAddSection));
    }
    if (ini.noSection) {
        return Say(kFix,
                   "headview.ini has no [Settings] line." + takes +
                       " Copy it again from the headview zip, or put a line [Settings] in it and these lines under it:",
                   {}, Sets(all));
    }
    if (ini.markBeforeSection) {
        return Say(kFix,
                   "headview.ini starts with a UTF-8 mark right before [Settings], and Windows' reader does not see "
                   "the section there." +
                       takes + resave,
                   {}, Does(Edit::kBreakMark));
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
    const SettingKey k = static_cast<SettingKey>(key);
    std::string uses = std::string("headview uses ") + kFallbacks[key];
    if (key < kSourceKey) {
        uses += " and logs an error line at each reading";
    }
    const std::string &misplaced = ini.misplaced[key], &text = ini.texts[key];
    std::string nearMiss = ini.nearMiss[key];
    if (!ini.bare[key].empty()) {
        nearMiss.clear();  // the reader stops at the key's bare line: that line is what to mend
    }
    const bool present = ini.present[key], elsewhere = !misplaced.empty();
    std::string section = "[Settings]";
    if (ini.sections > 1) {
        section = "the first [Settings]";
    }
    const std::string line = LineOf({k, text}), moved = LineOf({k, ValueOf(misplaced)});
    Add(out, elsewhere && present, kFix,
        "The line @ (@) is not read: headview takes @ from @. To keep @, delete @. To use @, change @ to @ and "
        "delete @. headview-probe leaves that choice to you.",
        {misplaced, ini.place[key], line, section, line, misplaced, moved, line, moved, misplaced});
    Add(out, elsewhere && !present, kFix,
        "The line @ stands @, where headview does not read it, so @. Move it under " + section + ":",
        {misplaced, ini.place[key], uses},
        OnLine(Edit::kMoveLine, Corrected(ini.settings, key, ValueOf(misplaced)), ini.misplacedLine[key]));
    const KeyValue corrected = Corrected(ini.settings, key, text);
    std::string why;
    if (!corrected.why.empty()) {
        why = " " + corrected.why + ".";
    }
    Add(out, present && !Converts(key, text), kFix, "headview cannot read @, so @.@ Write it as:", {line, uses, why},
        Sets({corrected}));
    Add(out, !present && !elsewhere && !nearMiss.empty(), kFix,
        "The line @ looks like @ misspelt, so @. Write it as:", {nearMiss, kSettingKeys[key], uses},
        OnLine(Edit::kRenameKey, Corrected(ini.settings, key, ValueOf(nearMiss)), ini.nearMissLine[key]));
    Add(out, !present && !elsewhere && !ini.bare[key].empty(), kFix,
        "The line @ has no \"=\", so @. Write it as:", {ini.bare[key], uses}, Sets({{k, kSuggested[key]}}));
    Add(out, !present && !elsewhere && nearMiss.empty() && ini.bare[key].empty() && key < kSourceKey, kFix,
        "headview.ini has no @ under " + section + ", so @. Add this line there:", {kSettingKeys[key], uses},
        Sets({{k, kSuggested[key]}}));
}

float HeadingAt(const Settings& settings, double yaw, double rawYaw)
{
    FTPose pose = {};
    pose.yaw = static_cast<float>(yaw);
    pose.rawYaw = static_cast<float>(rawYaw);
    return HeadingFor(settings, pose);
}

// What the log's last run says, by LogSetup.
const struct {
    Mark mark;
    const char* says;
    bool pending;
} kLogFindings[] = {
    {kNote,
     "There is no headview.log: headview has not run in this folder yet, or the log was deleted. If there is none "
     "after the game ran, the ASI loader (dinput8.dll) did not load headview.asi, or the folder cannot be written to.",
     true},
    {kStop,
     "headview.log is empty: the game loaded headview.asi, but ScriptHookV never started its script, because this "
     "ScriptHookV does not match the game's version. After a game update, get the ScriptHookV made for it, then "
     "start the game again.",
     false},
    {kFix, "headview.log shows that headview's script ran no frame: start the game again and load a game.", false},
    {kNote,
     "headview.log: no tracker ran when headview last started (@), so headview made the tracker's data itself; it "
     "picks up a tracker started later at the game's privilege level.",
     false},
    {kOk, "headview.log: the tracker's data was there when headview last started (@).", false},
    {kFix,
     "headview.log: when headview last started (@), it could not open the tracker's data and asked again every frame. "
     "Run the tracker and the game at the same privilege level (both as administrator or neither), then start the "
     "game again.",
     false},
    {kOk, "", false},  // kFarBack: the last run's start is not in the end read
};

const struct {
    Situation situation;
    int32_t source;  // -1: any
    Mark mark;
    const char* says;
    Edit edit = Edit::kNone;  // kSetKeys: to the processed yaw
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
     Edit::kSetKeys},
    {kNotMoved, -1, kFix, "Nothing turned while the probe watched. Turn your head left and right while it watches."},
    {kSameYaws, -1, kOk, "Both yaws are the same: headviewing_source makes no difference with this tracker."},
    {kRawShaky, 1, kOk,
     "The raw yaw shakes; with headviewing_source=1 headview follows the processed yaw, with your tracker's "
     "smoothing."},
    {kRawShaky, -1, kFix,
     "The raw yaw that headview follows shakes, where the processed yaw is steady. To follow the processed yaw, with "
     "your tracker's smoothing, change or add these lines under [Settings]:",
     Edit::kSetKeys},
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
    std::string follows = "follows";
    if (s.source == 1) {
        follows = "does not follow";
    }
    Finding apart = Say(kNote,
                        "The raw yaw sits @ degrees off the processed yaw: looking straight ahead, the camera turns @ "
                        "following the processed yaw and @ following the raw yaw, which headview @.",
                        {Plain(fabs(bias) * kDegreesPerRadian, 1), Side(processed), Side(raw), follows});
    if (s.source == 1 || fabs(raw) <= kCentredDegrees) {
        return apart;
    }
    apart.mark = kFix;
    apart.says +=
        " Run headview-probe --centre while you look straight ahead, or follow the processed yaw, centred by your "
        "tracker's centre key: under [Settings], change or add these lines:";
    apart.change = Shows(kToProcessed);
    return apart;
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
    for (Finding& finding : out) {
        finding.away = true;
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
    const std::string none = "There is no @, so headview keeps the camera off. ";
    const Change rename = Does(Edit::kRenameFile, ini.nearMissFile);
    if (ini.nearMissFile.empty()) {
        return Say(kStop, none + "Copy it there from the headview zip.", {path}, Does(Edit::kShippedFile));
    }
    if (ini.nearMissFile == "headview.ini.probe-old") {
        return Say(kStop,
                   none +
                       "headview.ini.probe-old is headview.ini as it was before a change a headview-probe could not "
                       "finish: rename it to headview.ini.",
                   {path}, rename);
    }
    if (ini.nearMissFile == "headview.ini.bak") {
        return Say(kStop,
                   none +
                       "Copy it there from the headview zip. (headview.ini.bak is headview.ini as it was before "
                       "headview-probe last changed it: to have that back, rename it to headview.ini.)",
                   {path}, Does(Edit::kShippedFile));
    }
    return Say(kStop,
               none +
                   "There is @, whose end Windows hides: rename it to headview.ini (in Explorer: View, tick \"File "
                   "name extensions\").",
               {path, ini.nearMissFile}, rename);
}

// A gain typed in decimal: 57, fifty-seven, read as 87. Only a note: the
// probe's own --gain writes such digits too (eighty is 50).
void JudgeDecimalGain(const IniFacts& ini, Findings* out)
{
    const std::string& gain = ini.texts[kMultiplierKey];
    const bool minus = !gain.empty() && gain[0] == '-';
    const std::string digits = gain.substr(minus ? 1 : 0);
    if (digits.size() != 2 || digits.find_first_not_of("0123456789") != std::string::npos) {
        return;
    }
    const int decimal = atoi(digits.c_str());
    if (decimal < 50 || decimal > 64) {
        return;
    }
    char meant[8];
    snprintf(meant, sizeof meant, "%s%X", minus ? "-" : "", decimal);
    out->push_back(Say(kNote,
                       "headviewing_multiplier=@ is read in base 16, as @. If you meant @ in decimal (57 turns the "
                       "camera as far as your head turns), write:",
                       {gain, std::to_string(ini.settings.multiplier), gain}, Shows({{kMultiplierKey, meant}})));
}

Findings JudgeIni(const IniFacts& ini, const Finding& heading)
{
    if (ini.tooLong || !ini.exists || ini.isFolder) {
        return {JudgeMissingIni(ini)};
    }
    if (ini.locked) {
        return {Say(kFix,
                    "headview.ini is open in another program that lets no other program read it, so headview "
                    "reads none of its keys now: close it there, then run headview-probe again.")};
    }
    Findings out;
    const bool anyRead = std::find(std::begin(ini.present), std::end(ini.present), true) != std::end(ini.present);
    Finding none = {kOk, ""};
    if (!anyRead) {
        none = WhyNoKeys(ini);
    }
    if (!none.says.empty()) {
        out.push_back(none);
    }
    for (int key = 0; key < kSettingKeyCount && none.says.empty(); ++key) {
        JudgeKey(ini, key, &out);
    }
    const bool on = ini.settings.enabled == 1;
    Add(&out, !on, kStop, "headview.ini turns the camera off (headviewing=@). To turn it on:", {ini.texts[kEnabledKey]},
        Sets({{kEnabledKey, "1"}}));
    if (on && heading.mark != kOk) {
        out.push_back(
            Say(kStop, heading.says + " Under [Settings], change or add this line:", {}, Sets(heading.change.sets)));
    }
    const double offCentre = ini.settings.offset * static_cast<float>(ini.settings.multiplier);
    // Past a few degrees, an offset left over (from --centre, or typed) is to be fixed.
    const bool farOff = fabs(offCentre) > kFarOffDegrees;
    const bool offCentred = ini.settings.source == 1 && heading.mark == kOk && fabs(offCentre) > kCentredDegrees;
    Change centred =
        Shows({{kOffsetKey, "0.0", ini.texts[kOffsetKey] + " would turn the view " + Side(offCentre) + " of centre"}});
    if (farOff) {
        centred.edit = Edit::kSetKeys;
    }
    Add(&out, offCentred, farOff ? kFix : kNote,
        "headviewing_offset=@ turns the view @ of centre, although headview follows the processed yaw, which your "
        "tracker's centre key centres. For a centred view:",
        {ini.texts[kOffsetKey], Side(offCentre)}, centred);
    JudgeDecimalGain(ini, &out);
    Add(&out, ini.settings.test == 1 && ini.present[kTestKey], kNote,
        "headview reads headview.ini again on every frame (headviewing_test=1): fine while tuning. For play:", {},
        Shows({{kTestKey, "0"}}));
    Add(&out, !ini.nearMissFile.empty(), kNote, "headview reads only headview.ini, not the @ beside it.",
        {ini.nearMissFile});
    return out;
}

Findings JudgeLog(const LogFacts& log, const IniFacts& ini, const FolderFacts& folder, bool gameRuns)
{
    Findings out;
    const bool loaderSkipped =
        log.setup == kNoLog && folder.wine && folder.plugin && folder.scriptHook && folder.asiLoader;
    const std::string launchOption =
        " Under Proton, Wine loads its own dinput8.dll unless the game starts with the "
        "launch option " +
        Unbroken("WINEDLLOVERRIDES=\"dinput8=n,b\" %command%") + " (Steam: the game's Properties, Launch options).";
    std::string when = "at a time the log does not give";
    if (log.startedAt > 0) {
        when = LocalTime(log.startedAt);
    }
    const auto& setup = kLogFindings[log.setup];
    Add(&out, log.setup != kFarBack, setup.mark, setup.says + (loaderSkipped ? launchOption : ""), {when});
    if (log.setup != kFarBack) {
        out.back().pending = setup.pending && !gameRuns;
    }
    bool keysRead = ini.exists && !ini.isFolder;
    for (int key = 0; key < kSettingKeyCount; ++key) {
        keysRead = keysRead && (ini.present[key] ? Converts(key, ini.texts[key]) : key >= kSourceKey);
    }
    // What the game has not read yet: all is well only once it has run with the file as it is.
    const size_t notYetRead = out.size();
    keysRead = keysRead && !gameRuns;  // the running game's own settings are judged instead
    Add(&out, log.badKeys > 0 && keysRead && ini.settings.test != 1, kNote,
        "In its last run (started @), headview could not read a key of headview.ini. It reads well now: start the "
        "game again for it to count.",
        {when});
    Add(&out, log.missingIni > 0 && ini.exists && !gameRuns, kNote,
        "When headview last started (@), headview.ini was not there. It is there now: start the game again for it "
        "to count.",
        {when});
    Add(&out, ini.exists && !gameRuns && ini.settings.test != 1 && log.startedAt > 0 && ini.written > log.startedAt,
        kNote,
        "headview.ini was changed after headview last started (@), and headview reads it only when the game starts "
        "(headviewing_test=0): start the game again for the change to count.",
        {when});
    for (size_t i = notYetRead; i < out.size(); ++i) {
        out[i].pending = true;
    }
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

// A value as headview.ini would hold it: whole numbers in base 16.
std::string Written(int key, const Settings& s)
{
    const int32_t whole[] = {s.enabled, s.test, s.multiplier, 0, s.source, s.status};
    char text[16];
    snprintf(text, sizeof text, "%s%X", whole[key] < 0 ? "-" : "", static_cast<unsigned>(abs(whole[key])));
    if (key != kOffsetKey) {
        return text;
    }
    std::string offset = Plain(s.offset, 4);
    offset.erase(offset.find_last_not_of('0') + 1);
    if (offset.back() == '.') {
        offset += '0';
    }
    return offset;
}

// A game runs headview from this folder: its block names this headview.ini.
bool GameRunsHere(const Facts& f)
{
    return f.game.seen == kHeadviewRuns && _wcsicmp(f.game.last.iniPath, f.ini.path.c_str()) == 0;
}

// The running game's headview, from the block it publishes: what it reads and sees. The camera's turn in the
// vehicle is judged in JudgeAll, beside the other findings.
Findings JudgeGame(const Facts& f)
{
    const GameFacts& g = f.game;
    const StatusBlock& b = g.last;
    Findings out;
    Add(&out, g.seen == kNotHeadviews, kNote,
        "Another program holds the name headview publishes its state under, or what is there is not headview's: "
        "the probe judges the game from headview.log.");
    Add(&out, g.seen == kHeadviewRuns && !GameRunsHere(f), kNote,
        "The running game's headview reads @, not this folder's headview.ini: the probe judges this folder from "
        "headview.log.",
        {Path(b.iniPath)});
    Finding off = Say(kNote,
                      "headview-probe judges the game from headview.log: it sees what a running game's headview does "
                      "only with headviewing_status=1 in headview.ini (the camera works without it). To have the "
                      "probe check the running game, change or add this line:",
                      {}, Sets({{kStatusKey, "1"}}));
    off.alongside = true;
    if (f.ini.exists && f.ini.settings.status != 1 && !GameRunsHere(f)) {
        out.push_back(off);
    }
    if (!GameRunsHere(f)) {
        return out;
    }
    const bool still = b.frames == g.first.frames;
    Add(&out, still && f.ini.settings.status != 1, kNote,
        "The running game's headview stopped publishing what it does (headviewing_status is no longer 1): the probe "
        "judges the game from headview.log.");
    Add(&out, still && f.ini.settings.status == 1, kNote,
        "The game runs headview, but ran no frame while the probe watched: it is paused or minimised, or it hangs.");
    const Settings game = {b.enabled, b.test, b.multiplier, b.offset, b.source, b.status};
    std::string differ;
    for (int k = 0; k < kSettingKeyCount; ++k) {
        if (Written(k, game) != Written(k, f.ini.settings)) {
            differ += (differ.empty() ? "" : ", ") + LineOf({static_cast<SettingKey>(k), Written(k, game)}) +
                      " where headview.ini has " + Written(k, f.ini.settings);
        }
    }
    Add(&out, f.ini.exists && b.test != 1 && !differ.empty() && !(still && f.ini.settings.status != 1), kFix,
        "The running game uses @: headview reads headview.ini only when the game starts (headviewing_test=0). "
        "Start the game again for the file to count.",
        {differ});
    Add(&out, b.link == kLinkCannotOpen, kStop,
        "The running game's headview cannot open the tracker's data. Run the tracker and the game at the same "
        "privilege level (both as administrator or neither), then start the game again.");
    Add(&out, !still && b.counter != g.first.counter, kOk,
        "The running game's headview reads your tracker's head positions.");
    Add(&out, !still && b.vehicle == 0, kNote,
        "The game runs headview with your character on foot: get into a vehicle to see the camera turn.");
    return out;
}

}  // namespace

bool HasMark(const Findings& findings, Mark mark)
{
    return std::any_of(findings.begin(), findings.end(), [&](const Finding& f) { return f.mark == mark; });
}

Finding DescribeHeading(const Settings& s, const std::string& offsetText, const std::string& gainText)
{
    const std::string offset = "headviewing_offset=" + offsetText, gain = "headviewing_multiplier=" + gainText;
    const float left = HeadingAt(s, -kTestTurn, -kTestTurn), right = HeadingAt(s, kTestTurn, kTestTurn);
    const float ahead = HeadingAt(s, 0.0, 0.0), widest = fmax(fabs(left), fabs(right));
    const Change centred = Shows({{kOffsetKey, "0.0"}});
    if (!isfinite(left) || !isfinite(right)) {
        return Say(kStop,
                   "The camera can never move: with @ and @ the heading is no usable angle, so headview sends none.",
                   {offset, gain}, centred);
    }
    if (left == right && s.multiplier == 0) {
        return Say(kStop, "A gain of 0 holds the camera straight ahead, wherever you look.", {},
                   Shows({{kMultiplierKey, "39"}}));
    }
    if (left == right) {
        return Say(kStop, "The camera would not follow your head: @ is so large that a head turn is lost in it.",
                   {offset}, centred);
    }
    if (fabs(s.offset) > kTestTurn && widest > 180.0) {
        return Say(kStop,
                   "@ turns the camera @ degrees while you look straight ahead, and a head turn past 180: it would "
                   "spin round. The offset is in the tracker's unit, radians for the common trackers.",
                   {offset, Plain(ahead, 0)}, centred);
    }
    if (widest > 180.0) {
        std::string gainOf39 = "39";
        if (s.multiplier < 0) {
            gainOf39 = "-39";
        }
        return Say(kStop,
                   "With @ a head turn of 45 degrees would turn the camera past 180 degrees: it would spin round.",
                   {gain}, Shows({{kMultiplierKey, gainOf39}}));
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

Findings JudgeTracker(const TrackerFacts& f, const Settings& s, const FolderFacts& folder)
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
    // NaturalPoint's software sends its data to the games on its list alone: a bridge writes it as FreeTrack data.
    const bool trackIR = folder.trackIR && (situation == kNoTracker || situation == kNoPoses);
    Add(&out, trackIR, kStop,
        "NaturalPoint's TrackIR software runs (TrackIR5.exe), and no FreeTrack data arrives: that software publishes "
        "none, and FreeTrack data is what headview reads. A bridge program can publish it: for example FreePIE with "
        "the script in README.txt, started before the game (where one runs, it has stopped sending). The shipped "
        "headview.ini (headviewing_source=1) follows what such a bridge writes; then @ matches the camera to your "
        "head.",
        {Unbroken("headview-probe --gain 45")});
    if (row != std::end(kTrackerRows) && !trackIR) {
        Change change = {};
        if (row->edit == Edit::kSetKeys) {
            change = Sets(kToProcessed);
        }
        out.push_back(Say(row->mark, row->says + (situation == kNoTracker && folder.wine ? prefix : ""), {}, change));
    }
    return out;
}

Settings JudgedSettings(const Facts& f)
{
    Settings s = f.ini.settings;
    if (!f.ini.exists || f.ini.isFolder) {
        s.source = 1;  // the file to copy follows the processed yaw
    }
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
        more = JudgeLog(f.log, ini, f.folder, GameRunsHere(f));
        out.insert(out.end(), more.begin(), more.end());
        more = JudgeGame(f);
        out.insert(out.end(), more.begin(), more.end());
        Add(&out, f.folder.probeOld && ini.exists, kNote,
            "headview.ini.probe-old is a copy of headview.ini from before a change a headview-probe could not finish. "
            "headview reads only headview.ini: when that is as you want it, delete headview.ini.probe-old.");
    }
    if (f.watched) {
        more = JudgeTracker(f.tracker, JudgedSettings(f), f.folder);
        out.insert(out.end(), more.begin(), more.end());
    }
    const bool read = ini.exists && !ini.tooLong && !ini.isFolder;
    const StatusBlock& b = f.game.last;
    const bool turning = GameRunsHere(f) && b.frames != f.game.first.frames && b.vehicle == 1 && b.headingFrame > 0;
    Add(&out, !HasMark(out, kStop) && turning, kOk,
        "In the vehicle headview turns the camera: your head @, the camera @.",
        {Side(b.yaw * kDegreesPerRadian), Side(b.heading)});
    if (!HasMark(out, kStop) && read && ini.settings.enabled == 1) {
        out.push_back(heading);
    }
    return out;
}
