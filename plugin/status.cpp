#include "plugin/status.h"

#include "log/log.h"
#include "settings/heading.h"
#include "settings/settings.h"
#include "tracker/tracker_link.h"

#include <windows.h>

#include <string.h>

#include <atomic>

StatusBlock g_status = {};

namespace {

StatusBlock* g_view = nullptr;  // the region's block; its mapping handle is never closed
bool g_toldCannotPublish = false;

// Makes the region, or opens the one there, and maps the block.
bool MapStatusView()
{
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(StatusBlock), kStatusRegionName);
    if (mapping != nullptr) {
        g_view = static_cast<StatusBlock*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(StatusBlock)));
    }
    if (g_view == nullptr && mapping != nullptr) {
        CloseHandle(mapping);
    }
    if (g_view == nullptr && !g_toldCannotPublish) {
        LogLine("headview: (Error) could not publish status!");
        g_toldCannotPublish = true;
    }
    return g_view != nullptr;
}

// The sequence goes odd, then even, on from the one in the region, so that a reader sees it change
// even under a copy of the last game's block. x86-64 makes stores visible in program order; the
// release fences keep the compiler from moving the copy across either store of the sequence.
void WriteStatusView()
{
    g_status.sequence = g_view->sequence | 1u;
    g_view->sequence = g_status.sequence;
    std::atomic_thread_fence(std::memory_order_release);
    *g_view = g_status;
    std::atomic_thread_fence(std::memory_order_release);
    g_view->sequence = g_status.sequence + 1;
}

}  // namespace

void StartStatus()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    g_status.startedAt = uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime;
    g_status.version = kStatusVersion;
    g_status.size = sizeof(StatusBlock);
    g_status.processId = GetCurrentProcessId();
}

void PublishStatus(const FTPose& pose)
{
    if (g_settings.status != 1 || (g_view == nullptr && !MapStatusView())) {
        return;
    }
    g_status.enabled = g_settings.enabled;
    g_status.test = g_settings.test;
    g_status.multiplier = g_settings.multiplier;
    g_status.offset = g_settings.offset;
    g_status.source = g_settings.source;
    g_status.status = g_settings.status;
    memcpy(g_status.origin, g_settingOrigins, sizeof g_status.origin);
    g_status.iniFound = g_iniFound;
    memcpy(g_status.iniPath, g_settingsPath, sizeof g_status.iniPath);
    g_status.link = FTLinkState();
    g_status.counter = FTLastCounter();
    g_status.yaw = SteeringYaw(pose, g_settings.source);
    WriteStatusView();
}
