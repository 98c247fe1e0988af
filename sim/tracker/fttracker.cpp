// fttracker: a synthetic head tracker that publishes poses over the FreeTrack
// shared-memory protocol (FT_SharedMem guarded by FT_Mutext), for checking a
// headview set-up without a camera and for the tests and the demo. Its
// styles write the region the way the trackers players run do.
#include "tracker/freetrack.h"

#include <windows.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

enum class Style {
    kFreetrack,      // 256 bytes, writes under the mutex, raw yaw = processed yaw
    kOpentrack,      // 108 bytes, never takes the mutex, ticks every 4 ms, raw yaw uncentred and jittery
    kOpentrackNoRaw  // as kOpentrack, raw fields left zero
};

// How the opentrack styles differ from the head's motion: the raw yaw of an
// uncentred head sits this far off, and the processed yaw is smoothed.
constexpr float kRawYawBias = 0.12f;
constexpr float kSmoothing = 0.2f;  // share of the new value per pose
constexpr DWORD kOpentrackRegionBytes = 108;
constexpr double kOpentrackRate = 250.0;  // one pose per 4 ms tick
constexpr double kOpentrackJitter = 0.004;

struct Options {
    Style style = Style::kFreetrack;
    DWORD regionBytes = 0;  // 0: the style's own
    double rate = 0.0;      // 0: the style's own
    int burst = 1;          // poses written one straight after the other at each tick
    double seconds = 0.0;   // 0: until ended
    double sweep = 0.6;
    double period = 4.0;
    bool fixedPose = false;
    int32_t poseCounter = 0;
    float poseYaw = 0.0f;
    float ramp = 0.0f;
    double jitter = -1.0;  // < 0: the style's own
    DWORD holdMs = 0;
    bool dieHolding = false;
    char fillId = '\0';
    bool waitForRegion = false;
    std::string readyEvent;
};

bool IsOpentrack(Style style)
{
    return style != Style::kFreetrack;
}

void PrintHelp()
{
    printf(
        "usage: fttracker [options]\n"
        "Publishes head poses the way a FreeTrack tracker does: it creates or opens the\n"
        "shared memory FT_SharedMem and the mutex FT_Mutext and writes a pose record with a\n"
        "new frame counter for each pose. Start the game with headview while it runs: when\n"
        "headview reads the poses it writes its identifier into the region, and fttracker\n"
        "reports the client.\n"
        "\n"
        "  --style S          how the region is written (default freetrack):\n"
        "                       freetrack        256 bytes, each pose written under the mutex,\n"
        "                                        raw yaw = processed yaw = the head's yaw\n"
        "                       opentrack        108 bytes, the mutex made but never taken,\n"
        "                                        32-bit stores, counter +1 every 4 ms tick;\n"
        "                                        processed yaw: the head's yaw, smoothed;\n"
        "                                        raw yaw: unfiltered, 0.12 rad off centre, jittery\n"
        "                       opentrack-noraw  as opentrack, raw fields left zero\n"
        "  --region-bytes N   create the region with N bytes (92 to 256; FreePIE's is 92)\n"
        "  --rate HZ          poses per second, 1000 at most (default 60; opentrack 250)\n"
        "  --burst N          write N poses one straight after the other at each tick, as a\n"
        "                     tracker that catches up after a stall (default 1)\n"
        "  --seconds S        stop after S seconds (default: run until ended with Ctrl+C)\n"
        "  --sweep A          turn the head left and right, yaw from -A to +A radians\n"
        "                     (default 0.6, about 34 degrees)\n"
        "  --period S         seconds for one left-right-left sweep (default 4)\n"
        "  --pose C:Y         hold the head at yaw Y, first frame counter C; the freetrack\n"
        "                     style writes this one pose and idles\n"
        "  --ramp R           with --pose: turn the held head R radians more at each pose\n"
        "  --jitter A         raw-yaw noise of the opentrack styles, +-A radians (default 0.004)\n"
        "  --hold-ms N        hold the mutex for N milliseconds at each write\n"
        "  --die-holding      write a new counter and half a pose, then exit holding the mutex\n"
        "  --fill-id C        fill the 19-byte client identifier field with character C first\n"
        "  --wait-for-region  start only once FT_SharedMem exists (created by a client)\n"
        "  --ready-event NAME set the named event once the first pose can be read (with\n"
        "                     --hold-ms: as soon as it is written, the mutex still held)\n"
        "  --help             show this text\n");
}

bool ParsePose(const char* text, Options* options)
{
    char* end = nullptr;
    options->poseCounter = static_cast<int32_t>(strtol(text, &end, 10));
    if (end == text || *end != ':') {
        return false;
    }
    options->poseYaw = strtof(end + 1, nullptr);
    options->fixedPose = true;
    return true;
}

bool ParseStyle(const std::string& text, Style* style)
{
    if (text == "freetrack") {
        *style = Style::kFreetrack;
    } else if (text == "opentrack") {
        *style = Style::kOpentrack;
    } else if (text == "opentrack-noraw") {
        *style = Style::kOpentrackNoRaw;
    } else {
        return false;
    }
    return true;
}

