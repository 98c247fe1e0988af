// The replacement as Windows makes it, run here under Wine through stand-ins
// for ReplaceFileW that fail each way Windows' can: whatever happens, a file
// named headview.ini stands, and it is the player's or the one read back.
#include "probe/edit.h"
#include "settings/utf8.h"
#include "tests/support/files.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

HANDLE g_held = INVALID_HANDLE_VALUE;

BOOL WINAPI Replaces(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID)
{
    return ReplaceFileW(replaced, replacement, backup, flags, nullptr, nullptr);
}

BOOL WINAPI CannotRemoveTheOriginal(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID)
{
    SetLastError(ERROR_UNABLE_TO_REMOVE_REPLACED);  // 1175: both keep their names
    return FALSE;
}

BOOL WINAPI CannotMoveTheReplacement(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID)
{
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);  // 1176 with a backup name: both keep their names
    return FALSE;
}

// 1177: the original already renamed to the backup name, the replacement left where it was.
BOOL WINAPI MovedTheOriginalAway(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID)
{
    MoveFileW(replaced, backup);
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

// 1177, and the replacement held open by another program, so that it cannot be put in place either.
BOOL WINAPI MovedTheOriginalAwayTheReplacementHeld(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD, LPVOID,
                                                   LPVOID)
{
    if (g_held == INVALID_HANDLE_VALUE) {  // once, though the probe tries again
        g_held = CreateFileW(replacement, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    MoveFileW(replaced, backup);
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

}  // namespace

TEST(WriteIni, EveryWayWindowsReplacementFailsLeavesAFileNamedHeadviewIni)
{
    const std::string before = "[Settings]\r\nheadviewing_offset=0.05\r\n",
                      after = "[Settings]\r\nheadviewing_offset=-0.42\r\n";
    const struct {
        const char* what;
        ReplaceCall replace;
        bool written;  // and so the old file kept as .bak
        const std::string& file;
    } rows[] = {
        {"ReplaceFileW works", Replaces, true, after},
        {"1175: nothing moved", CannotRemoveTheOriginal, false, before},
        {"1176: nothing moved", CannotMoveTheReplacement, false, before},
        {"1177: the original moved away, the read-back file put in its place", MovedTheOriginalAway, true, after},
        {"1177, the read-back file held: the original put back", MovedTheOriginalAwayTheReplacementHeld, false, before},
    };
    wchar_t full[MAX_PATH];
    GetFullPathNameW(L"replaced.ini", MAX_PATH, full, nullptr);
    const std::wstring path = full;
    for (const auto& row : rows) {
        WriteFileBytes("replaced.ini", before);
        WriteFileBytes("replaced.ini.bak", "a copy of an earlier change");
        const IniFacts ini = GatherIniFacts(path);
        Planned planned = {};
        planned.sets[kOffsetKey] = true;
        planned.values[kOffsetKey] = "-0.42";
        g_replaceFile = row.replace;
        std::string error;
        EXPECT_EQ(WriteIni(ini, DecodeIni(after), planned, &error), row.written) << row.what << ": " << error;
        g_replaceFile = nullptr;
        if (g_held != INVALID_HANDLE_VALUE) {
            CloseHandle(g_held);
            g_held = INVALID_HANDLE_VALUE;
        }
        EXPECT_EQ(ReadFileBytes("replaced.ini"), row.file) << row.what;
        EXPECT_EQ(ReadFileBytes("replaced.ini.bak"), row.written ? before : "a copy of an earlier change")
            << row.what << ": the old file kept, or the copy there was";
        EXPECT_EQ(GetFileAttributesW((path + L".probe-old").c_str()), INVALID_FILE_ATTRIBUTES) << row.what;
        // Removed, but where another program holds it open.
        const bool held = row.replace == MovedTheOriginalAwayTheReplacementHeld;
        EXPECT_EQ(GetFileAttributesW((path + L".probe-new").c_str()) != INVALID_FILE_ATTRIBUTES, held) << row.what;
        DeleteFileW((path + L".probe-new").c_str());
    }
}
