#include "sim/game/sibling_program.h"

#include "sim/game/game_host.h"

HANDLE StartSiblingProgram(const std::string& program, const std::string& arguments)
{
    std::string commandLine = "\"" + ProgramDir() + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
}
