#include "probe/setup_facts.h"

#include "probe/ini_file.h"

#include <windows.h>

#include <stdio.h>

#include <charconv>

namespace {

constexpr const char* kRequest = "FTCreateMapping request.";
constexpr const char* kExists = "FTCreateMapping: Mapping already exists.";
constexpr const char* kOpened = "FTCreateMapping: Mapping opened.";
constexpr const char* kNoIni = "headview: (Error) could not find ini file!";
constexpr const char* kBadKey = "headview: (Error) reading settings from ini file!";

constexpr int64_t kChunkBytes = 64 * 1024;
constexpr size_t kLongestLine = 4096;  // a longer line is no line of headview's
constexpr double kStartSeconds = 2.0;  // errors this close before the set-up came from the start-up load
constexpr int64_t kStartBytes = 64 * 1024;

// The file's lines from the last to the first, a chunk at a time, with
// 64-bit positions.
struct BackwardLines {
    FILE* file;
    int64_t position;     // where `pending` starts in the file
    std::string pending;  // read, not yet returned
};

bool PreviousLine(BackwardLines* in, std::string* line)
{
    for (;;) {
        const size_t end = in->pending.size() - (!in->pending.empty() && in->pending.back() == '\n' ? 1 : 0);
        const size_t start = end == 0 ? std::string::npos : in->pending.rfind('\n', end - 1);
        // Past kLongestLine without a line end: no line of headview's, given back a piece at a time.
        if (start != std::string::npos || (in->position == 0 && !in->pending.empty()) ||
            in->pending.size() > kLongestLine) {
            const size_t from = start == std::string::npos ? 0 : start + 1;
            line->assign(in->pending, from, end - from);
            in->pending.resize(from);
            return true;
        }
        if (in->position == 0) {
            return false;
        }
        const int64_t from = in->position > kChunkBytes ? in->position - kChunkBytes : 0;
        std::string chunk(static_cast<size_t>(in->position - from), '\0');
        if (_fseeki64(in->file, from, SEEK_SET) != 0 || fread(&chunk[0], 1, chunk.size(), in->file) != chunk.size()) {
            return false;
        }
        in->position = from;
        in->pending = chunk + in->pending;
    }
}

struct LogLine {
    double seconds;  // for comparisons within one log
    std::string message;
};

// "[dd.mm.yyyy hh:mm:ss.mmm] message", with or without a CR.
LogLine ParseLine(std::string text)
{
    if (!text.empty() && text.back() == '\r') {
        text.pop_back();
    }
    int fields[7] = {};  // day, month, year, hour, minute, second, millisecond
    const char* at = text.c_str() + (text.empty() ? 0 : 1);
    const char* const end = text.c_str() + text.size();
    bool timed = !text.empty() && text[0] == '[';
    for (int i = 0; i < 7 && timed; ++i) {
        const std::from_chars_result r = std::from_chars(at, end, fields[i]);
        timed = r.ec == std::errc() && r.ptr < end && *r.ptr == ".. ::.]"[i];
        at = r.ptr + 1;
    }
    const size_t start = text.find("] ");
    const double days = (fields[2] * 12.0 + fields[1]) * 31.0 + fields[0];
    const double seconds = ((days * 24.0 + fields[3]) * 60.0 + fields[4]) * 60.0 + fields[5] + fields[6] / 1000.0;
    return LogLine{timed ? seconds : 0.0, start == std::string::npos ? text : text.substr(start + 2)};
}

void CountError(const std::string& message, int* badKeys, int* missingIni)
{
    *badKeys += message == kBadKey ? 1 : 0;
    *missingIni += message == kNoIni ? 1 : 0;
}

}  // namespace

LogFacts GatherLogFacts(const std::string& path)
{
    LogFacts log = {};
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return log;  // kAbsent
    }
    _fseeki64(file, 0, SEEK_END);
    log.bytes = _ftelli64(file);
    BackwardLines in = {file, log.bytes, ""};
    bool exists = false, opened = false, found = false;
    std::string text;
    double setupAt = 0.0;
    while (!found && PreviousLine(&in, &text)) {
        const LogLine line = ParseLine(text);
        found = line.message == kRequest;
        setupAt = line.seconds;
        exists = exists || line.message == kExists;
        opened = opened || line.message == kOpened;
        CountError(line.message, &log.settingsErrorsSince, &log.missingIniSince);
    }
    if (!found) {  // no set-up: what was logged came from the start-up load
        log.settingsErrorsAtStart = log.settingsErrorsSince;
        log.missingIniAtStart = log.missingIniSince;
        log.settingsErrorsSince = log.missingIniSince = 0;
    }
    const int64_t setupPosition = in.position;
    while (found && setupPosition - in.position < kStartBytes && PreviousLine(&in, &text)) {
        const LogLine line = ParseLine(text);
        if (line.message == kRequest || line.seconds < setupAt - kStartSeconds) {
            break;  // an earlier run
        }
        CountError(line.message, &log.settingsErrorsAtStart, &log.missingIniAtStart);
    }
    fclose(file);
    log.setup = log.bytes == 0 ? LogSetup::kEmpty
                : !found       ? LogSetup::kNoSetup
                : exists       ? LogSetup::kTrackerFound
                : opened       ? LogSetup::kMadeByHeadview
                               : LogSetup::kCannotOpen;
    return log;
}

FolderFacts GatherFolderFacts(const std::string& folder)
{
    const auto there = [&](const char* name) {
        return GetFileAttributesA((folder + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    return FolderFacts{there("headview.asi"), there("ScriptHookV.dll"), there("dinput8.dll")};
}

SetUpFacts GatherSetUpFacts(const std::string& iniPath)
{
    SetUpFacts facts = {};
    facts.ini = GatherIniFacts(iniPath);
    const std::string folder = FolderOf(facts.ini.path);
    facts.folder = GatherFolderFacts(folder);
    facts.log = GatherLogFacts(folder + "headview.log");
    return facts;
}
