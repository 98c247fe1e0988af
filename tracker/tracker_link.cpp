#include "tracker/tracker_link.h"

#include "log/log.h"

#include <windows.h>

#include <string.h>

namespace {

constexpr DWORD kRegionSize = sizeof(FTRegion);
constexpr DWORD kAllAccess = 0xF001F;  // FILE_MAP_ALL_ACCESS
constexpr DWORD kMutexWaitMs = 5;
constexpr int32_t kCounterWrapAbove = 1000;

HANDLE g_createdMapping = nullptr;  // kept when this process created the region
HANDLE g_mapping = nullptr;
FTRegion* g_view = nullptr;
HANDLE g_mutex = nullptr;
int32_t g_lastCounter = 0;
StatusLink g_link = kLinkNotLooked;
const uint16_t g_clientId = 0;

// A set-up that ended without a view is run again on the next frame; close
// what this attempt opened so that retries do not pile up handles.
void ReleaseFailedSetup()
{
    if (g_mapping != nullptr) {
        CloseHandle(g_mapping);
        g_mapping = nullptr;
    }
    if (g_createdMapping != nullptr) {
        CloseHandle(g_createdMapping);
        g_createdMapping = nullptr;
    }
}

// Writes `id` as decimal text with its NUL into the identifier field,
// touching no byte after the NUL.
void WriteClientId(char* field, uint16_t id)
{
    char digits[8];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + id % 10);
        id = static_cast<uint16_t>(id / 10);
    } while (id != 0);
    for (int i = 0; i < count; ++i) {
        field[i] = digits[count - 1 - i];
    }
    field[count] = '\0';
}

// Under the mutex: copies a fresh pose into `record`, resets a counter past
// the wrap and writes the client identifier into the region.
void CopyFreshPoseAndWriteBack(FTPose* record)
{
    const int32_t counter = g_view->pose.frameCounter;
    if (counter != g_lastCounter) {
        memcpy(record, &g_view->pose, sizeof(FTPose));
    }
    g_lastCounter = counter;
    if (counter > kCounterWrapAbove) {
        g_view->pose.frameCounter = 0;
    }
    WriteClientId(g_view->clientId, g_clientId);
}

// Takes the region's pose as seen without copying it: only a later counter
// is read. A counter past the wrap is reset in the region here and its reset
// value taken as seen, or the next frame would copy the same pose after the
// reset.
void SkipPoseAndResetCounter()
{
    if (g_view->pose.frameCounter > kCounterWrapAbove) {
        g_view->pose.frameCounter = 0;
    }
    g_lastCounter = g_view->pose.frameCounter;
}

}  // namespace

bool FTCreateMapping()
{
    if (g_view != nullptr) {
        return true;
    }
    LogLine("FTCreateMapping request.");

    g_createdMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kRegionSize, kFTRegionName);
    if (g_createdMapping != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        g_link = kLinkFound;
        LogLine("FTCreateMapping: Mapping already exists.");
        CloseHandle(g_createdMapping);
        g_createdMapping = nullptr;
    } else {
        g_link = kLinkMade;
    }

    g_mapping = OpenFileMappingA(kAllAccess, FALSE, kFTRegionName);
    if (g_mapping == nullptr) {
        g_link = kLinkCannotOpen;
        ReleaseFailedSetup();
        return false;
    }
    LogLine("FTCreateMapping: Mapping opened.");

    g_view = static_cast<FTRegion*>(MapViewOfFile(g_mapping, kAllAccess, 0, 0, kRegionSize));
    // One handle to the named mutex serves every attempt: a retry after a
    // failed view does not open another.
    if (g_mutex == nullptr) {
        g_mutex = CreateMutexA(nullptr, FALSE, kFTMutexName);
    }
    if (g_view == nullptr) {
        ReleaseFailedSetup();
    }
    return true;
}

bool FTReadPose(FTPose* record)
{
    if (!FTCreateMapping()) {
        return false;
    }
    if (g_mutex == nullptr) {
        return true;
    }
    const DWORD waited = WaitForSingleObject(g_mutex, kMutexWaitMs);
    if (waited == WAIT_ABANDONED) {
        // The tracker died holding the mutex, which is now ours. Its last
        // pose may be half written under a fresh counter: never take it.
        // Hand the mutex back so that a restarted tracker can take it.
        if (g_view != nullptr) {
            SkipPoseAndResetCounter();
        }
        ReleaseMutex(g_mutex);
        return true;
    }
    if (waited != WAIT_OBJECT_0) {
        return true;
    }
    if (g_view != nullptr) {
        CopyFreshPoseAndWriteBack(record);
    }
    ReleaseMutex(g_mutex);
    return true;
}

StatusLink FTLinkState()
{
    return g_link;
}

int32_t FTLastCounter()
{
    return g_lastCounter;
}
