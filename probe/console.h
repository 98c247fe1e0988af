// The probe's console: output that shows every letter of a path, whole
// input lines, and no QuickEdit selection holding the probe up while it
// watches the tracker.
#pragma once

#include <string>

// printf-style output to the console, or to wherever standard output goes.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void WriteOut(const std::string& text);
bool OutputIsConsole();

// One whole line of standard input, without its line end; false at its end.
bool ReadLine(std::string* line);

// True when no other process shares this console (started by a double-click).
bool ConsoleIsOwn();

// Turns QuickEdit off, so that a click in the window cannot stop the probe
// mid-watch; the console's mode is restored when the probe exits.
void TurnQuickEditOff();
