// Diagnostic log: headview.log in the process's current directory, one
// timestamped line per event, flushed as soon as it is written.
#pragma once

// Writes "[DD.MM.YYYY HH:MM:SS.mmm] message" (UTC) and flushes it.
// Does nothing when the log could not be opened at load.
void LogLine(const char* message);
