// Control interface of the stand-in ScriptHookV.dll, for the game host,
// the tests and the demo. The game side (world state, frames, the record of
// native calls) lives here; the script side is the five exported script-hook
// operations.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef SIM_SCRIPTHOOK_BUILD
#define SIM_API extern "C" __declspec(dllexport)
#else
#define SIM_API extern "C" __declspec(dllimport)
#endif

// What the natives answer during the next frames.
struct SimWorld {
    uint32_t playerCharacter;  // handle returned by the player-character native
    int32_t inVehicle;         // the character sits in a vehicle
    int32_t exists;            // the character exists
};

enum SimEventKind : uint32_t {
    kSimNativeCall = 1,  // a native call: hash, args, result
    kSimScriptWait = 2,  // scriptWait: args[0] holds the milliseconds
};

constexpr int kSimMaxArgs = 8;

struct SimEvent {
    uint32_t kind;
    uint32_t frame;  // frame number, counted from 1
    uint64_t hash;
    uint32_t argCount;
    uint64_t args[kSimMaxArgs];
    uint64_t result;
};

// Game-side entry points, exported by their plain names.
SIM_API void SimSetWorld(const SimWorld* world);
// Runs one game frame: resumes the registered script once, if its wait is
// over. Returns the number of the frame just run.
SIM_API uint32_t SimRunFrame();
// The module and script entry registered so far (null when none).
SIM_API void* SimRegisteredModule();
SIM_API void* SimRegisteredScript();
SIM_API uint32_t SimRegistrationCount();
// True once the script's entry has returned (a script never should).
SIM_API int SimScriptEnded();
// The record of events since the last SimClearEvents.
SIM_API size_t SimEventCount();
SIM_API const SimEvent* SimEvents();
SIM_API void SimClearEvents();
// The last heading each camera native received, and how often they were called.
SIM_API float SimCameraHeading();
SIM_API uint32_t SimCameraCalls();
