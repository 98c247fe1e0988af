// headview.log, read forward from a window at its end: the last run's look
// for the tracker's data, its error lines, and the line that repeats.
#include "probe/facts.h"

#include <stdio.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr int64_t kWindowBytes = 1024 * 1024;

// The window's messages without their timestamps; a line it cuts into is left out.
std::vector<std::string> Messages(const std::string& window, bool cut)
{
    std::vector<std::string> messages;
    size_t at = cut ? std::min(window.find('\n'), window.size() - 1) + 1 : 0;
    while (at < window.size()) {
        const size_t end = std::min(window.find('\n', at), window.size());
        std::string line = window.substr(at, end - at);
        line.erase(line.find_last_not_of('\r') + 1);
        const size_t message = line.find("] ");
        messages.push_back(!line.empty() && line[0] == '[' && message != std::string::npos ? line.substr(message + 2)
                                                                                           : line);
        at = end + 1;
    }
    return messages;
}

}  // namespace

LogFacts GatherLogFacts(const std::wstring& path)
{
    LogFacts log = {};
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return log;  // kAbsent
    }
    bool read = _fseeki64(file, 0, SEEK_END) == 0 && (log.bytes = _ftelli64(file)) >= 0;
    const int64_t from = log.bytes > kWindowBytes ? log.bytes - kWindowBytes : 0;
    std::string window(static_cast<size_t>(log.bytes - from), '\0');
    read = read && _fseeki64(file, from, SEEK_SET) == 0 && fread(&window[0], 1, window.size(), file) == window.size();
    fclose(file);
    const std::vector<std::string> messages = Messages(window, from > 0);
    size_t request = messages.size();
    std::map<std::string, int> counts;
    for (size_t i = 0; i < messages.size(); ++i) {
        request = messages[i] == "FTCreateMapping request." ? i : request;
        log.repeated = ++counts[messages[i]] > counts[log.repeated] ? messages[i] : log.repeated;
    }
    bool exists = false, opened = false;
    // The run's start-up load writes its one line right before its first look.
    for (size_t i = request > 0 ? request - 1 : request; i < messages.size(); ++i) {
        exists |= i >= request && messages[i] == "FTCreateMapping: Mapping already exists.";
        opened |= i >= request && messages[i] == "FTCreateMapping: Mapping opened.";
        log.badKeys += messages[i] == "headview: (Error) reading settings from ini file!" ? 1 : 0;
        log.missingIni += messages[i] == "headview: (Error) could not find ini file!" ? 1 : 0;
    }
    log.setup = !read || (request == messages.size() && from > 0) ? kFarBack
                : log.bytes == 0                                  ? kEmptyLog
                : request == messages.size()                      ? kNoSetup
                : exists                                          ? kTrackerFound
                : opened                                          ? kMadeByHeadview
                                                                  : kCannotOpen;
    return log;
}
