// What headview publishes about itself with headviewing_status=1: the block in
// its region after each frame, the key turned off and on while the game runs,
// and another program's region, object or bytes under the same name.
#include "plugin/status_block.h"
#include "settings/utf8.h"
#include "tests/support/handles.h"
#include "tests/support/tracker_fixture.h"

#include <windows.h>

#include <string.h>

#include <array>
#include <filesystem>

namespace {

const char* const kCannotPublish = "headview: (Error) could not publish status!";

// A view of the region of that name, as another program in the session
// opens it: read and write, the whole section (at least a page).
struct StatusPeek {
    HANDLE mapping = nullptr;
    StatusBlock* block = nullptr;

    bool Open()
    {
        mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kStatusRegionName);
        block = mapping ? static_cast<StatusBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
        return block != nullptr;
    }
    ~StatusPeek()
    {
        if (block != nullptr) {
            UnmapViewOfFile(block);
        }
        if (mapping != nullptr) {
            CloseHandle(mapping);
        }
    }
};

// True when an object of that name exists in the session (any kind).
bool StatusNameTaken()
{
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kStatusRegionName);
    const DWORD error = GetLastError();
    if (mapping != nullptr) {
        CloseHandle(mapping);
        return true;
    }
    return error != ERROR_FILE_NOT_FOUND;
}

uint64_t FileTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime;
}

// The block's fields after a frame, as a row expects them.
struct Block {
    uint32_t sequence;
    uint64_t frames;
    int32_t enabled, test, multiplier;
    float offset;
    int32_t source, status;
    std::array<uint8_t, 6> origin;
    uint8_t iniFound;
    int32_t link, counter;
    float yaw;
    int32_t vehicle;
    float heading;
    uint64_t headingFrame;
};

// F: from the file, B: the fallback after an error, A: a later key absent.
constexpr uint8_t F = kOriginFile, B = kOriginFallback, A = kOriginAbsent;

void ExpectBlock(const StatusBlock& got, const Block& want, const std::string& what)
{
    EXPECT_EQ(got.sequence, want.sequence) << what;
    EXPECT_EQ(got.version, kStatusVersion) << what;
    EXPECT_EQ(got.size, 616u) << what;
    EXPECT_EQ(got.processId, GetCurrentProcessId()) << what;
    EXPECT_EQ(got.frames, want.frames) << what;
    EXPECT_EQ(got.enabled, want.enabled) << what;
    EXPECT_EQ(got.test, want.test) << what;
    EXPECT_EQ(got.multiplier, want.multiplier) << what;
    EXPECT_EQ(got.offset, want.offset) << what;
    EXPECT_EQ(got.source, want.source) << what;
    EXPECT_EQ(got.status, want.status) << what;
    EXPECT_EQ(std::vector<int>(got.origin, got.origin + 6), std::vector<int>(want.origin.begin(), want.origin.end()))
        << what;
    EXPECT_EQ(got.iniFound, want.iniFound) << what;
    EXPECT_EQ(got.link, want.link) << what;
    EXPECT_EQ(got.counter, want.counter) << what;
    EXPECT_EQ(got.yaw, want.yaw) << what;
    EXPECT_EQ(got.vehicle, want.vehicle) << what;
    EXPECT_EQ(got.heading, want.heading) << what;
    EXPECT_EQ(got.headingFrame, want.headingFrame) << what;
}

// A step of a run: what changes before it, the world of its frames, and the
// block after them.
struct Step {
    const char* what;
    std::function<void()> before;
    SimWorld world;
    int frames;
    Block after;
};

class StatusTest : public TrackerTest {
protected:
    void RunSteps(const std::vector<Step>& steps)
    {
        StatusPeek peek;
        for (const Step& step : steps) {
            if (step.before) {
                step.before();
            }
            RunFrames(step.frames, step.world);
            ASSERT_TRUE(peek.block != nullptr || peek.Open()) << step.what;
            ExpectBlock(*peek.block, step.after, step.what);
            EXPECT_EQ(Utf8FromWide(peek.block->iniPath), GamePath("headview.ini")) << step.what;
        }
    }

    // The pose in the tracker's region, which the plugin made.
    void WritePose(int32_t counter, float yaw, float rawYaw)
    {
        RegionPeek region;
        ASSERT_TRUE(region.Open());
        region.region->pose.yaw = yaw;
        region.region->pose.rawYaw = rawYaw;
        region.region->pose.frameCounter = counter;
    }
};

}  // namespace

