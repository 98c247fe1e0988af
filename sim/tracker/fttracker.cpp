// fttracker: a synthetic head tracker that publishes poses over the FreeTrack
// shared-memory protocol (FT_SharedMem guarded by FT_Mutext), for checking a
// headview set-up without a camera and for the tests and the demo.
#include "tracker/freetrack.h"

#include <windows.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

struct Options {
    double rate = 60.0;
    double seconds = 0.0;  // 0: until ended
    double sweep = 0.6;
    double period = 4.0;
    bool fixedPose = false;
    int32_t poseCounter = 0;
    float poseYaw = 0.0f;
    DWORD holdMs = 0;
    bool dieHolding = false;
    char fillId = '\0';
    bool waitForRegion = false;
    std::string readyEvent;
};

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
        "  --rate HZ          poses per second, 1000 at most (default 60)\n"
        "  --seconds S        stop after S seconds (default: run until ended with Ctrl+C)\n"
        "  --sweep A          turn the head left and right, raw yaw from -A to +A radians\n"
        "                     (default 0.6, about 34 degrees)\n"
        "  --period S         seconds for one left-right-left sweep (default 4)\n"
        "  --pose C:Y         write one pose with frame counter C and raw yaw Y, then idle\n"
        "  --hold-ms N        hold the mutex for N milliseconds at each write\n"
        "  --die-holding      write, then exit without releasing the mutex\n"
        "  --fill-id C        fill the 19-byte client identifier field with character C first\n"
        "  --wait-for-region  start only once FT_SharedMem exists (created by a client)\n"
        "  --ready-event NAME set the named event after the first write\n"
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

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--die-holding") {
            options->dieHolding = true;
        } else if (arg == "--wait-for-region") {
            options->waitForRegion = true;
        } else if (value == nullptr) {
            return false;
        } else if (arg == "--rate") {
            options->rate = atof(value);
            ++i;
        } else if (arg == "--seconds") {
            options->seconds = atof(value);
            ++i;
        } else if (arg == "--sweep") {
            options->sweep = atof(value);
            ++i;
        } else if (arg == "--period") {
            options->period = atof(value);
            ++i;
        } else if (arg == "--pose") {
            if (!ParsePose(value, options)) {
                return false;
            }
            ++i;
        } else if (arg == "--hold-ms") {
            options->holdMs = static_cast<DWORD>(atoi(value));
            ++i;
        } else if (arg == "--fill-id") {
            options->fillId = value[0];
            ++i;
        } else if (arg == "--ready-event") {
            options->readyEvent = value;
            ++i;
        } else {
            return false;
        }
    }
    return options->rate > 0.0 && options->rate <= 1000.0 && options->period > 0.0;
}

FTRegion* OpenRegion(bool waitForRegion)
{
    HANDLE mapping = nullptr;
    if (waitForRegion) {
        printf("fttracker: waiting for a client to create %s\n", kFTRegionName);
        fflush(stdout);
        while ((mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kFTRegionName)) == nullptr) {
            Sleep(5);
        }
    } else {
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(FTRegion), kFTRegionName);
        if (mapping == nullptr) {
            fprintf(stderr, "fttracker: cannot create %s (error %lu)\n", kFTRegionName, GetLastError());
            return nullptr;
        }
    }
    const bool existed = waitForRegion || GetLastError() == ERROR_ALREADY_EXISTS;
    printf("fttracker: %s %s\n", existed ? "opened the existing" : "created", kFTRegionName);
    return static_cast<FTRegion*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FTRegion)));
}

void FillPose(const Options& options, double seconds, FTPose* pose)
{
    const double pi = 3.14159265358979323846;
    const float yaw = options.fixedPose ? options.poseYaw
                                        : static_cast<float>(options.sweep * sin(2 * pi * seconds / options.period));
    pose->cameraWidth = 640;
    pose->cameraHeight = 480;
    pose->yaw = yaw;
    pose->pitch = 0.05f;
    pose->rawYaw = yaw;
    pose->rawPitch = 0.05f;
    for (int i = 0; i < 8; ++i) {
        pose->points[i] = static_cast<float>(100 + 10 * i);
    }
    // The counter goes on from what the region holds: a client may have reset it.
    pose->frameCounter = options.fixedPose ? options.poseCounter : pose->frameCounter + 1;
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
    FTRegion* region = OpenRegion(options.waitForRegion);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kFTMutexName);
    if (region == nullptr || mutex == nullptr) {
        fprintf(stderr, "fttracker: cannot set up the region or the mutex (error %lu)\n", GetLastError());
        return 1;
    }
    if (options.fillId != '\0') {
        memset(region->clientId, options.fillId, kFTClientIdSize);
    }
    HANDLE ready =
        options.readyEvent.empty() ? nullptr : CreateEventA(nullptr, TRUE, FALSE, options.readyEvent.c_str());
    fflush(stdout);

    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::string client;
    for (unsigned long writes = 0;; ++writes) {
        QueryPerformanceCounter(&now);
        const double elapsed =
            static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        if (!options.fixedPose || writes == 0) {
            WaitForSingleObject(mutex, INFINITE);
            FillPose(options, elapsed, &region->pose);
            if (ready != nullptr && writes == 0) {
                SetEvent(ready);
            }
            if (options.dieHolding) {
                printf("fttracker: exiting while holding %s\n", kFTMutexName);
                fflush(stdout);
                ExitProcess(0);
            }
            Sleep(options.holdMs);
            ReportClient(region, &client);
            ReleaseMutex(mutex);
        }
        if (options.seconds > 0.0 && elapsed >= options.seconds) {
            break;
        }
        Sleep(static_cast<DWORD>(1000.0 / options.rate));
    }
    return 0;
}
