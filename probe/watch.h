// The probe's watch: a live line of what the tracker publishes and what the
// camera would do with headview.ini as it is, then one verdict.
#pragma once

#include <string>

// Watches for `seconds`; returns the exit code: 0 when all is well, 1 when
// the verdict names something the player must fix.
int RunWatch(const std::string& iniPath, int seconds);