TEST_F(StatusTest, ABlockAfterEachFrameWithTheRegionHeadviewMade)
{
    WriteIni(IniText({"1", "1", "2", "0.25", nullptr, "1"}));
    StartPlugin();
    const uint64_t before = FileTimeNow();
    RunFrame(OnFoot());
    const uint64_t after = FileTimeNow();
    StatusPeek peek;
    ASSERT_TRUE(peek.Open());
    EXPECT_GE(peek.block->startedAt, before);
    EXPECT_LE(peek.block->startedAt, after);
    const uint64_t startedAt = peek.block->startedAt;

    const auto ini = [this](IniKeys keys) { return [this, keys] { WriteIni(IniText(keys)); }; };
    const std::vector<Step> steps = {
        {"on foot, no pose yet",
         nullptr,
         OnFoot(),
         1,
         {4, 2, 1, 1, 2, 0.25f, 0, 1, {F, F, F, F, A, F}, 1, kLinkMade, 0, 0.0f, 0, 0.0f, 0}},
        {"a pose (raw yaw 0.75, processed 0.25), in a vehicle",
         [this] { WritePose(5, 0.25f, 0.75f); },
         InVehicle(),
         1,
         {6, 3, 1, 1, 2, 0.25f, 0, 1, {F, F, F, F, A, F}, 1, kLinkMade, 5, 0.75f, 1, 2.0f, 3}},
        {"source 1 and an unreadable gain",
         ini({"1", "1", "zz", "0.25", "1", "1"}),
         InVehicle(),
         1,
         {8, 4, 1, 1, 35, 0.25f, 1, 1, {F, F, B, F, F, F}, 1, kLinkMade, 5, 0.25f, 1, 17.5f, 4}},
        {"the camera off",
         ini({"0", "1", "2", "0.25", "1", "1"}),
         InVehicle(),
         1,
         {10, 5, 0, 1, 2, 0.25f, 1, 1, {F, F, F, F, F, F}, 1, kLinkMade, 5, 0.25f, -1, 17.5f, 4}},
        {"a character that does not exist",
         ini({"1", "1", "2", "0.25", "1", "1"}),
         SimWorld{kPlayer, 1, 0},
         1,
         {12, 6, 1, 1, 2, 0.25f, 1, 1, {F, F, F, F, F, F}, 1, kLinkMade, 5, 0.25f, 1, 17.5f, 4}},
        {"headview.ini deleted: the values and their origins stay",
         [this] { ASSERT_TRUE(std::filesystem::remove(WideFromUtf8(GamePath("headview.ini")))); },
         InVehicle(),
         1,
         {14, 7, 1, 1, 2, 0.25f, 1, 1, {F, F, F, F, F, F}, 0, kLinkMade, 5, 0.25f, 1, 1.0f, 7}},
        {"back with test 0, no offset, no source",
         ini({"1", "0", "4", nullptr, nullptr, "1"}),
         InVehicle(),
         1,
         {16, 8, 1, 0, 4, 0.0f, 0, 1, {F, F, F, B, A, F}, 1, kLinkMade, 5, 0.75f, 1, 3.0f, 8}},
        {"test 0: an edit is not read; a pose past the counter's wrap, on foot",
         [&] {
             WriteIni(IniText({"1", "0", "8", nullptr, nullptr, "1"}));
             WritePose(1001, 0.125f, 0.5f);
         },
         OnFoot(),
         1,
         {18, 9, 1, 0, 4, 0.0f, 0, 1, {F, F, F, B, A, F}, 1, kLinkMade, 1001, 0.5f, 0, 3.0f, 8}},
        {"the counter the plugin reset",
         nullptr,
         OnFoot(),
         1,
         {20, 10, 1, 0, 4, 0.0f, 0, 1, {F, F, F, B, A, F}, 1, kLinkMade, 0, 0.5f, 0, 3.0f, 8}},
        {"many frames on",
         nullptr,
         InVehicle(),
         90,
         {200, 100, 1, 0, 4, 0.0f, 0, 1, {F, F, F, B, A, F}, 1, kLinkMade, 0, 0.5f, 1, 2.0f, 100}},
    };
    RunSteps(steps);
    EXPECT_EQ(peek.block->startedAt, startedAt) << "taken once";
    EXPECT_EQ(CountLogMessages(kCannotPublish), 0u);
}

