// Setting headview.ini from the player's head: the offset that centres the
// view, and the gain that turns a side-window look into a chosen camera turn.
#pragma once

#include <string>

// Both return the exit code: 0 written, 1 nothing written (no tracker, no
// poses, the head moved, no answer), 2 the file is missing or cannot be
// written.
int RunCentre(const std::string& iniPath);
int RunGain(const std::string& iniPath, double degrees);
