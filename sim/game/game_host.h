// Starting the simulated game the way a game starts with script-hook
// plugins: enter the game folder, load ScriptHookV.dll, load each plugin
// with LoadLibrary, then run frames.
#pragma once

#include "sim/scripthook/sim_api.h"

#include <windows.h>

#include <string>

// The stand-in script hook's game-side controls, looked up by name.
struct SimControls {
    void (*setWorld)(const SimWorld*);
    uint32_t (*runFrame)();
    void* (*registeredModule)();
    void* (*registeredScript)();
    uint32_t (*registrationCount)();
    int (*scriptEnded)();
    size_t (*eventCount)();
    const SimEvent* (*events)();
    void (*clearEvents)();
    float (*cameraHeading)();
    uint32_t (*cameraCalls)();
};

struct Game {
    HMODULE hook;
    HMODULE plugin;
    SimControls sim;
};

// Folder of the running program, with a trailing backslash. Paths here are
// UTF-8, made UTF-16 for the platform calls.
std::string ProgramDir();

// Changes to `gameDir` (when not empty), loads the script hook at
// `hookPath`, then the plugin at `pluginPath`. On failure returns false and
// says why in `error`.
bool StartGame(const std::string& gameDir, const std::string& hookPath, const std::string& pluginPath, Game* game,
               std::string* error);