TEST_F(StatusTest, ATrackerThatCannotOpenThenOneFound)
{
    WriteIni(IniText({"1", "0", "3", nullptr, nullptr, "1"}));
    HANDLE squatter = CreateEventA(nullptr, TRUE, FALSE, kFTRegionName);
    ASSERT_NE(squatter, nullptr);
    StartPlugin();
    const std::vector<Step> steps = {
        {"the tracker's region cannot open",
         nullptr,
         InVehicle(),
         1,
         {2, 1, 1, 0, 3, 0.0f, 0, 1, {F, F, F, B, A, F}, 1, kLinkCannotOpen, 0, 0.0f, -1, 0.0f, 0}},
        {"asked again each frame",
         nullptr,
         InVehicle(),
         2,
         {6, 3, 1, 0, 3, 0.0f, 0, 1, {F, F, F, B, A, F}, 1, kLinkCannotOpen, 0, 0.0f, -1, 0.0f, 0}},
        {"a tracker made the region",
         [&] {
             CloseHandle(squatter);
             tracker_ = StartTracker("--pose 7:-0.25");
             ASSERT_NE(tracker_, nullptr);
         },
         InVehicle(),
         1,
         {8, 4, 1, 0, 3, 0.0f, 0, 1, {F, F, F, B, A, F}, 1, kLinkFound, 7, -0.25f, 1, -0.75f, 4}},
    };
    RunSteps(steps);
    EXPECT_EQ(SetupMessages().back(), "FTCreateMapping: Mapping opened.");
}

TEST_F(StatusTest, NoNameTakenWhileTheKeyIsAbsentOr0)
{
    const struct {
        const char* status;
        const char* test;
    } rows[] = {{nullptr, "1"}, {"0", "1"}, {"2", "1"}, {"0x0", "0"}};
    WriteIni(IniText({"1", "1", "1", "0", nullptr, nullptr}));
    StartPlugin();
    for (const auto& row : rows) {
        const char* shown = row.status != nullptr ? row.status : "(none)";
        WriteIni(IniText({"1", "1", "1", "0", nullptr, row.status}));
        RunFrames(3, InVehicle());
        EXPECT_FALSE(StatusNameTaken()) << shown;
        WriteIni(IniText({"1", row.test, "1", "0", nullptr, row.status}));
        RunFrames(3, InVehicle());
        EXPECT_FALSE(StatusNameTaken()) << shown;
    }
}

TEST_F(StatusTest, TheKeyTurnedOffStopsTheWritingAndOnAgainGoesOn)
{
    WriteIni(IniText({"1", "1", "1", "0", nullptr, "0"}));
    StartPlugin();
    RunFrames(3);
    EXPECT_FALSE(StatusNameTaken()) << "not made while the key is 0";
    const auto status = [this](const char* value) { WriteIni(IniText({"1", "1", "1", "0", nullptr, value})); };
    status("1");
    RunFrame();
    StatusPeek peek;
    ASSERT_TRUE(peek.Open()) << "made the first frame the key reads 1";
    EXPECT_EQ(peek.block->frames, 4u);
    RunFrames(2);
    EXPECT_EQ(peek.block->frames, 6u);
    const struct {
        const char* status;
        uint64_t frames;  // the block's after 3 frames
        uint32_t sequence;
    } rows[] = {{"0", 6, 6}, {"2", 6, 6}, {"", 6, 6}, {"1", 18, 12}, {nullptr, 18, 12}, {"1", 24, 18}};
    for (const auto& row : rows) {
        status(row.status);
        RunFrames(3);
        EXPECT_EQ(peek.block->frames, row.frames) << (row.status != nullptr ? row.status : "(none)");
        EXPECT_EQ(peek.block->sequence, row.sequence) << (row.status != nullptr ? row.status : "(none)");
        EXPECT_TRUE(StatusNameTaken()) << "the region stays";
    }
    StatusPeek again;
    EXPECT_TRUE(again.Open()) << "opened by name, as a probe opens it";
    EXPECT_EQ(CountLogMessages(kCannotPublish), 0u);
}

