// The probe's reading of the block a running game's headview publishes:
// copies under the sequence count (a write met in the middle of the copy
// through guard pages), the checks that tell headview's block from anything
// else, and the region looked at as it is or as another program left it.
#include "probe/game_status.h"
#include "tests/support/files.h"
#include "tests/support/guarded_pages.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>

namespace {

// A block with every field a value of its own, under `sequence`.
StatusBlock NumberedBlock(uint32_t sequence, uint8_t first)
{
    StatusBlock block;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&block);
    for (size_t i = 0; i < sizeof block; ++i) {
        bytes[i] = static_cast<uint8_t>(first + i);
    }
    block.sequence = sequence;
    return block;
}

// A block as headview writes it in this process.
StatusBlock HeadviewsBlock()
{
    StatusBlock block = {};
    block.sequence = 8;
    block.version = 1;
    block.size = 616;
    wcscpy(block.iniPath, L"C:\\Games\\V\\headview.ini");
    block.processId = GetCurrentProcessId();
    block.startedAt = 134100000000000000ull;
    block.frames = 10;
    block.enabled = 1;
    block.multiplier = 0x39;
    block.source = 1;
    block.status = 1;
    const uint8_t origins[6] = {kOriginFile, kOriginFile, kOriginFallback, kOriginFile, kOriginAbsent, kOriginFile};
    memcpy(block.origin, origins, sizeof origins);
    block.iniFound = 1;
    block.link = kLinkFound;
    block.counter = 77;
    block.yaw = 0.25f;
    block.heading = 14.25f;
    block.headingFrame = 10;
    block.vehicle = 1;
    return block;
}

// A process that has ended: started suspended from this program's file and
// ended before it ran. Its handle is returned when `keep`, else closed.
uint32_t EndedProcess(bool keep, HANDLE* handle)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring commandLine = std::wstring(L"\"") + path + L"\" --gtest_list_tests";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    EXPECT_TRUE(CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &info));
    TerminateProcess(info.hProcess, 3);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(info.hThread);
    *handle = keep ? info.hProcess : nullptr;
    if (!keep) {
        CloseHandle(info.hProcess);
    }
    return info.dwProcessId;
}

// Views of files and regions mapped in this process.
size_t MappedViews()
{
    size_t views = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        views += region.Type == MEM_MAPPED && region.BaseAddress == region.AllocationBase ? 1 : 0;
    }
    return views;
}

bool NameExists()
{
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kStatusRegionName);
    if (mapping != nullptr) {
        CloseHandle(mapping);
    }
    return mapping != nullptr;
}

}  // namespace

TEST(CopyStableStatus, ABlockInTheMiddleOfAWriteIsNeverTaken)
{
    const StatusBlock old = NumberedBlock(4, 10), next = NumberedBlock(6, 120);
    const StatusBlock odd = NumberedBlock(5, 10), begun = NumberedBlock(7, 120);
    const struct {
        const char* what;
        const StatusBlock& there;
        int writeAtFault;
        const StatusBlock& written;
        bool taken;
        const StatusBlock& copy;  // when taken
        int faults;
    } rows[] = {
        {"no write during the copy", old, 0, next, true, old, 2},
        {"the sequence odd: a write under way that never ends", odd, 0, next, false, old, 1},
        {"a whole block written in the middle of the first copy", old, 2, next, true, next, 2},
        {"a write begun in the middle of the copy that never ends", old, 2, begun, false, old, 2},
    };
    GuardedPages pages;
    StatusBlock* block = reinterpret_cast<StatusBlock*>(pages.Across(48));  // 48 bytes on each page
    for (const auto& row : rows) {
        *block = row.there;
        ASSERT_TRUE(pages.Arm(row.writeAtFault, [&] { *block = row.written; }));
        StatusBlock copy = {};
        EXPECT_EQ(CopyStableStatus(block, &copy), row.taken) << row.what;
        EXPECT_EQ(pages.Faults(), row.faults) << row.what << ": a fault at the first read of each page";
        if (row.taken) {
            EXPECT_EQ(memcmp(&copy, &row.copy, sizeof copy), 0) << row.what;
        }
    }
}