// Fills in what the style decides and checks the ranges.
bool FinishOptions(Options* options)
{
    const bool opentrack = IsOpentrack(options->style);
    if (options->regionBytes == 0) {
        options->regionBytes = opentrack ? kOpentrackRegionBytes : sizeof(FTRegion);
    }
    if (options->rate == 0.0) {
        options->rate = opentrack ? kOpentrackRate : 60.0;
    }
    if (options->jitter < 0.0) {
        options->jitter = opentrack ? kOpentrackJitter : 0.0;
    }
    return options->rate > 0.0 && options->rate <= 1000.0 && options->burst >= 1 && options->period > 0.0 &&
           options->regionBytes >= sizeof(FTPose) && options->regionBytes <= sizeof(FTRegion);
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--die-holding") {
            options->dieHolding = true;
            continue;
        }
        if (arg == "--wait-for-region") {
            options->waitForRegion = true;
            continue;
        }
        if (value == nullptr) {
            return false;
        }
        ++i;
        if (arg == "--style") {
            if (!ParseStyle(value, &options->style)) {
                return false;
            }
        } else if (arg == "--region-bytes") {
            options->regionBytes = static_cast<DWORD>(atoi(value));
        } else if (arg == "--rate") {
            options->rate = atof(value);
        } else if (arg == "--burst") {
            options->burst = atoi(value);
        } else if (arg == "--seconds") {
            options->seconds = atof(value);
        } else if (arg == "--sweep") {
            options->sweep = atof(value);
        } else if (arg == "--period") {
            options->period = atof(value);
        } else if (arg == "--pose") {
            if (!ParsePose(value, options)) {
                return false;
            }
        } else if (arg == "--ramp") {
            options->ramp = strtof(value, nullptr);
        } else if (arg == "--jitter") {
            options->jitter = atof(value);
        } else if (arg == "--hold-ms") {
            options->holdMs = static_cast<DWORD>(atoi(value));
        } else if (arg == "--fill-id") {
            options->fillId = value[0];
        } else if (arg == "--ready-event") {
            options->readyEvent = value;
        } else {
            return false;
        }
    }
    return FinishOptions(options);
}

FTRegion* OpenRegion(const Options& options)
{
    HANDLE mapping = nullptr;
    if (options.waitForRegion) {
        printf("fttracker: waiting for a client to create %s\n", kFTRegionName);
        fflush(stdout);
        while ((mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kFTRegionName)) == nullptr) {
            Sleep(5);
        }
    } else {
        mapping =
            CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, options.regionBytes, kFTRegionName);
        if (mapping == nullptr) {
            fprintf(stderr, "fttracker: cannot create %s (error %lu)\n", kFTRegionName, GetLastError());
            return nullptr;
        }
    }
    const bool existed = options.waitForRegion || GetLastError() == ERROR_ALREADY_EXISTS;
    printf("fttracker: %s %s\n", existed ? "opened the existing" : "created", kFTRegionName);
    // Only the tracker's own bytes: a region made by a client may be larger.
    return static_cast<FTRegion*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, options.regionBytes));
}

// The head and what the tracker makes of it.
struct Head {
    float yaw = 0.0f;
    float smoothedYaw = 0.0f;
    unsigned poses = 0;
    uint32_t noise = 12345;
};

void MoveHead(const Options& options, double seconds, Head* head)
{
    const double pi = 3.14159265358979323846;
    if (!options.fixedPose) {
        head->yaw = static_cast<float>(options.sweep * sin(2 * pi * seconds / options.period));
    } else {
        head->yaw = options.poseYaw + options.ramp * static_cast<float>(head->poses);
    }
    head->smoothedYaw = head->poses == 0 ? head->yaw : head->smoothedYaw + kSmoothing * (head->yaw - head->smoothedYaw);
    ++head->poses;
}

// Uniform noise in [-amplitude, amplitude], the same sequence every run.
float Jitter(double amplitude, Head* head)
{
    head->noise = head->noise * 1664525u + 1013904223u;
    return static_cast<float>(amplitude * (static_cast<double>(head->noise >> 8) / 8388608.0 - 1.0));
}

void FillPoints(FTPose* pose)
{
    pose->cameraWidth = 640;
    pose->cameraHeight = 480;
    for (int i = 0; i < 8; ++i) {
        pose->points[i] = static_cast<float>(100 + 10 * i);
    }
}

// The freetrack style, under the mutex: every field at once.
void WriteFreetrackPose(const Options& options, const Head& head, FTPose* pose)
{
    FillPoints(pose);
    pose->yaw = head.yaw;
    pose->pitch = 0.05f;
    pose->rawYaw = head.yaw;
    pose->rawPitch = 0.05f;
    // The counter goes on from what the region holds: a client may have reset it.
    pose->frameCounter = options.fixedPose ? options.poseCounter : pose->frameCounter + 1;
}

