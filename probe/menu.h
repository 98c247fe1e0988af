// headview-probe started by a double-click: its console window is its own
// and would close the instant it ends, so it offers a menu and waits for
// Enter before it closes.
#pragma once

#include <string>

// True when no other process shares this console (no command prompt).
bool ConsoleIsOwn();

// Offers watch, centre, gain and quit; runs the choice on `iniPath`, then
// waits for Enter. Returns the choice's exit code.
int RunMenu(const std::string& iniPath);
