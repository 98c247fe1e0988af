// The one report: a checklist of the findings in a fixed order, one line a
// check, the fix under each that is not fine, and a closing line and exit
// code derived from them.
#pragma once

#include "probe/judge.h"

#include <string>

// The report's text; nothing printed.
std::string FormatReport(Findings findings);

// 0 when nothing is to fix, else 1.
int ExitCodeOf(const Findings& findings);

// Prints the report and returns its exit code.
int Report(const Findings& findings);
