#include "tests/support/processes.h"

#include "sim/game/sibling_program.h"

#include <gtest/gtest.h>

#include <stdio.h>

HANDLE StartProgram(const std::string& program, const std::string& arguments)
{
    return StartSiblingProgram(program, arguments);
}

DWORD WaitForExit(HANDLE process, DWORD timeoutMs)
{
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

void StopProgram(HANDLE process)
{
    if (process == nullptr) {
        return;
    }
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

HANDLE StartTracker(const std::string& arguments)
{
    static int started = 0;
    char eventName[64];
    snprintf(eventName, sizeof eventName, "headview-test-ready-%lu-%d", GetCurrentProcessId(), ++started);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName);
    HANDLE tracker = StartProgram("fttracker.exe", arguments + " --ready-event " + eventName);
    HANDLE waits[] = {ready, tracker};
    const DWORD woke = tracker != nullptr ? WaitForMultipleObjects(2, waits, FALSE, 30000) : WAIT_FAILED;
    CloseHandle(ready);
    if (woke != WAIT_OBJECT_0) {
        ADD_FAILURE() << "fttracker " << arguments << " did not get ready";
        StopProgram(tracker);
        return nullptr;
    }
    return tracker;
}

void PublishPose(int counter, float rawYaw)
{
    char arguments[96];
    snprintf(arguments, sizeof arguments, "--pose %d:%.9g --seconds 0.001", counter, static_cast<double>(rawYaw));
    HANDLE tracker = StartProgram("fttracker.exe", arguments);
    ASSERT_NE(tracker, nullptr);
    EXPECT_EQ(WaitForExit(tracker, 10000), 0u) << "fttracker " << arguments;
    CloseHandle(tracker);
}