// A run with status 0, absent or 1 sends the same native calls and logs the
// same lines as the recorded run of the plugin before the key existed.
class StatusKeyTest : public GameTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StatusKeyTest, TheNativeCallsAndTheLogAreAsBeforeTheKeyExisted)
{
    const bool publishes = GetParam() != nullptr && strcmp(GetParam(), "1") == 0;
    size_t framesWithTheName = 0;
    const std::string trace = TraceOfTheRecordedRun(GetParam(), [&] { framesWithTheName += StatusNameTaken(); });
    EXPECT_EQ(trace, ReadFileBytes(ProgramDir() + "ini-without-source.trace"));
    EXPECT_EQ(framesWithTheName, publishes ? 11u : 0u) << "made at the first frame, seen before each later one";
    StatusPeek peek;
    ASSERT_EQ(peek.Open(), publishes);
    if (publishes) {
        EXPECT_EQ(peek.block->frames, 12u);
        EXPECT_EQ(peek.block->multiplier, -2);
        EXPECT_EQ(peek.block->headingFrame, 9u);
    }
}

INSTANTIATE_TEST_SUITE_P(Absent0And1, StatusKeyTest, ::testing::Values(nullptr, "0", "1"));

namespace {

// The recorded run's trace with the one line the plugin logs when it cannot
// publish: in the first frame, after the tracker's set-up.
std::string RecordedTraceWithCannotPublish()
{
    std::string trace = ReadFileBytes(ProgramDir() + "ini-without-source.trace");
    const std::string opened = "log FTCreateMapping: Mapping opened.\n";
    trace.insert(trace.find(opened) + opened.size(), std::string("log ") + kCannotPublish + "\n");
    return trace;
}

constexpr DWORD kPage = 4096;

class StatusBadInputTest : public GameTest {};

// Another program's region of that name: paging-file backed, `bytes` long,
// every byte `fill`.
HANDLE MakeRegion(DWORD bytes, uint8_t fill)
{
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes, kStatusRegionName);
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, bytes) : nullptr;
    EXPECT_NE(view, nullptr);
    if (view != nullptr) {
        memset(view, fill, bytes);
        UnmapViewOfFile(view);
    }
    return mapping;
}

bool AllBytesAre(const uint8_t* bytes, size_t count, uint8_t value)
{
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] != value) {
            return false;
        }
    }
    return true;
}

}  // namespace

TEST_F(StatusBadInputTest, TakesOverARegionMadeFirstAndWritesOnlyItsBlock)
{
    HANDLE other = MakeRegion(kPage, 0x5A);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(TraceOfTheRecordedRun("1"), ReadFileBytes(ProgramDir() + "ini-without-source.trace"));
    StatusPeek peek;
    ASSERT_TRUE(peek.Open());
    EXPECT_EQ(peek.block->frames, 12u);
    EXPECT_EQ(peek.block->sequence, 0x5A5A5A5Au + 24) << "on from the sequence found, 2 a frame";
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(peek.block);
    EXPECT_TRUE(AllBytesAre(bytes + sizeof(StatusBlock), kPage - sizeof(StatusBlock), 0x5A))
        << "nothing past the block";
    CloseHandle(other);
}

TEST_F(StatusBadInputTest, TakesOverARegionOf16BytesWhichIsAPage)
{
    HANDLE other = MakeRegion(16, 0xA5);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(TraceOfTheRecordedRun("1"), ReadFileBytes(ProgramDir() + "ini-without-source.trace"));
    StatusPeek peek;
    ASSERT_TRUE(peek.Open());
    EXPECT_EQ(peek.block->frames, 12u);
    EXPECT_EQ(peek.block->sequence, 0xA5A5A5BCu) << "the odd sequence found, then even, then 2 a frame";
    CloseHandle(other);
}

TEST_F(StatusBadInputTest, GarbageWrittenIntoTheBlockEachFrameChangesNothing)
{
    HANDLE other = MakeRegion(kPage, 0x5A);
    ASSERT_NE(other, nullptr);
    StatusPeek peek;
    ASSERT_TRUE(peek.Open());
    uint8_t* bytes = reinterpret_cast<uint8_t*>(peek.block);
    uint8_t garbage = 0;
    const std::string trace = TraceOfTheRecordedRun("1", [&] { memset(bytes, ++garbage * 0x11, sizeof(StatusBlock)); });
    EXPECT_EQ(trace, ReadFileBytes(ProgramDir() + "ini-without-source.trace"));
    EXPECT_EQ(peek.block->frames, 12u) << "the last frame's block over the garbage";
    EXPECT_EQ(peek.block->version, kStatusVersion);
    EXPECT_EQ(peek.block->sequence, 0xCCCCCCCCu + 2) << "on from the twelfth garbage";
    EXPECT_TRUE(AllBytesAre(bytes + sizeof(StatusBlock), kPage - sizeof(StatusBlock), 0x5A))
        << "nothing past the block";
    CloseHandle(other);
}

