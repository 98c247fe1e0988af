#include "sim/game/sibling_program.h"

#include "settings/utf8.h"
#include "sim/game/game_host.h"

HANDLE StartSiblingProgram(const std::string& program, const std::string& arguments)
{
    std::wstring commandLine = WideFromUtf8("\"" + ProgramDir() + program + "\" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
}
