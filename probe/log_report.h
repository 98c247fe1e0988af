// headview.log explained: what the plugin saw last, in plain words.
#pragma once

#include <stdint.h>

#include <string>

// How the plugin's last set-up of the tracker's data went.
enum class LogSetup {
    kNone,            // no set-up in the log
    kMadeByHeadview,  // headview made the data itself: no tracker ran when the game started
    kTrackerFound,    // the tracker's data was there
    kCannotOpen,      // the last request was not followed by the data opened: repeated on every frame
};

struct LogReading {
    LogSetup setup;
    int settingsErrorsAtStart;     // reading errors before the last set-up: once a load at start
    int settingsErrorsSinceSetup;  // after it: a reload on every frame (headviewing_test=1)
    int missingIniAtStart;
    int missingIniSinceSetup;
};

// Reads the messages of a log excerpt (whole lines, "[time] message").
LogReading ReadLogExcerpt(const std::string& excerpt);

constexpr size_t kLogExcerptBytes = 64 * 1024;
constexpr int64_t kLargeLogBytes = 10 * 1024 * 1024;

// Reads the last 64 KB of the log at `path` and says what the plugin saw
// last; a log past 10 MB is named with its size. False when there is no log.
bool PrintLogReport(const std::string& path);
