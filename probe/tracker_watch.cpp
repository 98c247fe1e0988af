#include "probe/console.h"
#include "probe/facts.h"
#include "settings/heading.h"

#include <windows.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <atomic>

namespace {

constexpr int kCopyTries = 10;
constexpr double kSettleSeconds = 50e-6;  // far longer than a tracker takes to store a pose
constexpr double kStallFromSeconds = 0.1;
constexpr double kEverySeconds = 0.25;  // a live line; a look for a tracker that ended
constexpr double kNoTrackerAfterSeconds = 1.0;

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void AddYaw(YawStats* stats, double yaw)
{
    stats->min = stats->count == 0 ? yaw : fmin(stats->min, yaw);
    stats->max = stats->count == 0 ? yaw : fmax(stats->max, yaw);
    stats->sum += yaw;
    const double bend = yaw - 2 * stats->last + stats->beforeLast;
    stats->jitterSquares += stats->count >= 2 ? bend * bend : 0.0;
    stats->jitterCount += stats->count >= 2 ? 1 : 0;
    stats->beforeLast = stats->last;
    stats->last = yaw;
    ++stats->count;
}

// The readings of one open region; new poses go into `facts`.
struct Sampler {
    CounterTrack counter;
    StallClock stall;
    FTPose pose;
    double start;
};

Sampler StartSampler(const FTPose* view, double now)
{
    Sampler s = {};
    CopyStablePose(view, &s.pose);
    s.counter.last = s.pose.frameCounter;
    s.start = now;
    NoteReading(&s.stall, now, false);
    return s;
}

void Sample(const FTPose* view, Sampler* s, TrackerFacts* facts)
{
    const bool fresh = CopyStablePose(view, &s->pose) && TrackCounter(&s->counter, s->pose.frameCounter) > 0;
    NoteReading(&s->stall, Seconds(), fresh);
    if (fresh) {
        AddPose(facts, s->pose);
    }
}

void Finish(const Sampler& s, TrackerFacts* facts)
{
    const double still = s.stall.lastReading - s.stall.stillSince;
    facts->published = s.counter.published;
    facts->longestStall = fmax(s.stall.longest, still);
    facts->sendingSeconds =
        fmax(s.stall.lastReading - s.start - s.stall.stalled - (still >= kStallFromSeconds ? still : 0.0), 1e-3);
}

// True once no program holds the region any more: the tracker ended.
bool RegionVanished()
{
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kFTRegionWideName);
    const bool vanished = mapping == nullptr && GetLastError() == ERROR_FILE_NOT_FOUND;
    if (mapping != nullptr) {
        CloseHandle(mapping);
    }
    return vanished;
}

}  // namespace

Region OpenTrackerView(const FTPose** view)
{
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kFTRegionWideName);
    if (mapping == nullptr) {
        *view = nullptr;
        return GetLastError() == ERROR_ACCESS_DENIED ? kDenied : kAbsent;
    }
    *view = static_cast<const FTPose*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(FTPose)));
    CloseHandle(mapping);
    return *view != nullptr ? kOpen : kDenied;
}

void CloseTrackerView(const FTPose** view)
{
    if (*view != nullptr) {
        UnmapViewOfFile(*view);
        *view = nullptr;
    }
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
    const int64_t advanced = track->last == 0 ? 0 : counter > track->last ? int64_t{counter} - track->last : 1;
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
    AddYaw(&facts->processed, pose.yaw);
    AddYaw(&facts->raw, pose.rawYaw);
    facts->rawAlwaysZero = (first || facts->rawAlwaysZero) && pose.rawYaw == 0.0f;
    facts->processedAlwaysZero = (first || facts->processedAlwaysZero) && pose.yaw == 0.0f;
    facts->sameEveryPose = (first || facts->sameEveryPose) && pose.rawYaw == pose.yaw;
    facts->rawMinusProcessed += static_cast<double>(pose.rawYaw) - pose.yaw;
    for (const float axis : {pose.pitch, pose.roll, pose.x, pose.y, pose.z, pose.rawPitch, pose.rawRoll, pose.rawX,
                             pose.rawY, pose.rawZ}) {
        facts->otherAxesLive = facts->otherAxesLive || axis != 0.0f;
    }
}

double MeanYaw(const YawStats& stats)
{
    return stats.count > 0 ? stats.sum / stats.count : 0.0;
}

double YawSpread(const YawStats& stats)
{
    return stats.count > 0 ? stats.max - stats.min : 0.0;
}

double YawJitter(const YawStats& stats)
{
    return stats.jitterCount > 0 ? sqrt(stats.jitterSquares / stats.jitterCount) : 0.0;
}

const YawStats& SteeringYaw(const TrackerFacts& facts, int32_t source)
{
    return source == 1 ? facts.processed : facts.raw;
}

TrackerFacts SampleHold(const FTPose* view, double seconds)
{
    TrackerFacts facts = {};
    facts.region = kOpen;
    Sampler sampler = StartSampler(view, Seconds());
    while (Seconds() - sampler.start < seconds) {
        Sleep(1);
        Sample(view, &sampler, &facts);
    }
    Finish(sampler, &facts);
    return facts;
}

TrackerFacts WatchTracker(int seconds, const Settings& settings, bool cameraOn)
{
    const char* const lineEnd = OutputIsConsole() ? "   \r" : "\n";
    TrackerFacts facts = {};
    const FTPose* view = nullptr;
    Sampler sampler = {};
    bool toldNone = false;
    double lastLine = 0.0;
    int64_t publishedAtLine = 0;
    for (const double start = Seconds(); Seconds() - start < seconds;) {
        const double now = Seconds();
        if (view == nullptr) {
            facts.region = OpenTrackerView(&view);
            if (view == nullptr) {
                WriteOut(!toldNone && now - start >= kNoTrackerAfterSeconds
                             ? "No tracker's FreeTrack data can be read yet: the probe keeps watching.\n"
                             : "");
                toldNone |= now - start >= kNoTrackerAfterSeconds;
                Sleep(100);
                continue;
            }
            WriteOut(toldNone || facts.exited ? "A tracker's FreeTrack data appeared: watching it.\n" : "");
            facts.exited = false;
            sampler = StartSampler(view, now);
            lastLine = now;
        }
        Sleep(1);
        Sample(view, &sampler, &facts);
        if (now - lastLine < kEverySeconds) {
            continue;
        }
        if (now - sampler.stall.stillSince >= kEverySeconds && RegionVanished()) {
            WriteOut("\nThe tracker's FreeTrack data is gone: the tracker ended.\n");
            facts.exited = true;
            CloseTrackerView(&view);
            continue;
        }
        char line[160];
        const float heading = HeadingFor(settings, sampler.pose);
        char camera[32] = "off";
        if (cameraOn && isfinite(heading) && fabs(heading) < 1e6) {
            snprintf(camera, sizeof camera, "%+7.1f", static_cast<double>(heading));
        }
        snprintf(line, sizeof line, "%5.0f poses/s   yaw %+7.1f deg   raw yaw %+7.1f deg   camera heading %s%s",
                 static_cast<double>(sampler.counter.published - publishedAtLine) / (now - lastLine),
                 sampler.pose.yaw * kDegreesPerRadian, sampler.pose.rawYaw * kDegreesPerRadian, camera, lineEnd);
        WriteOut(line);
        lastLine = now;
        publishedAtLine = sampler.counter.published;
    }
    if (sampler.stall.started) {
        Finish(sampler, &facts);
        facts.region = kOpen;
    }
    CloseTrackerView(&view);
    WriteOut(OutputIsConsole() ? "\n" : "");
    return facts;
}
