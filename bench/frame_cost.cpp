// frame_cost: what one game frame of the plugin costs, against the floor of
// the bare platform calls such a frame must make, measured in one process.
//
// Plugin: a frame of the simulated game in a vehicle with a tracker running
// (script hook resume, the plugin's whole frame, the yield).
// Floor: the same frame's platform calls made directly: the bounded mutex
// wait and release, the 92-byte copy and the identifier write; with the test
// flag at 1 also the path resolution, the existence test and six profile
// string reads; with the status published (--status, headviewing_status=1)
// also the 616-byte block written between its two sequence stores.
// Both are timed frame by frame in turn; the figures are medians of seven
// repetitions. The test flag at 0 stops the plugin reading headview.ini, so
// one process measures one status value: scripts/bench.sh runs it for each.
#include "plugin/status_block.h"
#include "settings/utf8.h"
#include "sim/game/game_host.h"
#include "sim/game/sibling_program.h"
#include "tracker/freetrack.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace {

constexpr int kRepetitions = 7;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Floor {
    HANDLE mapping;
    FTRegion* view;
    HANDLE mutex;
    FTPose record;
    wchar_t path[260];
    StatusBlock* status;  // null: status not published
    StatusBlock block;
};

// The block written as the plugin writes it: the sequence odd, the block,
// the sequence even.
void WriteStatus(Floor* floor)
{
    floor->block.sequence = floor->status->sequence | 1u;
    floor->status->sequence = floor->block.sequence;
    std::atomic_thread_fence(std::memory_order_release);
    *floor->status = floor->block;
    std::atomic_thread_fence(std::memory_order_release);
    floor->status->sequence = floor->block.sequence + 1;
}

void FloorFrame(Floor* floor, bool withSettings)
{
    if (withSettings) {
        static const wchar_t* const keys[] = {L"headviewing",        L"headviewing_test",   L"headviewing_multiplier",
                                              L"headviewing_offset", L"headviewing_source", L"headviewing_status"};
        wchar_t value[32];
        GetFullPathNameW(L"headview.ini", 260, floor->path, nullptr);
        GetFileAttributesW(floor->path);
        for (const wchar_t* key : keys) {
            GetPrivateProfileStringW(L"Settings", key, L"", value, 32, floor->path);
        }
    }
    if (WaitForSingleObject(floor->mutex, 5) == WAIT_OBJECT_0) {
        memcpy(&floor->record, &floor->view->pose, sizeof floor->record);
        floor->view->clientId[0] = '0';
        floor->view->clientId[1] = '\0';
        ReleaseMutex(floor->mutex);
    }
    if (floor->status != nullptr) {
        WriteStatus(floor);
    }
}

void PluginFrame(const Game& game)
{
    static const SimWorld inVehicle = {0x2A01, 1, 1};
    game.sim.setWorld(&inVehicle);
    game.sim.clearEvents();
    game.sim.runFrame();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Microseconds per frame, medians of the repetitions; within one, the
// plugin's frames and the floor's alternate frame by frame, so that a slow
// spell of the machine falls on both alike.
void Compare(const char* label, const Game& game, Floor* floor, bool withSettings, int frames)
{
    std::vector<double> plugin, bare, ratios;
    for (int rep = 0; rep < kRepetitions; ++rep) {
        double pluginSeconds = 0.0, floorSeconds = 0.0;
        for (int i = 0; i < frames; ++i) {
            const double start = Now();
            PluginFrame(game);
            const double middle = Now();
            FloorFrame(floor, withSettings);
            pluginSeconds += middle - start;
            floorSeconds += Now() - middle;
        }
        plugin.push_back(pluginSeconds * 1e6 / frames);
        bare.push_back(floorSeconds * 1e6 / frames);
        ratios.push_back(pluginSeconds / floorSeconds);
    }
    printf("%-16s plugin %9.2f us/frame   floor %9.2f us/frame   ratio %.3f   (%d frames x %d)\n", label,
           Median(plugin), Median(bare), Median(ratios), frames, kRepetitions);
}

void WriteIni(int test, int status)
{
    FILE* ini = fopen("headview.ini", "w");
    fprintf(ini,
            "[Settings]\nheadviewing=1\nheadviewing_test=%d\nheadviewing_multiplier=39\nheadviewing_offset=0\n"
            "headviewing_source=0\nheadviewing_status=%d\n",
            test, status);
    fclose(ini);
}

// The plugin's status block, mapped as a reader would map it to write.
StatusBlock* OpenStatus()
{
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kStatusRegionName);
    return mapping ? static_cast<StatusBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(StatusBlock)))
                   : nullptr;
}

