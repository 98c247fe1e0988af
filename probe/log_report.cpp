#include "probe/log_report.h"

#include <stdio.h>

#include <sstream>
#include <vector>

namespace {

constexpr const char* kRequest = "FTCreateMapping request.";
constexpr const char* kExists = "FTCreateMapping: Mapping already exists.";
constexpr const char* kOpened = "FTCreateMapping: Mapping opened.";
constexpr const char* kNoIni = "headview: (Error) could not find ini file!";
constexpr const char* kBadKey = "headview: (Error) reading settings from ini file!";

struct Line {
    double seconds;  // the timestamp, for comparisons within one log
    std::string message;
};

// A log line "[dd.mm.yyyy hh:mm:ss.mmm] message", without its line end.
Line ParseLine(std::string text)
{
    if (!text.empty() && text.back() == '\r') {
        text.pop_back();
    }
    int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    const bool timed = sscanf(text.c_str(), "[%d.%d.%d %d:%d:%d.%d]", &day, &month, &year, &hour, &minute,
                              &second, &millisecond) == 7;
    const size_t start = text.find("] ");
    const double days = (year * 12.0 + month) * 31.0 + day;
    return Line{timed ? ((days * 24.0 + hour) * 60.0 + minute) * 60.0 + second + millisecond / 1000.0 : 0.0,
                start == std::string::npos ? text : text.substr(start + 2)};
}

// Errors logged this close before the set-up came from the start-up load.
constexpr double kStartSeconds = 2.0;

struct Explanation {
    LogSetup setup;
    const char* text;
};

const Explanation kSetupTexts[] = {
    {LogSetup::kNone, "headview.log shows no look for the tracker's data yet: has the game run with headview?"},
    {LogSetup::kMadeByHeadview,
     "headview.log: when the game last started, no tracker was running, so headview made the\n"
     "tracker's data itself (no \"Mapping already exists.\" line). A tracker started later is picked\n"
     "up all the same, if it runs at the same privilege level as the game."},
    {LogSetup::kTrackerFound, "headview.log: the tracker's data was there when the game last started."},
    {LogSetup::kCannotOpen,
     "headview.log: headview could not open the tracker's data, and asks again on every frame.\n"
     "Run the tracker and the game at the same privilege level (both as administrator or neither),\n"
     "or close the program that holds the name FT_SharedMem, then restart the tracker."},
};

void PrintLogReading(const LogReading& reading)
{
    for (const Explanation& e : kSetupTexts) {
        if (e.setup == reading.setup) {
            printf("%s\n", e.text);
        }
    }
    if (reading.settingsErrorsSinceSetup > 0) {
        printf(
            "headview.log: headview reads headview.ini on every frame (headviewing_test=1) and cannot read a\n"
            "key each time: it logs an error line on every frame.\n");
    } else if (reading.settingsErrorsAtStart > 0) {
        printf("headview.log: a key in headview.ini could not be read when the game started.\n");
    }
    if (reading.missingIniSinceSetup > 0) {
        printf("headview.log: headview.ini went missing while the game ran; headview kept the last values.\n");
    } else if (reading.missingIniAtStart > 0) {
        printf("headview.log: headview.ini was not in the game's working folder when the game started.\n");
    }
}

}  // namespace

LogReading ReadLogExcerpt(const std::string& excerpt)
{
    std::vector<Line> lines;
    std::istringstream in(excerpt);
    std::string text;
    size_t lastRequest = std::string::npos;
    while (std::getline(in, text)) {
        lines.push_back(ParseLine(text));
        lastRequest = lines.back().message == kRequest ? lines.size() - 1 : lastRequest;
    }
    LogReading reading = {};
    if (lastRequest == std::string::npos) {
        return reading;
    }
    reading.setup = LogSetup::kCannotOpen;
    const double setupAt = lines[lastRequest].seconds;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& message = lines[i].message;
        const bool since = i > lastRequest;
        if (since && message == kExists) {
            reading.setup = LogSetup::kTrackerFound;
        } else if (since && message == kOpened && reading.setup == LogSetup::kCannotOpen) {
            reading.setup = LogSetup::kMadeByHeadview;
        }
        if (!since && lines[i].seconds < setupAt - kStartSeconds) {
            continue;  // an earlier run
        }
        if (message == kBadKey) {
            ++*(since ? &reading.settingsErrorsSinceSetup : &reading.settingsErrorsAtStart);
        } else if (message == kNoIni) {
            ++*(since ? &reading.missingIniSinceSetup : &reading.missingIniAtStart);
        }
    }
    return reading;
}

bool PrintLogReport(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    fseek(file, 0, SEEK_END);
    const int64_t size = _ftelli64(file);
    const int64_t from = size > static_cast<int64_t>(kLogExcerptBytes) ? size - kLogExcerptBytes : 0;
    _fseeki64(file, from, SEEK_SET);
    std::string excerpt(static_cast<size_t>(size - from), '\0');
    excerpt.resize(fread(&excerpt[0], 1, excerpt.size(), file));
    fclose(file);
    if (from > 0) {
        excerpt.erase(0, excerpt.find('\n') + 1);  // the first line is cut
    }
    PrintLogReading(ReadLogExcerpt(excerpt));
    if (size > kLargeLogBytes) {
        printf(
            "headview.log is %.1f MB: it grows by a line on every frame while headviewing_test=1 and a\n"
            "key is missing or unreadable (or headview.ini is missing). Fix that, then delete headview.log:\n"
            "headview starts a new one.\n",
            static_cast<double>(size) / (1024.0 * 1024.0));
    }
    return true;
}
