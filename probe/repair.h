// The changes the findings carry, made as one edit of headview.ini on the
// player's word: planned from the facts alone, then written through edit.h.
#pragma once

#include "probe/edit.h"
#include "probe/judge.h"

#include <vector>

struct Repair {
    std::vector<std::string> steps;  // each change, as the player reads it; none: nothing to do
    IniText text;                    // the file after all of them
    Planned planned;
    bool rename;  // the near miss renamed to headview.ini instead
};

Repair PlanRepair(const IniFacts& ini, const Findings& findings);
// False, with `error` saying why, when the file is left as it was.
bool MakeRepair(const IniFacts& ini, const Repair& repair, std::string* error);

extern const char* const kShippedIni;  // the headview.ini the zip holds, with LF line ends
