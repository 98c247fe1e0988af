// The stand-in script hook's script side: a registered script runs on a
// fiber of its own, resumed by the game once per frame; scriptWait switches
// back to the game until the frame at which the wait is over.
#include "sim/scripthook/sim_state.h"

#include <windows.h>

SimWorld g_world = {1, 0, 1};
uint32_t g_frame = 0;
std::vector<SimEvent> g_events;

namespace {

HINSTANCE g_module = nullptr;
void (*g_script)() = nullptr;
uint32_t g_registrations = 0;
void* g_gameFiber = nullptr;
void* g_scriptFiber = nullptr;
bool g_scriptEnded = false;
ULONGLONG g_wakeTick = 0;

void CALLBACK RunScript(void* /*unused*/)
{
    g_script();
    // A script that returns is finished; the fiber must never return.
    g_scriptEnded = true;
    for (;;) {
        SwitchToFiber(g_gameFiber);
    }
}

}  // namespace

extern "C" void HookScriptRegister(HINSTANCE module, void (*script)())
{
    g_module = module;
    g_script = script;
    ++g_registrations;
}

extern "C" void HookScriptWait(DWORD ms)
{
    SimEvent event = {};
    event.kind = kSimScriptWait;
    event.frame = g_frame;
    event.argCount = 1;
    event.args[0] = ms;
    g_events.push_back(event);
    g_wakeTick = GetTickCount64() + ms;
    SwitchToFiber(g_gameFiber);
}

SIM_API uint32_t SimRunFrame()
{
    ++g_frame;
    if (g_script == nullptr || g_scriptEnded || GetTickCount64() < g_wakeTick) {
        return g_frame;
    }
    if (g_gameFiber == nullptr) {
        g_gameFiber = ConvertThreadToFiber(nullptr);
    }
    if (g_scriptFiber == nullptr) {
        g_scriptFiber = CreateFiber(1 << 20, RunScript, nullptr);
    }
    SwitchToFiber(g_scriptFiber);
    return g_frame;
}

SIM_API void SimSetWorld(const SimWorld* world)
{
    g_world = *world;
}

SIM_API void* SimRegisteredModule()
{
    return g_module;
}

SIM_API void* SimRegisteredScript()
{
    return reinterpret_cast<void*>(g_script);
}

SIM_API uint32_t SimRegistrationCount()
{
    return g_registrations;
}

SIM_API int SimScriptEnded()
{
    return g_scriptEnded ? 1 : 0;
}

SIM_API size_t SimEventCount()
{
    return g_events.size();
}

SIM_API const SimEvent* SimEvents()
{
    return g_events.data();
}

SIM_API void SimClearEvents()
{
    g_events.clear();
}
