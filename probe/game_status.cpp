#include "probe/game_status.h"

#include <windows.h>

#include <string.h>
#include <wchar.h>

#include <atomic>

namespace {

constexpr int kStatusCopyTries = 10;
constexpr DWORD kRetryAfterMs = 1;  // headview writes the block in well under a microsecond, once a frame

bool IsRunningProcess(uint32_t processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

bool FieldsInRange(const StatusBlock& block)
{
    for (const uint8_t origin : block.origin) {
        if (origin > kOriginAbsent) {
            return false;
        }
    }
    return wmemchr(block.iniPath, L'\0', kSettingsPathSize) != nullptr && block.iniFound <= 1 &&
           block.link >= kLinkNotLooked && block.link <= kLinkCannotOpen && block.vehicle >= -1 && block.vehicle <= 1 &&
           block.headingFrame <= block.frames;
}

}  // namespace

bool CopyStableStatus(const StatusBlock* source, StatusBlock* copy)
{
    const volatile uint32_t* sequence = &source->sequence;
    for (int attempt = 0; attempt < kStatusCopyTries; ++attempt) {
        if (attempt > 0) {
            Sleep(kRetryAfterMs);
        }
        const uint32_t before = *sequence;
        if (before % 2 != 0) {
            continue;
        }
        // x86-64 keeps loads in program order; the fences keep the compiler
        // from moving the copy across either reading of the sequence.
        std::atomic_thread_fence(std::memory_order_acquire);
        memcpy(copy, source, sizeof *copy);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (*sequence == before) {
            return true;
        }
    }
    return false;
}

bool IsHeadviewsStatus(const StatusBlock& block)
{
    return block.version == kStatusVersion && block.size == sizeof(StatusBlock) && FieldsInRange(block) &&
           IsRunningProcess(block.processId);
}

GameSeen LookAtGame(StatusBlock* copy)
{
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kStatusRegionName);
    if (mapping == nullptr) {
        return GetLastError() == ERROR_FILE_NOT_FOUND ? kNoGame : kNotHeadviews;
    }
    const auto* view =
        static_cast<const StatusBlock*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(StatusBlock)));
    CloseHandle(mapping);
    if (view == nullptr) {
        return kNotHeadviews;
    }
    const bool stable = CopyStableStatus(view, copy);
    UnmapViewOfFile(view);
    return stable && IsHeadviewsStatus(*copy) ? kHeadviewRuns : kNotHeadviews;
}
