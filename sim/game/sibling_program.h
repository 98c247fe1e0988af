// Starting another program that sits next to the running one (the tracker,
// the game), as the tests, the benchmark and the demo do.
#pragma once

#include <windows.h>

#include <string>

// Starts `program` from this program's folder with `arguments` (UTF-8); returns its
// process handle, or null.
HANDLE StartSiblingProgram(const std::string& program, const std::string& arguments);
