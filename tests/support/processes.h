// Other Windows programs started by a test: the synthetic tracker and the
// game program.
#pragma once

#include <windows.h>

#include <string>

// Starts `program` (a file next to the test) with `arguments`; returns its
// process handle, or null.
HANDLE StartProgram(const std::string& program, const std::string& arguments);
// Waits for the process to end; returns its exit code, or STILL_ACTIVE on time-out.
DWORD WaitForExit(HANDLE process, DWORD timeoutMs);
// Ends the process if it still runs, and closes the handle.
void StopProgram(HANDLE process);

// Starts fttracker with `arguments` plus a ready event, and waits until it
// has written its first pose. Returns the process handle, or null.
HANDLE StartTracker(const std::string& arguments);
// Runs fttracker to publish one pose, and waits until it has ended.
void PublishPose(int counter, float rawYaw);
