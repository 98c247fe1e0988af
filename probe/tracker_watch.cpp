#include "probe/tracker_watch.h"

#include "probe/console.h"
#include "settings/heading.h"

#include <math.h>
#include <string.h>

#include <atomic>

namespace {

constexpr int kCopyTries = 10;
constexpr double kSettleSeconds = 50e-6;  // far longer than a tracker takes to store a pose
constexpr double kLineEverySeconds = 0.25;
constexpr double kNoTrackerAfterSeconds = 1.0;
constexpr double kDegreesPerRadian = 57.29577951308232;

double SecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER StartClock()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

void AddYaw(YawStats* stats, double yaw)
{
    if (stats->count == 0) {
        stats->min = stats->max = yaw;
    }
    stats->min = fmin(stats->min, yaw);
    stats->max = fmax(stats->max, yaw);
    stats->sum += yaw;
    if (stats->count >= 2) {
        const double bend = yaw - 2 * stats->last + stats->beforeLast;
        stats->jitterSquares += bend * bend;
        ++stats->jitterCount;
    }
    stats->beforeLast = stats->last;
    stats->last = yaw;
    ++stats->count;
}

// One reading of the region: a new pose is added to `facts`.
struct Sampler {
    CounterTrack counter;
    StallClock stall;
    FTPose pose;
};

void StartSampler(const TrackerView& view, double now, Sampler* s)
{
    *s = Sampler{};
    CopyStablePose(view.pose, &s->pose);
    s->counter = CounterTrack{s->pose.frameCounter, 0};
    NoteReading(&s->stall, now, false);
}

void Sample(const TrackerView& view, double now, Sampler* s, TrackerFacts* facts)
{
    const bool fresh = CopyStablePose(view.pose, &s->pose) && TrackCounter(&s->counter, s->pose.frameCounter) > 0;
    NoteReading(&s->stall, now, fresh);
    if (fresh) {
        AddPose(facts, s->pose);
    }
}

void PrintLiveLine(const FTPose& pose, double posesPerSecond, const Settings& settings, bool cameraOn, bool console)
{
    char camera[32] = "off";
    const float heading = HeadingFor(settings, pose);
    if (cameraOn && isfinite(heading)) {
        snprintf(camera, sizeof camera, "%+7.1f", static_cast<double>(heading));
    }
    Print("%s%5.0f poses/s   yaw %+7.1f deg   raw yaw %+7.1f deg   camera heading %s%s", console ? "\r" : "",
          posesPerSecond, pose.yaw * kDegreesPerRadian, pose.rawYaw * kDegreesPerRadian, camera,
          console ? "   " : "\n");
}

}  // namespace

Region OpenTrackerView(TrackerView* view)
{
    *view = TrackerView{};
    view->mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kFTRegionName);
    if (view->mapping == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED ? Region::kDenied : Region::kAbsent;
    }
    view->pose = static_cast<const FTPose*>(MapViewOfFile(view->mapping, FILE_MAP_READ, 0, 0, sizeof(FTPose)));
    if (view->pose == nullptr) {
        CloseTrackerView(view);
        return Region::kDenied;
    }
    return Region::kOpen;
}

void CloseTrackerView(TrackerView* view)
{
    if (view->pose != nullptr) {
        UnmapViewOfFile(view->pose);
    }
    if (view->mapping != nullptr) {
        CloseHandle(view->mapping);
    }
    *view = TrackerView{};
}

bool CopyStablePose(const FTPose* source, FTPose* pose)
{
    FTPose again;
    for (int attempt = 0; attempt < kCopyTries; ++attempt) {
        memcpy(pose, source, sizeof *pose);
        std::atomic_thread_fence(std::memory_order_seq_cst);  // the second copy reads the region anew
        const LARGE_INTEGER start = StartClock();
        while (SecondsSince(start) < kSettleSeconds) {
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
    if (track->last == 0) {
        track->last = counter;  // counting starts here
        return 0;
    }
    const int64_t advanced = counter > track->last ? int64_t{counter} - track->last : 1;
    track->last = counter;
    track->published += advanced;
    return advanced;
}

void NoteReading(StallClock* clock, double now, bool advanced)
{
    if (!clock->started || advanced) {
        clock->longest = clock->started ? fmax(clock->longest, clock->lastReading - clock->stillSince) : 0.0;
        clock->stillSince = now;
        clock->started = true;
    }
    clock->lastReading = now;
}

double LongestStall(const StallClock& clock)
{
    return fmax(clock.longest, clock.lastReading - clock.stillSince);
}

void AddPose(TrackerFacts* facts, const FTPose& pose)
{
    const bool first = facts->poses == 0;
    ++facts->poses;
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

const YawStats& SteeringYawStats(const TrackerFacts& facts, int32_t source)
{
    return source == 1 ? facts.processed : facts.raw;
}

TrackerFacts SampleHold(const TrackerView& view, double seconds)
{
    TrackerFacts facts = {};
    facts.region = Region::kOpen;
    Sampler sampler;
    const LARGE_INTEGER clock = StartClock();
    StartSampler(view, 0.0, &sampler);
    for (double now = 0.0; now < seconds; now = SecondsSince(clock)) {
        Sleep(1);
        Sample(view, SecondsSince(clock), &sampler, &facts);
    }
    facts.published = sampler.counter.published;
    facts.watchedSeconds = seconds;
    facts.longestStall = LongestStall(sampler.stall);
    return facts;
}

TrackerFacts WatchTracker(int seconds, const Settings& settings, bool cameraOn)
{
    const bool console = OutputIsConsole();
    TrackerFacts facts = {};
    TrackerView view = {};
    Sampler sampler = {};
    const LARGE_INTEGER clock = StartClock();
    double foundAt = 0.0, lastLine = 0.0;
    int64_t publishedAtLine = 0;
    bool toldNone = false;
    for (double now = 0.0; now < seconds; now = SecondsSince(clock)) {
        if (facts.region != Region::kOpen) {
            facts.region = OpenTrackerView(&view);
            if (facts.region != Region::kOpen) {
                if (!toldNone && now >= kNoTrackerAfterSeconds) {
                    Print("No tracker's FreeTrack data can be read yet: the probe keeps watching.\n");
                    toldNone = true;
                }
                Sleep(100);
                continue;
            }
            if (toldNone) {
                Print("A tracker's FreeTrack data appeared: watching it.\n");
            }
            StartSampler(view, now, &sampler);
            foundAt = lastLine = now;
        }
        Sleep(1);
        Sample(view, SecondsSince(clock), &sampler, &facts);
        if (now - lastLine >= kLineEverySeconds) {
            PrintLiveLine(sampler.pose,
                          static_cast<double>(sampler.counter.published - publishedAtLine) / (now - lastLine), settings,
                          cameraOn, console);
            lastLine = now;
            publishedAtLine = sampler.counter.published;
        }
    }
    if (facts.region == Region::kOpen) {
        facts.watchedSeconds = SecondsSince(clock) - foundAt;
        facts.published = sampler.counter.published;
        facts.longestStall = LongestStall(sampler.stall);
        CloseTrackerView(&view);
    }
    if (console) {
        Print("\n");
    }
    return facts;
}
