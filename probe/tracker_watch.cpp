// The tracker's data watched: poses copied whole, counted from the tracker's
// counter, stalls and an ended tracker told apart, live lines printed.
#include "probe/console.h"
#include "probe/game_status.h"
#include "probe/tracker_watch.h"
#include "settings/heading.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <atomic>

namespace {

constexpr int kCopyTries = 10;
constexpr double kSettleSeconds = 50e-6;   // far longer than a tracker takes to store a pose
constexpr double kStallFromSeconds = 1.0;  // a slow tracker's gaps are no stalls
constexpr double kEverySeconds = 0.25;     // a live line; a look for a tracker that ended

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// `bends`: the yaw and the two before it are poses in a row; a pose the
// watch missed between them would count as a bend of the head's own motion.
void AddYaw(YawStats* stats, double yaw, bool bends)
{
    stats->min = stats->count == 0 ? yaw : fmin(stats->min, yaw);
    stats->max = stats->count == 0 ? yaw : fmax(stats->max, yaw);
    stats->sum += yaw;
    if (bends) {
        const double bend = yaw - 2 * stats->last + stats->beforeLast;
        stats->jitterSquares += bend * bend;
        ++stats->jitterCount;
    }
    stats->beforeLast = stats->last;
    stats->last = yaw;
    ++stats->count;
}

// The camera heading the settings give; while a game runs headview, the one it sent.
void PrintLiveLine(const FTPose& pose, double posesPerSecond, const Settings& settings, bool cameraOn)
{
    const auto tenths = [](double value) { return round(value * 10.0) / 10.0 + 0.0; };  // never "-0.0"
    float heading = HeadingFor(settings, pose);
    char line[160], camera[40] = "    off";
    static uint64_t lastFrames = 0;  // a game whose frames stand still shows nothing of its own
    StatusBlock game = {};
    const bool running = LookAtGame(&game) == kHeadviewRuns && game.frames != lastFrames;
    lastFrames = game.frames;
    if (running) {
        cameraOn = game.vehicle == 1;
        heading = game.heading;
        snprintf(camera, sizeof camera, "%s", game.vehicle == 0 ? "on foot (game)" : "    off (game)");
    }
    if (cameraOn && isfinite(heading) && fabs(heading) < 1e6) {
        snprintf(camera, sizeof camera, "%+7.1f deg%s", tenths(heading), running ? " (game)" : "");
    }
    snprintf(line, sizeof line, "%4.0f poses/s  yaw %+6.1f deg  raw yaw %+6.1f deg  camera %s%s", posesPerSecond,
             tenths(pose.yaw * kDegreesPerRadian), tenths(pose.rawYaw * kDegreesPerRadian), camera,
             OutputIsConsole() ? "\r" : "\n");
    WriteOut(line);
}

}  // namespace

Region OpenTrackerView(const FTPose** view)
{
    *view = nullptr;
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kFTRegionWideName);
    if (mapping == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED ? kDenied : kAbsent;
    }
    *view = static_cast<const FTPose*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(FTPose)));
    CloseHandle(mapping);
    return *view != nullptr ? kOpen : kDenied;
}

TrackerFacts LookForTracker()
{
    TrackerFacts facts = {};
    const FTPose* view = nullptr;
    facts.region = OpenTrackerView(&view);
    UnmapViewOfFile(view);
    return facts;
}

bool CopyStablePose(const FTPose* source, FTPose* pose)
{
    FTPose again;
    for (int attempt = 0; attempt < kCopyTries; ++attempt) {
        memcpy(pose, source, sizeof *pose);
        std::atomic_thread_fence(std::memory_order_seq_cst);  // the second copy reads the region anew
        for (const double start = Seconds(); Seconds() - start < kSettleSeconds;) {
        }
        memcpy(&again, source, sizeof again);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (memcmp(pose, &again, sizeof again) == 0) {
            return true;
        }
    }
    return false;
}

int64_t TrackCounter(CounterTrack* track, int32_t counter)
{
    if (counter == track->last || counter == 0) {
        return 0;
    }
    int64_t advanced = 1;  // a jump back: a reset or a restart
    if (track->last == 0) {
        advanced = 0;
    } else if (counter > track->last) {
        advanced = int64_t{counter} - track->last;
    }
    track->last = counter;  // after a start at 0, counting starts here
    track->published += advanced;
    return advanced;
}