HANDLE StartTracker(const std::string& arguments)
{
    HANDLE tracker = StartSiblingProgram("fttracker.exe", arguments);
    Sleep(300);  // let it set the region up
    return tracker;
}

void StopTracker(HANDLE tracker)
{
    TerminateProcess(tracker, 0);
    WaitForSingleObject(tracker, 5000);
    CloseHandle(tracker);
}

// The slowest frame while a tracker holds the mutex for 50 ms at a time,
// beside the slowest bare 5 ms wait on the same mutex in the same run.
void WorstFrameUnderHeldMutex(const char* label, const Game& game, HANDLE mutex)
{
    HANDLE tracker = StartTracker("--rate 10 --hold-ms 50");
    double worstFrame = 0.0;
    double worstWait = 0.0;
    int frames = 0;
    int slowFrames = 0;
    for (const double end = Now() + 3.0; Now() < end; ++frames) {
        double start = Now();
        PluginFrame(game);
        const double frame = Now() - start;
        worstFrame = std::max(worstFrame, frame);
        slowFrames += frame > 0.006 ? 1 : 0;
        start = Now();
        if (WaitForSingleObject(mutex, 5) == WAIT_OBJECT_0) {
            ReleaseMutex(mutex);
        }
        worstWait = std::max(worstWait, Now() - start);
        Sleep(1);
    }
    StopTracker(tracker);
    printf("%-16s held mutex: worst plugin frame %.2f ms, worst bare 5 ms wait %.2f ms, %d of %d frames over 6 ms\n",
           label, worstFrame * 1e3, worstWait * 1e3, slowFrames, frames);
}

}  // namespace

int main(int argc, char** argv)
{
    const int status = argc > 1 && strcmp(argv[1], "--status") == 0 ? 1 : 0;
    const char* label1 = status ? "test 1, status 1" : "test 1, status 0";
    const char* label0 = status ? "test 0, status 1" : "test 0, status 0";
    const std::string dir = ProgramDir();
    // A folder name beyond any ANSI code page, as players' may be.
    const std::string gameDir = dir + "bench-game-\xD0\xB8\xD0\xB3\xD1\x80\xD0\xB0-\xE6\xB8\xB8\xE6\x88\x8F";
    CreateDirectoryW(WideFromUtf8(gameDir).c_str(), nullptr);
    SetCurrentDirectoryW(WideFromUtf8(gameDir).c_str());
    WriteIni(1, status);

    HANDLE tracker = StartTracker("--rate 60");
    Game game = {};
    std::string error;
    if (tracker == nullptr || !StartGame(gameDir, dir + "ScriptHookV.dll", dir + "headview.asi", &game, &error)) {
        fprintf(stderr, "frame_cost: cannot start: %s\n", error.c_str());
        return 1;
    }
    for (int i = 0; i < 100; ++i) {
        PluginFrame(game);
    }
    Floor floor = {};
    floor.mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kFTRegionName);
    floor.view = static_cast<FTRegion*>(MapViewOfFile(floor.mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FTRegion)));
    floor.mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kFTMutexName);
    floor.status = status ? OpenStatus() : nullptr;
    if (floor.view == nullptr || floor.mutex == nullptr || (status && floor.status == nullptr)) {
        fprintf(stderr, "frame_cost: cannot open the tracker region or the status block\n");
        return 1;
    }

    StopTracker(tracker);
    WorstFrameUnderHeldMutex(label1, game, floor.mutex);
    tracker = StartTracker("--rate 60");
    Compare(label1, game, &floor, true, 500);
    WriteIni(0, status);
    PluginFrame(game);  // reads test 0 and stops reloading
    Compare(label0, game, &floor, false, 20000);
    StopTracker(tracker);
    WorstFrameUnderHeldMutex(label0, game, floor.mutex);
    return 0;
}
