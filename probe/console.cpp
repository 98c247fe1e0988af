#include "probe/console.h"

#include <windows.h>

#include <stdarg.h>
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
    // Paths come in the ANSI code page, and the console shows its OEM one:
    // the console is given UTF-16.
    const int size = static_cast<int>(text.size());
    const int length = OutputIsConsole() ? MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0) : 0;
    if (length > 0) {
        std::wstring wide(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], length);
        DWORD written = 0;
        WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), wide.data(), static_cast<DWORD>(length), &written, nullptr);
        return;
    }
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

void Print(const char* format, ...)
{
    char buffer[2048];
    va_list arguments;
    va_start(arguments, format);
    const int length = vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (length > 0) {
        WriteOut(std::string(buffer, static_cast<size_t>(length) < sizeof buffer ? length : sizeof buffer - 1));
    }
}

bool ReadLine(std::string* line)
{
    line->clear();
    char buffer[256];
    while (fgets(buffer, sizeof buffer, stdin) != nullptr) {
        *line += buffer;
        if (!line->empty() && line->back() == '\n') {
            line->pop_back();
            if (!line->empty() && line->back() == '\r') {
                line->pop_back();
            }
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
