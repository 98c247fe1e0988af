// headview.log, read forward from a window at its end: the last run's look
// for the tracker's data, its error lines, and the line that repeats.
#pragma once

#include <stdint.h>

#include <string>

enum LogSetup { kNoLog, kEmptyLog, kNoSetup, kMadeByHeadview, kTrackerFound, kCannotOpen, kFarBack };

struct LogFacts {
    LogSetup setup;  // of the last run: kFarBack when it lies before the end read
    int64_t bytes;
    int badKeys, missingIni;  // error lines of the last run
    std::string repeated;     // the message of most lines at the end
    int64_t startedAt;        // when the last run began, in ms since 1601 (UTC); 0 unknown
};

// A run starts with its first look for the tracker's data, or with the
// settings' error line its start-up wrote right before it.
LogFacts GatherLogFacts(const std::wstring& path);
