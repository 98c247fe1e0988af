// --centre and --gain: a value for headview.ini measured from the player's
// head, as a finding whose change the player asked for; the findings of the
// run, and the facts they judge.
#pragma once

#include "probe/judge.h"

Findings RunCentre(const std::wstring& iniOption, Facts* facts);
Findings RunGain(const std::wstring& iniOption, double degrees, Facts* facts);
