// headview-game: a stand-in game that loads ScriptHookV.dll and a plugin the
// way the game does, runs frames and prints what the plugin did in each.
#include "settings/settings.h"
#include "settings/utf8.h"
#include "sim/game/chart.h"
#include "sim/game/game_host.h"
#include "tracker/freetrack.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

constexpr uint64_t kSetCameraRelativeHeading = 0xB4EC2312F4E5B1F1ull;

struct IniEdit {
    uint32_t frame;
    std::string source;
};

// After `frame`, no frame runs for `ms` milliseconds: a game paused (a menu,
// a loading screen) while its process goes on.
struct Pause {
    uint32_t frame;
    uint32_t ms;
};

struct Options {
    std::string gameDir;
    std::string hook;
    std::string plugin;
    uint32_t frames = 300;
    uint32_t frameMs = 0;
    uint32_t vehicleFrom = 0;  // 0: never in a vehicle
    uint32_t vehicleTo = 0;
    uint32_t killAfter = 0;
    uint32_t printEvery = 1;
    bool quiet = false;
    std::string chart;
    std::vector<IniEdit> iniEdits;
    std::vector<Pause> pauses;
};

void PrintUsage()
{
    printf(
        "usage: headview-game [options]\n"
        "Loads ScriptHookV.dll and the plugin as the game does, then runs frames.\n"
        "  --game-dir DIR       the game's working folder (headview.ini, headview.log)\n"
        "  --hook PATH          ScriptHookV.dll to load (default: next to this program)\n"
        "  --plugin PATH        plugin to load (default: headview.asi next to this program)\n"
        "  --frames N           frames to run (default 300)\n"
        "  --frame-ms N         sleep between frames in milliseconds (default 0)\n"
        "  --vehicle A:B        the character sits in a vehicle from frame A to frame B\n"
        "  --ini-at N:FILE      copy FILE over headview.ini before frame N (repeatable)\n"
        "  --kill-after N       end the process abruptly right after frame N\n"
        "  --pause-at N:MS      after frame N, run no frame for MS milliseconds (repeatable)\n"
        "  --chart FILE         write an SVG chart of raw yaw and camera heading\n"
        "  --print-every N      print every Nth frame, and each frame where something changes\n"
        "  --quiet              print no frame lines\n");
}

bool ParseRange(const char* text, uint32_t* from, uint32_t* to)
{
    return sscanf(text, "%u:%u", from, to) == 2 && *from <= *to;
}

bool ParseIniEdit(const char* text, IniEdit* edit)
{
    const char* colon = strchr(text, ':');
    if (colon == nullptr) {
        return false;
    }
    edit->frame = static_cast<uint32_t>(strtoul(text, nullptr, 10));
    edit->source = colon + 1;
    return edit->frame > 0 && !edit->source.empty();
}

bool ParsePause(const char* text, Pause* pause)
{
    return sscanf(text, "%u:%u", &pause->frame, &pause->ms) == 2 && pause->frame > 0;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool used = true;
        if (arg == "--quiet") {
            options->quiet = true;
            used = false;
        } else if (value == nullptr) {
            return false;
        } else if (arg == "--game-dir") {
            options->gameDir = value;
        } else if (arg == "--hook") {
            options->hook = value;
        } else if (arg == "--plugin") {
            options->plugin = value;
        } else if (arg == "--frames") {
            options->frames = static_cast<uint32_t>(strtoul(value, nullptr, 10));
        } else if (arg == "--frame-ms") {
            options->frameMs = static_cast<uint32_t>(strtoul(value, nullptr, 10));
        } else if (arg == "--print-every") {
            options->printEvery = static_cast<uint32_t>(strtoul(value, nullptr, 10));
        } else if (arg == "--kill-after") {
            options->killAfter = static_cast<uint32_t>(strtoul(value, nullptr, 10));
        } else if (arg == "--chart") {
            options->chart = value;
        } else if (arg == "--vehicle") {
            if (!ParseRange(value, &options->vehicleFrom, &options->vehicleTo)) {
                return false;
            }
        } else if (arg == "--ini-at") {
            IniEdit edit;
            if (!ParseIniEdit(value, &edit)) {
                return false;
            }
            options->iniEdits.push_back(edit);
        } else if (arg == "--pause-at") {
            Pause pause;
            if (!ParsePause(value, &pause)) {
                return false;
            }
            options->pauses.push_back(pause);
        } else {
            return false;
        }
        i += used ? 1 : 0;
    }
    return options->printEvery > 0;
}

// Peeks at the tracker's raw yaw; the game itself has no business in the
// region, this is only for showing what the tracker publishes.
bool PeekRawYaw(float* rawYaw)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kFTRegionName);
    if (mapping == nullptr) {
        return false;
    }
    const FTRegion* region = static_cast<const FTRegion*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (region != nullptr) {
        *rawYaw = region->pose.rawYaw;
        UnmapViewOfFile(region);
    }
    CloseHandle(mapping);
    return region != nullptr;
}

// The keys whose text differs between two ini files, as "key old -> new".
std::string ChangedKeys(const wchar_t* before, const wchar_t* after)
{
    SettingTexts was, is;
    ReadSettingTexts(before, &was);
    ReadSettingTexts(after, &is);
    std::string changes;
    for (int k = 0; k < kSettingKeyCount; ++k) {
        if (strcmp(was.text[k], is.text[k]) != 0) {
            changes += (changes.empty() ? "" : ", ") + std::string(kSettingKeys[k]) + " " + was.text[k] + " -> " +
                       is.text[k];
        }
    }
    return changes.empty() ? "no key changed" : changes;
}

