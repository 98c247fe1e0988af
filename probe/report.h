// The one report: findings worst first, wrapped between words, and the
// exit code they give.
#pragma once

#include "probe/judge.h"

std::string FormatReport(Findings findings);
int ExitCodeOf(const Findings& findings);  // 2 refused, 1 something to fix, 0 all well
int Report(const Findings& findings);      // prints; returns the exit code
