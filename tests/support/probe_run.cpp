#include "tests/support/probe_run.h"

#include "settings/utf8.h"
#include "sim/game/game_host.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

void CloseIfOpen(HANDLE* handle)
{
    if (*handle != nullptr) {
        CloseHandle(*handle);
        *handle = nullptr;
    }
}

// Appends what the pipe holds now; false once the pipe is closed.
bool ReadAvailable(ProbeRun* run)
{
    DWORD available = 0;
    if (!PeekNamedPipe(run->output, nullptr, 0, nullptr, &available, nullptr)) {
        return false;
    }
    while (available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(run->output, buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr)) {
            return false;
        }
        run->text.append(buffer, got);
        available -= got;
    }
    return true;
}

}  // namespace

bool StartProbe(const std::string& arguments, ProbeRun* run, const std::string& folder, const std::string& program)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr;
    if (!CreatePipe(&childInput, &run->input, &inherit, 0) || !CreatePipe(&run->output, &childOutput, &inherit, 0)) {
        return false;
    }
    SetHandleInformation(run->input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(run->output, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine =
        WideFromUtf8("\"" + (program.empty() ? ProgramDir() + "headview-probe.exe" : program) + "\" " + arguments);
    const std::wstring workingFolder = WideFromUtf8(folder);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    PROCESS_INFORMATION info = {};
    const bool started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        folder.empty() ? nullptr : workingFolder.c_str(), &startup, &info);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!started) {
        return false;
    }
    CloseHandle(info.hThread);
    run->process = info.hProcess;
    return true;
}

bool ReadUntil(ProbeRun* run, const std::string& marker)
{
    const DWORD start = GetTickCount();
    while (run->text.find(marker) == std::string::npos) {
        if (!ReadAvailable(run) || GetTickCount() - start > kTimeoutMs) {
            return false;
        }
        Sleep(10);
    }
    return true;
}

void SendLine(ProbeRun* run, const std::string& text)
{
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(run->input, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

DWORD FinishProbe(ProbeRun* run)
{
    CloseIfOpen(&run->input);
    const DWORD start = GetTickCount();
    while (ReadAvailable(run) && WaitForSingleObject(run->process, 10) == WAIT_TIMEOUT &&
           GetTickCount() - start < kTimeoutMs) {
    }
    ReadAvailable(run);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(run->process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(run->process, STILL_ACTIVE);
    }
    GetExitCodeProcess(run->process, &code);
    CloseIfOpen(&run->process);
    CloseIfOpen(&run->output);
    return code;
}
