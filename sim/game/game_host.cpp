#include "sim/game/game_host.h"

#include "settings/utf8.h"

namespace {

template <typename Function>
bool Lookup(HMODULE module, const char* name, Function* function, std::string* error)
{
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (*function == nullptr) {
        *error = std::string("the script hook has no ") + name;
        return false;
    }
    return true;
}

bool LookupControls(HMODULE hook, SimControls* sim, std::string* error)
{
    return Lookup(hook, "SimSetWorld", &sim->setWorld, error) && Lookup(hook, "SimRunFrame", &sim->runFrame, error) &&
           Lookup(hook, "SimRegisteredModule", &sim->registeredModule, error) &&
           Lookup(hook, "SimRegisteredScript", &sim->registeredScript, error) &&
           Lookup(hook, "SimRegistrationCount", &sim->registrationCount, error) &&
           Lookup(hook, "SimScriptEnded", &sim->scriptEnded, error) &&
           Lookup(hook, "SimEventCount", &sim->eventCount, error) && Lookup(hook, "SimEvents", &sim->events, error) &&
           Lookup(hook, "SimClearEvents", &sim->clearEvents, error) &&
           Lookup(hook, "SimCameraHeading", &sim->cameraHeading, error) &&
           Lookup(hook, "SimCameraCalls", &sim->cameraCalls, error);
}

}  // namespace

std::string ProgramDir()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::string dir = Utf8FromWide(std::wstring(path, length));
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

bool StartGame(const std::string& gameDir, const std::string& hookPath, const std::string& pluginPath, Game* game,
               std::string* error)
{
    if (!gameDir.empty() && !SetCurrentDirectoryW(WideFromUtf8(gameDir).c_str())) {
        *error = "cannot enter the game folder " + gameDir;
        return false;
    }
    game->hook = LoadLibraryW(WideFromUtf8(hookPath).c_str());
    if (game->hook == nullptr) {
        *error = "cannot load the script hook " + hookPath;
        return false;
    }
    if (!LookupControls(game->hook, &game->sim, error)) {
        return false;
    }
    game->plugin = LoadLibraryW(WideFromUtf8(pluginPath).c_str());
    if (game->plugin == nullptr) {
        *error = "cannot load the plugin " + pluginPath + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}
