#include "probe/console.h"

#include "settings/utf8.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

DWORD g_inputMode = 0;
bool g_inputModeSaved = false;

void RestoreInputMode()
{
    if (g_inputModeSaved) {
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_inputMode);
    }
}

BOOL WINAPI RestoreOnBreak(DWORD)
{
    RestoreInputMode();
    return FALSE;  // the default handling ends the probe
}

}  // namespace

bool OutputIsConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void WriteOut(const std::string& text)
{
    DWORD written = 0;
    const std::wstring wide = WideFromUtf8(text);
    if (!OutputIsConsole() || !WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), wide.data(),
                                             static_cast<DWORD>(wide.size()), &written, nullptr)) {
        fwrite(text.data(), 1, text.size(), stdout);
        fflush(stdout);
    }
}

bool ReadLine(std::string* line)
{
    line->clear();
    char buffer[256];
    while (fgets(buffer, sizeof buffer, stdin) != nullptr) {
        *line += buffer;
        if (line->back() == '\n') {
            line->erase(line->find_last_not_of("\r\n") + 1);
            return true;
        }
    }
    return !line->empty();
}

bool ConsoleIsOwn()
{
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

void TurnQuickEditOff()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (g_inputModeSaved || !GetConsoleMode(input, &g_inputMode)) {
        return;
    }
    g_inputModeSaved = true;
    atexit(RestoreInputMode);
    SetConsoleCtrlHandler(RestoreOnBreak, TRUE);
    SetConsoleMode(input, (g_inputMode & ~ENABLE_QUICK_EDIT_MODE) | ENABLE_EXTENDED_FLAGS);
}