TEST(IsHeadviewsStatus, OnlyABlockHeadviewWritesInARunningGame)
{
    HANDLE held = nullptr, unused = nullptr;
    const uint32_t endedHeld = EndedProcess(true, &held);
    const uint32_t ended = EndedProcess(false, &unused);
    const struct {
        const char* what;
        std::function<void(StatusBlock*)> change;
        bool headviews;
    } rows[] = {
        {"as headview writes it", [](StatusBlock*) {}, true},
        {"version 0", [](StatusBlock* b) { b->version = 0; }, false},
        {"version 2", [](StatusBlock* b) { b->version = 2; }, false},
        {"size 615", [](StatusBlock* b) { b->size = 615; }, false},
        {"the path without its end", [](StatusBlock* b) { wmemset(b->iniPath, L'x', kSettingsPathSize); }, false},
        {"size 128", [](StatusBlock* b) { b->size = 128; }, false},
        {"a process that has ended, its handle held here", [&](StatusBlock* b) { b->processId = endedHeld; }, false},
        {"a process that has ended", [&](StatusBlock* b) { b->processId = ended; }, false},
        {"process 0", [](StatusBlock* b) { b->processId = 0; }, false},
        {"every origin kOriginAbsent", [](StatusBlock* b) { memset(b->origin, kOriginAbsent, 6); }, true},
        {"every origin kOriginNotRead", [](StatusBlock* b) { memset(b->origin, kOriginNotRead, 6); }, true},
        {"an origin past kOriginAbsent", [](StatusBlock* b) { b->origin[5] = 4; }, false},
        {"iniFound 0", [](StatusBlock* b) { b->iniFound = 0; }, true},
        {"iniFound 2", [](StatusBlock* b) { b->iniFound = 2; }, false},
        {"link kLinkNotLooked", [](StatusBlock* b) { b->link = kLinkNotLooked; }, true},
        {"link kLinkCannotOpen", [](StatusBlock* b) { b->link = kLinkCannotOpen; }, true},
        {"link -1", [](StatusBlock* b) { b->link = -1; }, false},
        {"link 4", [](StatusBlock* b) { b->link = 4; }, false},
        {"vehicle -1", [](StatusBlock* b) { b->vehicle = -1; }, true},
        {"vehicle 0", [](StatusBlock* b) { b->vehicle = 0; }, true},
        {"vehicle -2", [](StatusBlock* b) { b->vehicle = -2; }, false},
        {"vehicle 2", [](StatusBlock* b) { b->vehicle = 2; }, false},
        {"the heading sent at a frame not yet run", [](StatusBlock* b) { b->headingFrame = 11; }, false},
        {"no frame yet, no heading", [](StatusBlock* b) { b->frames = b->headingFrame = 0; }, true},
        {"garbage", [](StatusBlock* b) { memset(b, 0xA5, sizeof *b); }, false},
        {"zeros", [](StatusBlock* b) { memset(b, 0, sizeof *b); }, false},
    };
    for (const auto& row : rows) {
        StatusBlock block = HeadviewsBlock();
        row.change(&block);
        EXPECT_EQ(IsHeadviewsStatus(block), row.headviews) << row.what;
    }
    CloseHandle(held);
}

TEST(LookAtGame, TheRegionAsAGameOrAnotherProgramLeftIt)
{
    HANDLE held = nullptr;
    const uint32_t ended = EndedProcess(true, &held);
    const StatusBlock headviews = HeadviewsBlock();
    StatusBlock odd = headviews, otherVersion = headviews, stale = headviews, garbage;
    odd.sequence = 9;
    otherVersion.version = 2;
    stale.processId = ended;
    memset(&garbage, 0x5A, sizeof garbage);
    const struct {
        const char* what;
        DWORD regionBytes;  // 0: no region
        const StatusBlock* block;
        GameSeen seen;
    } rows[] = {
        {"no region", 0, nullptr, kNoGame},
        {"headview's block", 616, &headviews, kHeadviewRuns},
        {"headview's block in a larger region", 8192, &headviews, kHeadviewRuns},
        {"a write under way that never ends", 616, &odd, kNotHeadviews},
        {"another version", 616, &otherVersion, kNotHeadviews},
        {"a game that has ended", 616, &stale, kNotHeadviews},
        {"garbage", 4096, &garbage, kNotHeadviews},
    };
    for (const auto& row : rows) {
        HANDLE mapping = nullptr;
        StatusBlock* view = nullptr;
        if (row.regionBytes != 0) {
            mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, row.regionBytes,
                                         kStatusRegionName);
            view = static_cast<StatusBlock*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(StatusBlock)));
            ASSERT_NE(view, nullptr) << row.what;
            *view = *row.block;
        }
        StatusBlock copy = {};
        const size_t views = MappedViews();
        EXPECT_EQ(LookAtGame(&copy), row.seen) << row.what;
        EXPECT_EQ(MappedViews(), views) << row.what << ": no view left mapped";
        if (row.seen == kHeadviewRuns) {
            EXPECT_EQ(memcmp(&copy, row.block, sizeof copy), 0) << row.what;
        }
        if (view != nullptr) {
            EXPECT_EQ(memcmp(view, row.block, sizeof *view), 0) << row.what << ": nothing written";
            UnmapViewOfFile(view);
            CloseHandle(mapping);
        }
        EXPECT_FALSE(NameExists()) << row.what << ": no handle kept, no region made";
    }
    CloseHandle(held);
}

TEST(LookAtGame, ANameThatIsNoRegionOfTheBlocksSize)
{
    // A region backed by a 16-byte file opens, but the block's view of it
    // cannot be mapped.
    WriteFileBytes("short-status.bin", std::string(16, 's'));
    HANDLE file = CreateFileW(L"short-status.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE shortRegion = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, kStatusRegionName);
    ASSERT_NE(shortRegion, nullptr);
    StatusBlock copy = {};
    EXPECT_EQ(LookAtGame(&copy), kNotHeadviews) << "a region too small for the block";
    CloseHandle(shortRegion);
    CloseHandle(file);
    EXPECT_EQ(ReadFileBytes("short-status.bin"), std::string(16, 's'));
    DeleteFileW(L"short-status.bin");

    HANDLE mutex = CreateMutexW(nullptr, FALSE, kStatusRegionName);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(LookAtGame(&copy), kNotHeadviews) << "a mutex of that name";
    CloseHandle(mutex);
    EXPECT_EQ(LookAtGame(&copy), kNoGame) << "the name free again";
}
