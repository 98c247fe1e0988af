#include "log/log.h"

#include <windows.h>

#include <stdio.h>

namespace {

// Opened during the module's static initialisation, before the entry point
// runs, and never closed: the process exit reclaims it. Mode "at" appends in
// text mode (CR LF line ends); fopen shares the file with other processes.
FILE* const g_logFile = fopen("headview.log", "at");

// The timestamp and the longest message with room to spare.
constexpr size_t kLongestLogLine = 256;

}  // namespace

void LogLine(const char* message)
{
    if (g_logFile == nullptr) {
        return;
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    // Formatted first and written with fputs, which leaves the line in the
    // stream's buffer (as every write does on Windows): the flush is what
    // hands it to the system, and a test killing the process can see it.
    char line[kLongestLogLine];
    snprintf(line, sizeof line, "[%02d.%02d.%02d %02d:%02d:%02d.%03d] %s\n", now.wDay, now.wMonth, now.wYear,
             now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, message);
    fputs(line, g_logFile);
    fflush(g_logFile);
}