// Where the plugin cannot publish, it says so once and the game runs on as
// it would without the key; it publishes once the name is free.
TEST_F(StatusBadInputTest, CannotPublishUnderAMutexOfThatName)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kStatusRegionName);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(TraceOfTheRecordedRun("1"), RecordedTraceWithCannotPublish());
    CloseHandle(mutex);
    RunFrame();
    StatusPeek peek;
    ASSERT_TRUE(peek.Open()) << "made at the first frame with the name free";
    EXPECT_EQ(peek.block->frames, 13u);
    EXPECT_EQ(CountLogMessages(kCannotPublish), 1u);
}

TEST_F(StatusBadInputTest, CannotPublishIntoARegionTooSmallToMapTheBlock)
{
    // A region backed by a 16-byte file opens, but the block's view of it
    // cannot be mapped.
    WriteFileBytes(GamePath("short-status.bin"), std::string(16, 's'));
    HANDLE file = CreateFileW(WideFromUtf8(GamePath("short-status.bin")).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE shortRegion = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, kStatusRegionName);
    ASSERT_NE(shortRegion, nullptr);
    EXPECT_EQ(TraceOfTheRecordedRun("1"), RecordedTraceWithCannotPublish());
    const size_t handles = CountOpenHandles();
    RunFrames(200);
    EXPECT_EQ(CountOpenHandles(), handles) << "tried each frame without a handle left behind";
    EXPECT_EQ(CountLogMessages(kCannotPublish), 1u);
    CloseHandle(shortRegion);
    CloseHandle(file);
    EXPECT_EQ(ReadFileBytes(GamePath("short-status.bin")), std::string(16, 's'));
}

namespace {

// The block of a game in another process, as a probe reads it: a view of
// its own, the sequence even and the same before and after the copy.
bool ReadBlock(const StatusPeek& peek, StatusBlock* copy)
{
    const uint32_t sequence = peek.block->sequence;
    memcpy(copy, peek.block, sizeof *copy);
    return sequence % 2 == 0 && peek.block->sequence == sequence;
}

}  // namespace

// headview-game --pause-at: a game that runs no frame for a while leaves its
// block as its last frame wrote it, and a view held past the game's end
// keeps the last block, with the ended game's process.
class GameProgramTest : public GameTest {};

TEST_F(GameProgramTest, StatusOfAPausedGame)
{
    WriteIni(IniText({"1", "0", "1", "0", nullptr, "1"}));
    const std::string folder = gameDir_.substr(0, gameDir_.size() - 1);  // a trailing \ would escape the quote
    HANDLE game =
        StartProgram("headview-game.exe", "--quiet --frames 6 --pause-at 3:60000 --game-dir \"" + folder + "\"");
    ASSERT_NE(game, nullptr);
    const DWORD gameProcess = GetProcessId(game);
    StatusPeek peek;
    StatusBlock block = {};
    for (int look = 0; look < 3000 && !(peek.block != nullptr || peek.Open()); ++look) {
        Sleep(10);
    }
    ASSERT_NE(peek.block, nullptr) << "the game made the region";
    for (int look = 0; look < 3000 && !(ReadBlock(peek, &block) && block.frames >= 3); ++look) {
        Sleep(10);
    }
    EXPECT_EQ(block.frames, 3u) << "paused after frame 3";
    EXPECT_EQ(block.processId, gameProcess);
    Sleep(500);
    ASSERT_TRUE(ReadBlock(peek, &block));
    EXPECT_EQ(block.frames, 3u) << "no frame while paused";
    EXPECT_EQ(WaitForExit(game, 0), STILL_ACTIVE);
    StopProgram(game);
    ASSERT_TRUE(ReadBlock(peek, &block));
    EXPECT_EQ(block.frames, 3u) << "the view held keeps the last block";
    EXPECT_EQ(block.processId, gameProcess) << "of a game that has ended";
}

TEST_F(GameProgramTest, PauseAtTakesAFrameAndMilliseconds)
{
    const std::string folder = gameDir_.substr(0, gameDir_.size() - 1);
    const struct {
        const char* pause;
        DWORD exitCode;  // 2: the usage printed
    } rows[] = {{"2:10", 0}, {"2:0", 0}, {"0:10", 2}, {"2", 2}, {"x:10", 2}};
    for (const auto& row : rows) {
        HANDLE game = StartProgram("headview-game.exe", std::string("--quiet --frames 3 --pause-at ") + row.pause +
                                                            " --game-dir \"" + folder + "\"");
        ASSERT_NE(game, nullptr);
        EXPECT_EQ(WaitForExit(game, 30000), row.exitCode) << row.pause;
        CloseHandle(game);
    }
}

