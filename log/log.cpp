#include "log/log.h"

#include <windows.h>

#include <stdio.h>

namespace {

// Opened during the module's static initialisation, before the entry point
// runs, and never closed: the process exit reclaims it. Mode "at" appends in
// text mode (CR LF line ends); fopen shares the file with other processes.
FILE* const g_logFile = fopen("headview.log", "at");

}  // namespace

void LogLine(const char* message)
{
    if (g_logFile == nullptr) {
        return;
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    fprintf(g_logFile, "[%02d.%02d.%02d %02d:%02d:%02d.%03d] %s\n", now.wDay, now.wMonth, now.wYear, now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds, message);
    fflush(g_logFile);
}
