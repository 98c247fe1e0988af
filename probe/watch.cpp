#include "probe/watch.h"

#include "plugin/heading.h"
#include "probe/ini_file.h"
#include "probe/pose_sampling.h"
#include "probe/value_text.h"

#include <math.h>
#include <stdio.h>

namespace {

constexpr double kLineEverySeconds = 0.25;
constexpr double kStallSeconds = 1.0;
constexpr double kMovedRadians = 1.0 / kDegreesPerRadian;  // a yaw that moved less stood still

struct Watch {
    IniState ini;
    bool cameraOn;  // the file exists and headviewing is 1
    bool found;     // FT_SharedMem was there
    int poses;      // new poses seen
    int64_t published;  // poses the tracker published, from its frame counter
    double watchedSeconds;  // since the tracker was found
    double longestStall;
    YawStats yaw, rawYaw;
    bool rawAlwaysZero = true;
    bool rawAlwaysYaw = true;  // the tracker publishes one yaw twice
    double rawMinusYaw;        // summed over the poses
    bool headingSeen;
    float headingMin, headingMax;
};

bool IsConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void PrintSettings(const IniState& ini)
{
    if (!ini.exists) {
        printf("No headview.ini at %s: headview keeps the camera off.\n", ini.path.c_str());
        return;
    }
    const Settings& s = ini.settings;
    printf(
        "headview.ini at %s:\n  follows the %s yaw (headviewing_source=%d), offset %g, gain %d "
        "(headviewing_multiplier=%s)\n",
        ini.path.c_str(), s.source == 1 ? "processed" : "raw", s.source, static_cast<double>(s.offset), s.multiplier,
        FormatHexValue(s.multiplier).c_str());
}

// The heading the plugin would send for this pose; false when none.
bool CameraHeading(const Watch& w, const FTPose& pose, float* heading)
{
    *heading = HeadingFor(w.ini.settings, pose);
    return w.cameraOn && isfinite(*heading);
}

void AddPose(Watch* w, const FTPose& pose)
{
    ++w->poses;
    AddYaw(&w->yaw, pose.yaw);
    AddYaw(&w->rawYaw, pose.rawYaw);
    w->rawAlwaysZero = w->rawAlwaysZero && pose.rawYaw == 0.0f;
    w->rawAlwaysYaw = w->rawAlwaysYaw && pose.rawYaw == pose.yaw;
    w->rawMinusYaw += static_cast<double>(pose.rawYaw) - pose.yaw;
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

void WatchPoses(Watch* w, int seconds)
{
    const bool console = IsConsole();
    TrackerView view = {};
    const Clock clock = StartClock();
    double foundAt = 0.0, lastLine = 0.0, lastChange = 0.0;
    int64_t publishedAtLine = 0;
    CounterTrack counter = {};
    FTPose pose = {};
    for (double now = 0.0; now < seconds; now = SecondsSince(clock)) {
        if (!w->found) {
            // The tracker may be started while the probe watches.
            w->found = OpenTrackerView(&view);
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
        printf(
            "But headview.ini was not found at %s, so headview keeps the camera off.\n"
            "Run this from the game's folder where headview.ini belongs, or give its place with --ini.\n",
            w.ini.path.c_str());
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
    if (s.test == 1) {
        printf(
            "headview reads headview.ini again on every frame (headviewing_test is 1 or missing): fine while\n"
            "tuning; for play, put this line in headview.ini:\n  headviewing_test=0\n");
    }
    if (!w.ini.allRead) {
        printf("A value in headview.ini cannot be read and takes its default: check headview.log.\n");
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

int PrintVerdict(const Watch& w, int seconds)
{
    printf("\n");
    if (!w.found) {
        printf(
            "No tracker is publishing FreeTrack data. Start your head tracker, turn on its FreeTrack\n"
            "output, and run this again.\n");
        return 1;
    }
    if (w.poses == 0 || w.longestStall >= kStallSeconds) {
        printf(
            "Your tracker's data is there, but no new head positions arrived for %.1f seconds: the tracker\n"
            "is paused, or it cannot find your face or markers (look at its camera view). If no tracker\n"
            "runs, the game made this empty data itself: start the tracker.\n",
            w.poses == 0 ? static_cast<double>(seconds) : w.longestStall);
        return 1;
    }
    if (w.cameraOn && !w.headingSeen) {
        PrintFrozenCamera(w.ini);
        return 1;
    }
    const bool yawMoved = YawSpread(w.yaw) >= kMovedRadians;
    const bool rawMoved = YawSpread(w.rawYaw) >= kMovedRadians;
    if (w.rawAlwaysZero && yawMoved && w.ini.settings.source != 1) {
        printf(
            "Your tracker leaves the raw yaw at zero, and headview follows the raw yaw, so the camera\n"
            "would not turn. Put this line in headview.ini, under [Settings]:\n  headviewing_source=1\n");
        return 1;
    }
    if (!yawMoved && !rawMoved) {
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
    if (w.rawAlwaysYaw) {
        printf("Both yaws are the same: headviewing_source makes no difference with this tracker.\n");
    } else if (yawMoved && rawMoved) {
        const double apart = w.rawMinusYaw / w.poses * kDegreesPerRadian;
        printf(
            "The raw yaw sits %.1f degrees off the processed yaw, and shakes by %.2f degrees from one\n"
            "head position to the next where the processed yaw shakes by %.2f.\n"
            "headviewing_source=1 follows the processed yaw, with your tracker's own centring,\n"
            "smoothing and curves; headviewing_source=0 follows the raw yaw.\n",
            fabs(apart), YawJitter(w.rawYaw) * kDegreesPerRadian, YawJitter(w.yaw) * kDegreesPerRadian);
    }
    return PrintSettingsAdvice(w) ? 1 : 0;
}

}  // namespace

int RunWatch(const std::string& iniPath, int seconds)
{
    Watch w = {};  // zero but for the two flags that start true
    w.ini = ReadIni(iniPath);
    w.cameraOn = w.ini.exists && w.ini.settings.enabled == 1;
    PrintSettings(w.ini);
    printf("Watching the tracker for %d seconds: turn your head left and right.\n", seconds);
    fflush(stdout);
    WatchPoses(&w, seconds);
    return PrintVerdict(w, seconds);
}