namespace {

// Watches the plugin's own view of the block, access by access: the page
// guarded, each access faults once, a snapshot of the block is taken through
// the test's view of the same bytes, the access runs one instruction under
// the trap flag, and the guard is set again. An access that changed any
// byte past the sequence is a field written; the sequence before it must be
// odd.
struct BlockWatch {
    uint8_t* watched = nullptr;       // the plugin's view
    const uint8_t* mirror = nullptr;  // the test's view of the same region
    uint8_t before[sizeof(StatusBlock)] = {};
    bool stepping = false;
    int fieldWrites = 0;
    int fieldWritesWhileEven = 0;
};
BlockWatch* watch = nullptr;

void GuardWatchedPage()
{
    DWORD was = 0;
    VirtualProtect(watch->watched, kPage, PAGE_READWRITE | PAGE_GUARD, &was);
}

LONG CALLBACK WatchBlockWrites(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (watch == nullptr) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    if (record->ExceptionCode == STATUS_GUARD_PAGE_VIOLATION && record->NumberParameters >= 2 &&
        reinterpret_cast<uint8_t*>(record->ExceptionInformation[1]) >= watch->watched &&
        reinterpret_cast<uint8_t*>(record->ExceptionInformation[1]) < watch->watched + kPage) {
        memcpy(watch->before, watch->mirror, sizeof watch->before);
        watch->stepping = true;
        info->ContextRecord->EFlags |= 0x100;  // the trap flag: one instruction, then a single-step exception
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (record->ExceptionCode == EXCEPTION_SINGLE_STEP && watch->stepping) {
        watch->stepping = false;
        if (memcmp(watch->before + 4, watch->mirror + 4, sizeof watch->before - 4) != 0) {
            uint32_t sequence = 0;
            memcpy(&sequence, watch->before, sizeof sequence);
            ++watch->fieldWrites;
            watch->fieldWritesWhileEven += sequence % 2 == 0 ? 1 : 0;
        }
        GuardWatchedPage();
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// The plugin's view of the region the test made: the other mapped page of
// this process with the same bytes.
uint8_t* FindOtherView(const uint8_t* ours)
{
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        auto* base = static_cast<uint8_t*>(region.BaseAddress);
        if (region.State == MEM_COMMIT && region.Type == MEM_MAPPED && region.Protect == PAGE_READWRITE &&
            region.RegionSize >= kPage && base != ours && memcmp(base, ours, kPage) == 0) {
            return base;
        }
    }
    return nullptr;
}

}  // namespace

TEST_F(StatusBadInputTest, NoFieldIsWrittenWhileTheSequenceIsEven)
{
    HANDLE other = MakeRegion(kPage, 0x5A);
    ASSERT_NE(other, nullptr);
    StatusPeek peek;
    ASSERT_TRUE(peek.Open());
    uint8_t* ours = reinterpret_cast<uint8_t*>(peek.block);
    WriteIni(IniText({"1", "0", "1", "0", nullptr, "1"}));
    StartPlugin();
    RunFrame(InVehicle());
    BlockWatch w;
    w.mirror = ours;
    w.watched = FindOtherView(ours);
    ASSERT_NE(w.watched, nullptr) << "the plugin's view of the block";
    void* handler = AddVectoredExceptionHandler(1, WatchBlockWrites);
    ASSERT_NE(handler, nullptr);
    for (int frame = 0; frame < 3; ++frame) {
        const uint32_t sequence = peek.block->sequence;
        memset(ours + 4, 0xEE, sizeof(StatusBlock) - 4);  // every field to be written again
        watch = &w;
        GuardWatchedPage();
        RunFrame(InVehicle());
        DWORD was = 0;
        VirtualProtect(w.watched, kPage, PAGE_READWRITE, &was);
        watch = nullptr;
        EXPECT_EQ(peek.block->sequence, sequence + 2) << "odd, then even";
        EXPECT_EQ(peek.block->frames, frame + 2u);
    }
    RemoveVectoredExceptionHandler(handler);
    EXPECT_GE(w.fieldWrites, 3) << "the block's fields written in each frame";
    EXPECT_EQ(w.fieldWritesWhileEven, 0);
    CloseHandle(other);
}
