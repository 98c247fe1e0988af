#include "probe/watch.h"

#include "settings/heading.h"
#include "probe/advice.h"
#include "probe/folder_check.h"
#include "probe/ini_file.h"
#include "probe/ini_report.h"
#include "probe/log_report.h"
#include "probe/pose_sampling.h"
#include "probe/value_text.h"

#include <math.h>
#include <stdio.h>

namespace {

constexpr double kLineEverySeconds = 0.25;
constexpr double kStallSeconds = 1.0;
constexpr double kNoTrackerAfterSeconds = 1.0;
constexpr double kMovedRadians = 1.0 / kDegreesPerRadian;  // a yaw that moved less stood still

struct Watch {
    IniState ini;
    bool cameraOn;          // the file exists and headviewing is 1
    bool found;             // FT_SharedMem was there
    YawPair yaws;           // the new poses seen
    int64_t published;      // poses the tracker published, from its frame counter
    double watchedSeconds;  // since the tracker was found
    double longestStall;
    bool headingSeen;
    float headingMin, headingMax;
};

bool IsConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

// The file, the folder around it and the log; true when something there
// stops the camera or needs fixing.
bool PrintSetUp(const IniState& ini)
{
    if (!ini.exists) {
        printf("No headview.ini at %s: headview keeps the camera off.\n", ini.path.c_str());
        PrintNearMissIni(ini.path);
        return true;
    }
    const Settings& s = ini.settings;
    printf(
        "headview.ini at %s:\n  follows the %s yaw (headviewing_source=%d), offset %g, gain %d "
        "(headviewing_multiplier=%s)\n",
        ini.path.c_str(), s.source == 1 ? "processed" : "raw", s.source, static_cast<double>(s.offset), s.multiplier,
        FormatHexValue(s.multiplier).c_str());
    const bool unreadable = PrintUnreadableKeys(ini);
    const bool missing = PrintMissingBesideIni(ini.path);
    PrintLogReport(FolderOf(ini.path) + "headview.log");
    return unreadable || missing;
}

// The heading the plugin would send for this pose; false when none.
bool CameraHeading(const Watch& w, const FTPose& pose, float* heading)
{
    *heading = HeadingFor(w.ini.settings, pose);
    return w.cameraOn && isfinite(*heading);
}

void AddPose(Watch* w, const FTPose& pose)
{
    AddPoseYaws(&w->yaws, pose);
    float heading = 0.0f;
    if (CameraHeading(*w, pose, &heading)) {
        w->headingMin = w->headingSeen ? fminf(w->headingMin, heading) : heading;
        w->headingMax = w->headingSeen ? fmaxf(w->headingMax, heading) : heading;
        w->headingSeen = true;
    }
}

void PrintLiveLine(const Watch& w, const FTPose& pose, double posesPerSecond, bool console)
{
    char camera[32] = "off";
    float heading = 0.0f;
    if (CameraHeading(w, pose, &heading)) {
        snprintf(camera, sizeof camera, "%+7.1f", static_cast<double>(heading));
    }
    printf("%s%5.0f poses/s   yaw %+7.1f deg   raw yaw %+7.1f deg   camera heading %s%s", console ? "\r" : "",
           posesPerSecond, pose.yaw * kDegreesPerRadian, pose.rawYaw * kDegreesPerRadian, camera,
           console ? "   " : "\n");
    fflush(stdout);
}

// Until a tracker appears: false while there is none, having said so once
// after the first second.
bool FindTracker(TrackerView* view, double now, bool* toldNone)
{
    if (OpenTrackerView(view)) {
        if (*toldNone) {
            printf("A tracker's FreeTrack data appeared: watching it.\n");
        }
        return true;
    }
    if (!*toldNone && now >= kNoTrackerAfterSeconds) {
        printf("No tracker is publishing FreeTrack data yet: start your head tracker and turn on its\n"
               "FreeTrack output. The probe keeps watching.\n");
        fflush(stdout);
        *toldNone = true;
    }
    return false;
}

void WatchPoses(Watch* w, int seconds)
{
    const bool console = IsConsole();
    TrackerView view = {};
    const Clock clock = StartClock();
    double foundAt = 0.0, lastLine = 0.0, lastChange = 0.0;
    int64_t publishedAtLine = 0;
    CounterTrack counter = {};
    FTPose pose = {};
    bool toldNone = false;
    for (double now = 0.0; now < seconds; now = SecondsSince(clock)) {
        if (!w->found) {
            w->found = FindTracker(&view, now, &toldNone);
            if (!w->found) {
                Sleep(100);
                continue;
            }
            CopyPoseWithoutLocking(view, &pose);
            counter = StartCounterTrack(pose.frameCounter);
            foundAt = lastLine = lastChange = now;
        }
        Sleep(1);
        if (CopyPoseWithoutLocking(view, &pose) && TrackCounter(&counter, pose.frameCounter) > 0) {
            w->longestStall = fmax(w->longestStall, now - lastChange);
            lastChange = now;
            AddPose(w, pose);
        }
        if (now - lastLine >= kLineEverySeconds) {
            PrintLiveLine(*w, pose, static_cast<double>(counter.published - publishedAtLine) / (now - lastLine),
                          console);
            lastLine = now;
            publishedAtLine = counter.published;
        }
    }
    if (w->found) {
        const double end = SecondsSince(clock);
        w->longestStall = fmax(w->longestStall, end - lastChange);
        w->watchedSeconds = end - foundAt;
        w->published = counter.published;
        CloseTrackerView(&view);
    }
    if (console) {
        printf("\n");
    }
}

// What headview.ini would still do to a working tracker; true when it stops the camera.
bool PrintSettingsAdvice(const Watch& w)
{
    const Settings& s = w.ini.settings;
    if (!w.ini.exists) {
        printf("But headview.ini was not found at %s, so headview keeps the camera off.\n", w.ini.path.c_str());
        if (FindNearMissIni(w.ini.path).empty()) {
            printf("Run this from the game's folder where headview.ini belongs, or give its place with --ini.\n");
        }
        return true;
    }
    bool stops = false;
    if (s.enabled != 1) {
        printf(
            "But headview.ini turns the camera off. To turn it on, put this line in headview.ini:\n"
            "  headviewing=1\n");
        stops = true;
    }
    if (s.multiplier == 0) {
        printf("But a gain of 0 holds the camera straight ahead. For example:\n  headviewing_multiplier=39\n");
        stops = true;
    }
    if (s.test == 1 && w.ini.present[kTestKey]) {  // a missing key was named already
        printf(
            "headview reads headview.ini again on every frame (headviewing_test is 1 or missing): fine while\n"
            "tuning; for play, put this line in headview.ini:\n  headviewing_test=0\n");
    }
    return stops;
}

// Every pose gave a heading that is not a finite number, which the plugin
// never sends: names the value that does it.
void PrintFrozenCamera(const IniState& ini)
{
    const Settings& s = ini.settings;
    printf("The camera can never move: every heading headview would send is not a finite number, and it\n");
    if (!isfinite(s.offset)) {
        printf("sends none. headviewing_offset=%s reads as %g. For example:\n  headviewing_offset=0.0\n",
               ini.texts[kOffsetKey].c_str(), static_cast<double>(s.offset));
    } else if (!isfinite(s.offset * static_cast<float>(s.multiplier))) {
        printf(
            "sends none. headviewing_offset=%s with headviewing_multiplier=%s turns the camera beyond any\n"
            "number. For example:\n  headviewing_offset=0.0\n",
            ini.texts[kOffsetKey].c_str(), ini.texts[kMultiplierKey].c_str());
    } else {
        printf("sends none. Your tracker's yaw is not a finite number: restart the tracker.\n");
    }
}

// How the raw yaw differs from the processed one, when both are filled.
void PrintYawDetails(const YawPair& yaws)
{
    printf(
        "The raw yaw sits %.1f degrees off the processed yaw, and shakes by %.2f degrees from one\n"
        "head position to the next where the processed yaw shakes by %.2f.\n",
        fabs(RawYawBias(yaws)) * kDegreesPerRadian, YawJitter(yaws.raw) * kDegreesPerRadian,
        YawJitter(yaws.processed) * kDegreesPerRadian);
}

int PrintVerdict(const Watch& w, bool setUpToFix)
{
    printf("\n");
    const Situation situation = JudgeTracker(w.found, w.yaws);
    const Recommendation advice = Recommend(situation, w.ini.settings.source);
    if (situation == Situation::kNoTracker || situation == Situation::kNoPoses ||
        situation == Situation::kOnlyZeros) {
        PrintRecommendation(advice);
        return 1;
    }
    if (w.longestStall >= kStallSeconds) {
        printf(
            "Your tracker's data is there, but no new head positions arrived for %.1f seconds: the tracker\n"
            "is paused, or it cannot find your face or markers (look at its camera view).\n",
            w.longestStall);
        return 1;
    }
    if (w.cameraOn && !w.headingSeen) {
        PrintFrozenCamera(w.ini);
        return 1;
    }
    if (YawSpread(w.yaws.processed) < kMovedRadians && YawSpread(w.yaws.raw) < kMovedRadians) {
        printf(
            "Nothing moved while the probe watched. Turn your head left and right while it watches,\n"
            "and run it again.\n");
        return 1;
    }
    printf("Your tracker works: %.0f head positions a second.\n",
           static_cast<double>(w.published) / fmax(w.watchedSeconds, 1e-3));
    if (w.headingSeen) {
        printf("The camera would have turned between %+.1f and %+.1f degrees.\n", static_cast<double>(w.headingMin),
               static_cast<double>(w.headingMax));
    }
    if (situation == Situation::kRawOffOrShaky || situation == Situation::kYawsAgree) {
        PrintYawDetails(w.yaws);
    }
    if (w.ini.exists) {  // no lines to put in a file that is not there
        PrintRecommendation(advice);
    }
    const bool stops = PrintSettingsAdvice(w);
    return advice.toFix || stops || setUpToFix ? 1 : 0;
}

}  // namespace

int RunWatch(const std::string& iniPath, int seconds)
{
    Watch w = {};
    w.ini = ReadIni(iniPath);
    w.cameraOn = w.ini.exists && w.ini.settings.enabled == 1;
    const bool setUpToFix = PrintSetUp(w.ini);
    printf("Watching the tracker for %d seconds: turn your head left and right.\n", seconds);
    fflush(stdout);
    WatchPoses(&w, seconds);
    return PrintVerdict(w, setUpToFix);
}
