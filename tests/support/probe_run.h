// Running headview-probe.exe as a player would, with its standard input and
// output on pipes: the test reads its prompts and presses Enter.
#pragma once

#include <windows.h>

#include <string>

struct ProbeRun {
    HANDLE process = nullptr;
    HANDLE input = nullptr;   // the probe's standard input
    HANDLE output = nullptr;  // its standard output and error
    std::string text;         // everything it printed so far
};

// Starts `program` (default: headview-probe.exe next to the test) with
// `arguments`, in the working folder `folder` (default: the test's). UTF-8.
bool StartProbe(const std::string& arguments, ProbeRun* run, const std::string& folder = "",
                const std::string& program = "");
// Reads what the probe prints until `marker` appears; false when the probe
// ended or 20 s passed first.
bool ReadUntil(ProbeRun* run, const std::string& marker);
// Types `text`, then presses Enter.
void SendLine(ProbeRun* run, const std::string& text = "");
// Closes its input, reads the rest and waits for the end; returns the exit
// code (STILL_ACTIVE when it had to be stopped).
DWORD FinishProbe(ProbeRun* run);
