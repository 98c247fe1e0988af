// The changes the findings carry, as one edit of headview.ini: planned
// against the same facts until judging the planned file asks for nothing
// more, each step written from the typed change; made through edit.h.
#pragma once

#include "probe/edit.h"
#include "probe/judge.h"

#include <vector>

struct Repair {
    std::vector<std::string> steps;  // each change, as the player reads it; none: nothing to do
    IniText text;                    // the file after all of them
    Planned planned;
    std::string renamed;  // the file renamed to headview.ini instead; empty: none
};

// `askedOnly`: only the changes the player asked for (--centre, --gain).
Repair PlanRepair(const Facts& facts, const Findings& findings, bool askedOnly);
// False, with `error` saying why, when the file is left as it was.
bool MakeRepair(const IniFacts& ini, const Repair& repair, std::string* error);

extern const char* const kShippedIni;  // the headview.ini the zip holds, with LF line ends