void Store32(void* field, const void* value)
{
    LONG bits;
    memcpy(&bits, value, sizeof bits);
    InterlockedExchange(static_cast<volatile LONG*>(field), bits);
}

// The opentrack styles, without the mutex: one 32-bit store a field, the
// pose first and the counter, its own and not the region's, last.
void WriteOpentrackPose(const Options& options, Head* head, int32_t counter, FTPose* pose)
{
    FTPose next = {};
    FillPoints(&next);
    next.yaw = head->smoothedYaw;
    next.pitch = 0.05f;
    if (options.style == Style::kOpentrack) {
        next.rawYaw = head->yaw + kRawYawBias + Jitter(options.jitter, head);
        next.rawPitch = 0.05f;
    }
    next.frameCounter = counter;
    const char* from = reinterpret_cast<const char*>(&next);
    char* to = reinterpret_cast<char*>(pose);
    for (size_t at = sizeof(int32_t); at < sizeof next; at += sizeof(int32_t)) {
        Store32(to + at, from + at);
    }
    Store32(to, from);
}

// The opentrack layout's 16 bytes after the pose: a game id, 8 bytes of
// table and a second game id, written once.
void WriteGameIds(FTRegion* region)
{
    const int32_t gameId = 2026;
    const uint8_t table[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    memcpy(region->otherFields, &gameId, sizeof gameId);
    memcpy(region->otherFields + 4, table, sizeof table);
    memcpy(region->otherFields + 12, &gameId, sizeof gameId);
}

// Writes a new counter and the first half of a pose, and exits holding the
// mutex, as a tracker that crashes in the middle of a write.
[[noreturn]] void DieHolding(const Options& options, HANDLE mutex, FTPose* pose)
{
    WaitForSingleObject(mutex, INFINITE);
    FTPose next = *pose;
    next.frameCounter = options.poseCounter;
    next.yaw = options.poseYaw;
    next.rawYaw = options.poseYaw;
    memcpy(pose, &next, sizeof next / 2);
    printf("fttracker: exiting while holding %s, half a pose written\n", kFTMutexName);
    fflush(stdout);
    ExitProcess(0);
}

// Reports a client's identifier text when it changes.
void ReportClient(const FTRegion* region, std::string* lastSeen)
{
    char id[kFTClientIdSize + 1] = {};
    memcpy(id, region->clientId, kFTClientIdSize);
    if (id[0] != '\0' && *lastSeen != id) {
        *lastSeen = id;
        printf("fttracker: a client reads the poses (identifier \"%s\")\n", id);
        fflush(stdout);
    }
}

double SecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (argc > 1 && strcmp(argv[1], "--help") == 0) {
        PrintHelp();
        return 0;
    }
    if (!ParseOptions(argc, argv, &options)) {
        PrintHelp();
        return 2;
    }
    FTRegion* region = OpenRegion(options);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kFTMutexName);
    if (region == nullptr || mutex == nullptr) {
        fprintf(stderr, "fttracker: cannot set up the region or the mutex (error %lu)\n", GetLastError());
        return 1;
    }
    const bool seesClientId = options.regionBytes >= offsetof(FTRegion, moreFields);
    if (options.fillId != '\0' && seesClientId) {
        memset(region->clientId, options.fillId, kFTClientIdSize);
    }
    if (options.dieHolding) {
        DieHolding(options, mutex, &region->pose);
    }
    const bool opentrack = IsOpentrack(options.style);
    if (opentrack && options.regionBytes >= kOpentrackRegionBytes) {
        WriteGameIds(region);
    }
    HANDLE ready =
        options.readyEvent.empty() ? nullptr : CreateEventA(nullptr, TRUE, FALSE, options.readyEvent.c_str());
    fflush(stdout);

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    std::string client;
    Head head;
    int32_t counter = options.fixedPose ? options.poseCounter : 1;
    for (unsigned long writes = 0;; ++writes) {
        const double elapsed = SecondsSince(start);
        if (opentrack) {
            for (int i = 0; i < options.burst; ++i) {
                MoveHead(options, elapsed, &head);
                WriteOpentrackPose(options, &head, counter++, &region->pose);
            }
        } else if (!options.fixedPose || writes == 0) {
            WaitForSingleObject(mutex, INFINITE);
            for (int i = 0; i < options.burst; ++i) {
                MoveHead(options, elapsed, &head);
                WriteFreetrackPose(options, head, &region->pose);
            }
            if (ready != nullptr && writes == 0 && options.holdMs > 0) {
                SetEvent(ready);  // the mutex is held from now on for --hold-ms
            }
            Sleep(options.holdMs);
            if (seesClientId) {
                ReportClient(region, &client);
            }
            ReleaseMutex(mutex);
        }
        if (ready != nullptr && writes == 0) {
            SetEvent(ready);  // the first pose is there to read
        }
        if (options.seconds > 0.0 && elapsed >= options.seconds) {
            break;
        }
        Sleep(static_cast<DWORD>(1000.0 / options.rate));
    }
    return 0;
}
