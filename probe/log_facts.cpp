#include "probe/log_facts.h"

#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr int64_t kWindowBytes = 1024 * 1024;

struct LogLine {
    std::string stamp;    // "DD.MM.YYYY HH:MM:SS.mmm", or empty
    std::string message;  // the line without its stamp
};

// The window's lines; a line it cuts into is left out.
std::vector<LogLine> Lines(const std::string& window, bool cut)
{
    std::vector<LogLine> lines;
    size_t at = cut ? std::min(window.find('\n'), window.size() - 1) + 1 : 0;
    while (at < window.size()) {
        const size_t end = std::min(window.find('\n', at), window.size());
        std::string line = window.substr(at, end - at);
        line.erase(line.find_last_not_of('\r') + 1);
        const size_t message = line.find("] ");
        if (!line.empty() && line[0] == '[' && message != std::string::npos) {
            lines.push_back({line.substr(1, message - 1), line.substr(message + 2)});
        } else {
            lines.push_back({"", line});
        }
        at = end + 1;
    }
    return lines;
}

// "DD.MM.YYYY HH:MM:SS.mmm" in ms since 1601, UTC as the log writes it; 0 for another text.
int64_t MillisecondsOf(const std::string& stamp)
{
    SYSTEMTIME t = {};
    FILETIME file = {};
    if (sscanf(stamp.c_str(), "%2hu.%2hu.%4hu %2hu:%2hu:%2hu.%3hu", &t.wDay, &t.wMonth, &t.wYear, &t.wHour, &t.wMinute,
               &t.wSecond, &t.wMilliseconds) != 7 ||
        !SystemTimeToFileTime(&t, &file)) {
        return 0;
    }
    return (int64_t{file.dwHighDateTime} << 32 | file.dwLowDateTime) / 10000;
}

// The size, and the last megabyte read; false when either failed.
bool ReadWindow(FILE* file, LogFacts* log, int64_t* from, std::string* window)
{
    if (_fseeki64(file, 0, SEEK_END) != 0 || (log->bytes = _ftelli64(file)) < 0) {
        log->bytes = 0;
        return false;
    }
    *from = std::max<int64_t>(log->bytes - kWindowBytes, 0);
    window->assign(static_cast<size_t>(log->bytes - *from), '\0');
    return _fseeki64(file, *from, SEEK_SET) == 0 && fread(&(*window)[0], 1, window->size(), file) == window->size();
}

}  // namespace

LogFacts GatherLogFacts(const std::wstring& path)
{
    LogFacts log = {};
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return log;  // kNoLog
    }
    int64_t from = 0;
    std::string window;
    const bool read = ReadWindow(file, &log, &from, &window);
    fclose(file);
    const std::vector<LogLine> lines = Lines(window, from > 0);
    size_t request = lines.size();
    std::map<std::string, int> counts;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].message == "FTCreateMapping request.") {
            request = i;
        }
        if (++counts[lines[i].message] > counts[log.repeated]) {
            log.repeated = lines[i].message;
        }
    }
    size_t start = request;
    if (request == lines.size()) {
        start = 0;  // no look at all: every line is the one run's that never ran a frame
    } else if (request > 0) {
        const int64_t before = MillisecondsOf(lines[request - 1].stamp), at = MillisecondsOf(lines[request].stamp);
        const bool settings = lines[request - 1].message.rfind("headview: (Error) ", 0) == 0;
        if (settings && before > 0 && at >= before && at - before <= 1000) {
            start = request - 1;  // the start-up's load, a moment before its first look
        }
    }
    bool exists = false, opened = false;
    for (size_t i = start; i < lines.size(); ++i) {
        exists |= lines[i].message == "FTCreateMapping: Mapping already exists.";
        opened |= lines[i].message == "FTCreateMapping: Mapping opened.";
        log.badKeys += lines[i].message == "headview: (Error) reading settings from ini file!" ? 1 : 0;
        log.missingIni += lines[i].message == "headview: (Error) could not find ini file!" ? 1 : 0;
    }
    if (request < lines.size()) {
        log.startedAt = MillisecondsOf(lines[start].stamp);
    }
    if (!read || (request == lines.size() && from > 0)) {
        log.setup = kFarBack;
    } else if (log.bytes == 0) {
        log.setup = kEmptyLog;
    } else if (request == lines.size()) {
        log.setup = kNoSetup;
    } else if (exists) {
        log.setup = kTrackerFound;
    } else if (opened) {
        log.setup = kMadeByHeadview;
    } else {
        log.setup = kCannotOpen;
    }
    return log;
}