// Replaces the ini when an edit is due before this frame; returns what the
// edit changed, or empty.
std::string ApplyIniEdits(const Options& options, uint32_t frame)
{
    std::string changed;
    for (const IniEdit& edit : options.iniEdits) {
        if (edit.frame == frame) {
            wchar_t ini[kSettingsPathSize], source[kSettingsPathSize];  // the profile reader wants full paths
            ResolveSettingsPathOf(L"headview.ini", ini);
            ResolveSettingsPathOf(WideFromUtf8(edit.source).c_str(), source);
            changed = ChangedKeys(ini, source);
            CopyFileW(source, ini, FALSE);
            if (!options.quiet) {
                printf("-- before frame %u: headview.ini replaced by %s (%s)\n", frame, edit.source.c_str(),
                       changed.c_str());
            }
        }
    }
    return changed;
}

// Runs no frame for the pauses due after this frame.
void PauseAfter(const Options& options, uint32_t frame)
{
    for (const Pause& pause : options.pauses) {
        if (pause.frame == frame) {
            if (!options.quiet) {
                printf("-- after frame %u: no frame for %u ms\n", frame, pause.ms);
                fflush(stdout);
            }
            Sleep(pause.ms);
        }
    }
}

bool WorthPrinting(const Options& options, const std::vector<FrameSample>& samples, bool edited)
{
    const FrameSample& s = samples.back();
    const bool changed = samples.size() == 1 || s.inVehicle != samples[samples.size() - 2].inVehicle ||
                         s.cameraSet != samples[samples.size() - 2].cameraSet;
    return !options.quiet && (s.frame % options.printEvery == 0 || changed || edited);
}

FrameSample RunOneFrame(const Game& game, const Options& options, uint32_t frame)
{
    FrameSample sample = {};
    sample.frame = frame;
    sample.inVehicle = options.vehicleFrom != 0 && frame >= options.vehicleFrom && frame <= options.vehicleTo;
    const SimWorld world = {0x2A01, sample.inVehicle ? 1 : 0, 1};
    game.sim.setWorld(&world);
    game.sim.clearEvents();
    game.sim.runFrame();
    const SimEvent* events = game.sim.events();
    for (size_t i = 0; i < game.sim.eventCount(); ++i) {
        if (events[i].kind == kSimNativeCall && events[i].hash == kSetCameraRelativeHeading) {
            const uint32_t bits = static_cast<uint32_t>(events[i].args[0]);
            memcpy(&sample.heading, &bits, sizeof sample.heading);
            sample.cameraSet = true;
        }
    }
    sample.trackerSeen = PeekRawYaw(&sample.rawYaw);
    return sample;
}

void PrintSample(const FrameSample& s)
{
    char yaw[32] = "       -";
    char heading[32] = "-";
    if (s.trackerSeen) {
        snprintf(yaw, sizeof yaw, "%+8.3f", s.rawYaw);
    }
    if (s.cameraSet) {
        snprintf(heading, sizeof heading, "%+8.2f", s.heading);
    }
    printf("frame %5u  %-10s  raw yaw %s  camera heading %s\n", s.frame, s.inVehicle ? "in vehicle" : "on foot", yaw,
           heading);
}

}  // namespace

// The arguments in UTF-16, so that a game folder may hold any letters.
int wmain(int argc, wchar_t** wideArgv)
{
    std::vector<std::string> arguments;
    std::vector<char*> argv;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(Utf8FromWide(wideArgv[i]));
    }
    for (std::string& argument : arguments) {
        argv.push_back(&argument[0]);
    }
    Options options;
    if (!ParseOptions(argc, argv.data(), &options)) {
        PrintUsage();
        return 2;
    }
    const std::string dir = ProgramDir();
    options.hook = options.hook.empty() ? dir + "ScriptHookV.dll" : options.hook;
    options.plugin = options.plugin.empty() ? dir + "headview.asi" : options.plugin;

    Game game = {};
    std::string error;
    if (!StartGame(options.gameDir, options.hook, options.plugin, &game, &error)) {
        fprintf(stderr, "headview-game: %s\n", error.c_str());
        return 1;
    }
    std::vector<FrameSample> samples;
    for (uint32_t frame = 1; frame <= options.frames; ++frame) {
        const std::string edit = ApplyIniEdits(options, frame);
        samples.push_back(RunOneFrame(game, options, frame));
        samples.back().iniEdit = edit;
        if (WorthPrinting(options, samples, !edit.empty())) {
            PrintSample(samples.back());
            fflush(stdout);
        }
        if (frame == options.killAfter) {
            TerminateProcess(GetCurrentProcess(), 9);
        }
        PauseAfter(options, frame);
        if (options.frameMs != 0) {
            Sleep(options.frameMs);
        }
    }
    if (!options.chart.empty() && !WriteChart(options.chart, samples)) {
        fprintf(stderr, "headview-game: cannot write %s\n", options.chart.c_str());
        return 1;
    }
    return game.sim.scriptEnded() ? 1 : 0;
}
