// Module entry: registers the script when the module is loaded into the game.
#include "plugin/host/script_hook.h"
#include "plugin/script_main.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        scriptRegister(module, ScriptMain);
    }
    return TRUE;
}