void NoteReading(StallClock* clock, double now, bool advanced)
{
    if (!clock->started || advanced) {
        const double still = clock->started ? clock->lastReading - clock->stillSince : 0.0;
        clock->longest = fmax(clock->longest, still);
        clock->stalled += still >= kStallFromSeconds ? still : 0.0;
        clock->stillSince = now;
        clock->started = true;
    }
    clock->lastReading = now;
}

void AddPose(TrackerFacts* facts, const FTPose& pose)
{
    const bool first = facts->poses++ == 0;
    const bool next =
        !first && pose.frameCounter == int64_t{facts->lastCounter} + 1;  // the tracker's bytes: no overflow
    if (next) {
        ++facts->inRow;
    } else {
        facts->inRow = 1;
    }
    facts->lastCounter = pose.frameCounter;
    AddYaw(&facts->processed, pose.yaw, facts->inRow >= 3);
    AddYaw(&facts->raw, pose.rawYaw, facts->inRow >= 3);
    facts->rawAlwaysZero = (first || facts->rawAlwaysZero) && pose.rawYaw == 0.0f;
    facts->processedAlwaysZero = (first || facts->processedAlwaysZero) && pose.yaw == 0.0f;
    facts->sameEveryPose = (first || facts->sameEveryPose) && pose.rawYaw == pose.yaw;
    facts->rawMinusProcessed += static_cast<double>(pose.rawYaw) - pose.yaw;
    for (const float axis : {pose.pitch, pose.roll, pose.x, pose.y, pose.z, pose.rawPitch, pose.rawRoll, pose.rawX,
                             pose.rawY, pose.rawZ}) {
        facts->otherAxesLive = facts->otherAxesLive || axis != 0.0f;
    }
}

TrackerFacts WatchTracker(double seconds, const Settings& settings, bool cameraOn, bool live)
{
    TrackerFacts facts = {};
    const FTPose* view = nullptr;
    FTPose pose = {};
    CounterTrack counter = {};
    StallClock stall = {};
    double found = 0.0, lastLine = 0.0;
    int64_t publishedAtLine = 0;
    bool toldNone = false;
    for (double start = Seconds(), now = 0.0; now < seconds; now = Seconds() - start) {
        if (view == nullptr && (facts.region = OpenTrackerView(&view)) != kOpen) {
            WriteOut(live && !toldNone && !facts.exited && now >= 1.0
                         ? "No tracker's FreeTrack data yet: the probe keeps watching.\n"
                         : "");
            toldNone = toldNone || now >= 1.0 || facts.exited;
            Sleep(100);
            continue;
        }
        if (!stall.started || facts.exited) {  // found, or found again
            WriteOut(live && (toldNone || facts.exited) ? "A tracker's FreeTrack data appeared: watching it.\n" : "");
            CopyStablePose(view, &pose);
            counter = CounterTrack{pose.frameCounter, 0};
            stall = StallClock{};
            NoteReading(&stall, now, false);
            found = lastLine = now;
            facts.exited = false;
        }
        Sleep(1);
        const bool fresh = CopyStablePose(view, &pose) && TrackCounter(&counter, pose.frameCounter) > 0;
        NoteReading(&stall, Seconds() - start, fresh);
        if (fresh) {
            AddPose(&facts, pose);
        }
        if (now - lastLine >= kEverySeconds && now - stall.stillSince >= kEverySeconds &&
            LookForTracker().region == kAbsent) {
            WriteOut(live ? "\nThe tracker's FreeTrack data is gone.\n" : "");
            facts.exited = true;
            UnmapViewOfFile(view);
            view = nullptr;
        } else if (now - lastLine >= kEverySeconds) {
            if (live) {
                PrintLiveLine(pose, (counter.published - publishedAtLine) / (now - lastLine), settings, cameraOn);
            }
            lastLine = now;
            publishedAtLine = counter.published;
        }
    }
    if (stall.started) {
        const double still = stall.lastReading - stall.stillSince;
        facts.region = kOpen;
        facts.published = counter.published;
        facts.longestStall = fmax(stall.longest, still);
        facts.sendingSeconds =
            fmax(stall.lastReading - found - stall.stalled - (still >= kStallFromSeconds ? still : 0.0), 1e-3);
    }
    UnmapViewOfFile(view);
    WriteOut(live && OutputIsConsole() ? "\n" : "");
    return facts;
}
