// The probe's facts from the real thing: headview.ini through this
// machine's profile reader (Wine's, here), headview.log's end, the game
// folder, the tracker's counter and stalls, poses copied while written, and
// the command line.
#include "probe/options.h"
#include "probe/gather.h"
#include "settings/utf8.h"
#include "tests/support/files.h"
#include "tests/support/guarded_pages.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

double Microseconds(const LARGE_INTEGER& since)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e6 * static_cast<double>(Now().QuadPart - since.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Full(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    GetFullPathNameW(name, MAX_PATH, path, nullptr);
    return path;
}

}  // namespace

TEST(GatherIniFacts, WhatTheReaderReturnsAndWhyItMissedAKey)
{
    const std::string keys = "headviewing=1\r\nheadviewing_test=0\r\nheadviewing_multiplier=27\r\n";
    const struct {
        const char* what;
        std::string bytes;
        bool offsetRead;
        const char *misplaced, *place, *nearMiss;  // the offset's
        bool noSection, mark, oddHeader;
    } rows[] = {
        {"plain", "[Settings]\r\n" + keys + "headviewing_offset=0.5\r\n", true, "", "", "", false, false, false},
        {"a UTF-8 mark right before [Settings], which Wine's reader reads past",
         "\xEF\xBB\xBF[Settings]\r\nheadviewing_offset=0.5\r\n", true, "", "", "", false, true, false},
        {"UTF-16 little-endian", Utf16Le("[Settings]\r\nheadviewing_offset=0.5\r\n"), true, "", "", "", false, false,
         false},
        {"above every section", "headviewing_offset=0.5\r\n[Settings]\r\n" + keys, false, "headviewing_offset=0.5",
         "above every section", "", false, false, false},
        {"under a second [Settings]", "[Settings]\r\n" + keys + "[Other]\r\n[settings]\r\nHeadViewing_Offset = 0.5\r\n",
         false, "HeadViewing_Offset = 0.5", "under a second [settings]", "", false, false, false},
        {"misspelt", "[Settings]\r\n" + keys + "headview_offset=0.5\r\n", false, "", "", "headview_offset=0.5", false,
         false, false},
        {"a commented-out line is no near miss", "[Settings]\r\n" + keys + "; headviewing_offset=0.5\r\n", false, "",
         "", "", false, false, false},
        {"nor one commented out with #", "[Settings]\r\n" + keys + "#headviewing_offset=0.5\r\n", false, "", "", "",
         false, false, false},
        {"read, and again under a second [Settings]",
         "[Settings]\r\nheadviewing_offset=0.5\r\n[Settings]\r\n"
         "headviewing_offset=7\r\n",
         true, "headviewing_offset=7", "under a second [Settings]", "", false, false, false},
        {"read, and again under another section: that section's own",
         "[Settings]\r\nheadviewing_offset=0.5\r\n"
         "[Other]\r\nheadviewing_offset=7\r\n",
         true, "", "", "", false, false, false},
        {"a key twice under [Settings]", "[Settings]\r\nheadviewing_offset=0.5\r\nheadviewing_offset=7\r\n", true,
         "headviewing_offset=7", "under [Settings]", "", false, false, false},
        {"four letters off: no near miss", "[Settings]\r\n" + keys + "headview_offse=0.5\r\n", false, "", "", "", false,
         false, false},
        {"a mark before a comment line", "\xEF\xBB\xBF; mine\r\n[Settings]\r\nheadviewing_offset=0.5\r\n", true, "", "",
         "", false, false, false},
        {"[Settings]]", "[Settings]]\r\nheadviewing_offset=0.5\r\n", false, "", "", "", false, false, true},
        {"empty", "", false, "", "", "", true, false, false},
        {"a comment after [Settings] with a ], which Wine's reader takes for another section",
         "[Settings] ; mine [v2]\r\nheadviewing_offset=0.5\r\n", false, "", "", "", false, false, true},
        {"a comment after [Settings] without one: both readers end the name at its ]",
         "[Settings] ; mine\r\nheadviewing_offset=0.5\r\n", true, "", "", "", false, false, false},
        {"an 8-bit file's letter shown from the ANSI code page (1252 here)",
         "headviewing_offset=0.5 ; caf\xE9\r\n[Settings]\r\n", false, "headviewing_offset=0.5 ; caf\xC3\xA9",
         "above every section", "", false, false, false},
    };
    ASSERT_EQ(GetACP(), 1252u) << "the prefix's code page, which the last row is written for";
    const std::wstring path = Full(L"facts.ini");
    for (const auto& row : rows) {
        WriteFileBytes(Utf8FromWide(path), row.bytes);
        const IniFacts ini = GatherIniFacts(path);
        EXPECT_TRUE(ini.exists && !ini.isFolder && !ini.readOnly && !ini.tooLong) << row.what;
        EXPECT_EQ(ini.present[kOffsetKey], row.offsetRead) << row.what;
        EXPECT_EQ(ini.texts[kOffsetKey], row.offsetRead ? "0.5" : "") << row.what;
        EXPECT_EQ(ini.settings.offset, row.offsetRead ? 0.5f : 0.0f) << row.what;
        EXPECT_EQ(ini.misplaced[kOffsetKey], row.misplaced) << row.what;
        EXPECT_EQ(ini.place[kOffsetKey], row.place) << row.what;
        EXPECT_EQ(ini.nearMiss[kOffsetKey], row.nearMiss) << row.what;
        EXPECT_EQ(ini.noSection, row.noSection) << row.what;
        EXPECT_EQ(ini.markBeforeSection, row.mark) << row.what;
        EXPECT_EQ(!ini.oddHeader.empty(), row.oddHeader) << row.what;
        EXPECT_EQ(ReadFileBytes(Utf8FromWide(path)), row.bytes) << row.what << ": read, never written";
    }
    // Above every section, only a key's own name counts as a key there; a near miss does not.
    WriteFileBytes(Utf8FromWide(path), "headview_offset=0.5\r\n");
    EXPECT_FALSE(GatherIniFacts(path).keyAbove);
    WriteFileBytes(Utf8FromWide(path), "headview_offset=0.5\r\nheadviewing_offset=0.5\r\n");
    EXPECT_TRUE(GatherIniFacts(path).keyAbove);
    // Of two near misses of one key, the first is the one the probe names.
    WriteFileBytes(Utf8FromWide(path), "[Settings]\r\nheadview_offset=0.5\r\nheadviewing_offse=7\r\n");
    EXPECT_EQ(GatherIniFacts(path).nearMiss[kOffsetKey], "headview_offset=0.5");
    // A line near two keys is the nearer one's near miss alone.
    WriteFileBytes(Utf8FromWide(path), "[Settings]\r\nheadviewing_t=1\r\n");
    const IniFacts two = GatherIniFacts(path);
    EXPECT_EQ(two.nearMiss[kEnabledKey], "headviewing_t=1");
    EXPECT_EQ(two.nearMiss[kTestKey], "");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(GatherIniFacts(path).readOnly);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    CreateDirectoryW(L"near", nullptr);
    WriteFileBytes("near\\headview.ini.txt", "");
    EXPECT_EQ(GatherIniFacts(Full(L"near\\headview.ini")).nearMissFile, "headview.ini.txt") << "where there is none";
    WriteFileBytes("near\\headview.ini.bak", "");
    EXPECT_EQ(GatherIniFacts(Full(L"near\\headview.ini")).nearMissFile, "headview.ini.bak") << "the probe's copy first";
    WriteFileBytes("near\\headview.ini", "");
    EXPECT_EQ(GatherIniFacts(Full(L"near\\headview.ini")).nearMissFile, "headview.ini.txt") << "beside one: no copy";
    for (const wchar_t* name : {L"near\\headview.ini.txt", L"near\\headview.ini.bak", L"near\\headview.ini"}) {
        DeleteFileW(name);
    }
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    EXPECT_TRUE(GatherIniFacts(path).isFolder);
    RemoveDirectoryW(path.c_str());
    EXPECT_TRUE(GatherIniFacts(std::wstring(247, L'x') + L"\\headview.ini").tooLong) << "260 characters";
    EXPECT_FALSE(GatherIniFacts(std::wstring(246, L'x') + L"\\headview.ini").tooLong) << "259 characters";
}

TEST(GatherLogFacts, TheLastRunFromTheEnd)
{
    const std::string request = "[08.12.2026 20:15:04.100] FTCreateMapping request.\r\n";
    const std::string exists = "[08.12.2026 20:15:04.101] FTCreateMapping: Mapping already exists.\r\n";
    const std::string opened = "[08.12.2026 20:15:04.102] FTCreateMapping: Mapping opened.\r\n";
    const std::string badKey = "[08.12.2026 20:15:04.090] headview: (Error) reading settings from ini file!\r\n";
    const std::string noIni = "[08.12.2026 20:15:04.090] headview: (Error) could not find ini file!\r\n";
    const std::string earlier = "[08.12.2026 20:15:03.099] headview: (Error) could not find ini file!\r\n";
    std::string megabytes;  // 1.2 MB of one error line, more than the end the probe reads
    while (megabytes.size() < 1200 * 1024) {
        megabytes += badKey;
    }
    const struct {
        const char* what;
        std::string text;
        LogSetup setup;
        int badKeys, missingIni;
        const char* started;  // the stamp of the run's first line
        std::string repeated;
    } rows[] = {
        {"empty", "", kEmptyLog, 0, 0, "", ""},
        {"no look", noIni, kNoSetup, 0, 1, "", noIni.substr(26, 42)},
        {"no tracker at the start", request + opened, kMadeByHeadview, 0, 0, "08.12.2026 20:15:04.100",
         request.substr(26, 24)},
        {"the last run found the tracker", request + request + exists + opened, kTrackerFound, 0, 0,
         "08.12.2026 20:15:04.100", request.substr(26, 24)},
        {"the data never opened", request + request + request, kCannotOpen, 0, 0, "08.12.2026 20:15:04.100",
         request.substr(26, 24)},
        {"found once, then not in the last run", request + exists + opened + request, kCannotOpen, 0, 0,
         "08.12.2026 20:15:04.100", request.substr(26, 24)},
        {"the start-up's error a moment before the look, not the run before's",
         badKey + badKey + request + opened + badKey, kMadeByHeadview, 2, 0, "08.12.2026 20:15:04.090",
         badKey.substr(26, 49)},
        {"a good file's run: the line before its look is the run before's", opened + request + exists, kTrackerFound, 0,
         0, "08.12.2026 20:15:04.100", "FTCreateMapping: Mapping opened."},
        {"the start-up's error line, written 1.000 s before the look",
         noIni.substr(0, 19) + "3.100" + noIni.substr(24) + request, kCannotOpen, 0, 1, "08.12.2026 20:15:03.100",
         noIni.substr(26, 42)},
        {"the run before's last line, written 0.5 s before the look: only an error line of the settings opens a run",
         "[08.12.2026 20:15:03.600] FTCreateMapping: Mapping opened.\r\n" + request + exists, kTrackerFound, 0, 0,
         "08.12.2026 20:15:04.100", "FTCreateMapping: Mapping opened."},
        {"the run before's error line, written 1.001 s before the look", earlier + request + exists, kTrackerFound, 0,
         0, "08.12.2026 20:15:04.100", earlier.substr(26, 42)},
        {"a line with a short stamp before the look", "[1] x\r\n" + request, kCannotOpen, 0, 0,
         "08.12.2026 20:15:04.100", "x"},
        // The run began before the last megabyte: its error lines are the 13617 whole ones of 77 bytes there.
        {"the set-up before the end read", request + exists + opened + megabytes, kFarBack, 13617, 0, "",
         badKey.substr(26, 49)},
        {"no line end at the end", request + exists + opened.substr(0, opened.size() - 2), kTrackerFound, 0, 0,
         "08.12.2026 20:15:04.100", request.substr(26, 24)},
    };
    for (const auto& row : rows) {
        WriteFileBytes("facts.log", row.text);
        const LogFacts log = GatherLogFacts(Full(L"facts.log"));
        EXPECT_EQ(log.setup, row.setup) << row.what;
        EXPECT_EQ(log.bytes, static_cast<int64_t>(row.text.size())) << row.what;
        EXPECT_EQ(log.badKeys, row.badKeys) << row.what;
        EXPECT_EQ(log.missingIni, row.missingIni) << row.what;
        EXPECT_EQ(log.repeated, row.repeated) << row.what;
        SYSTEMTIME t = {};
        FILETIME stamp = {};
        sscanf(row.started, "%hu.%hu.%hu %hu:%hu:%hu.%hu", &t.wDay, &t.wMonth, &t.wYear, &t.wHour, &t.wMinute,
               &t.wSecond, &t.wMilliseconds);
        SystemTimeToFileTime(&t, &stamp);
        const int64_t started = (int64_t{stamp.dwHighDateTime} << 32 | stamp.dwLowDateTime) / 10000;
        EXPECT_EQ(log.startedAt, row.started[0] == '\0' ? 0 : started) << row.what;
    }
    DeleteFileW(L"facts.log");
    EXPECT_EQ(GatherLogFacts(Full(L"facts.log")).setup, kNoLog);
}

TEST(GatherLogFacts, ALogPast4GB)
{
    HANDLE file = CreateFileW(L"large.log", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD unused = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = (int64_t{1} << 32) + 100;  // zeros the file system need not store
    ASSERT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
    const std::string tail = "\r\n[08.12.2026 20:15:04.100] FTCreateMapping request.\r\n";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr));
    CloseHandle(file);
    const LogFacts log = GatherLogFacts(Full(L"large.log"));
    DeleteFileW(L"large.log");
    EXPECT_EQ(log.bytes, at.QuadPart + static_cast<int64_t>(tail.size()));
    EXPECT_EQ(log.setup, kCannotOpen);
}

TEST(GatherFolderFacts, TheFolderStartedInTheProbesOwnOrNone)
{
    const std::wstring scratch = Full(L".\\"), game = Full(L"game\\");
    wchar_t own[MAX_PATH];
    std::wstring ownFolder(own, GetModuleFileNameW(nullptr, own, MAX_PATH));
    ownFolder.erase(ownFolder.find_last_of(L'\\') + 1);  // the test's own folder holds the plugin and the hook
    CreateDirectoryW(L"nothing", nullptr);
    CreateDirectoryW(L"game", nullptr);
    WriteFileBytes("game\\ScriptHookV.dll", "");
    WriteFileBytes("game\\headview.ini.probe-new", "");
    const struct {
        const wchar_t *in, *ini;
        std::wstring judged;
    } rows[] = {{L"game", L"", game},
                {L".", L"", ownFolder},
                {L".", L"nothing\\headview.ini", L""},
                {L".", L"game\\headview.ini", game}};
    for (const auto& row : rows) {
        SetCurrentDirectoryW(row.in);
        const FolderFacts f = GatherFolderFacts(row.ini[0] != L'\0' ? scratch + row.ini : L"");
        SetCurrentDirectoryW(scratch.c_str());
        EXPECT_EQ(f.judged, row.judged) << Utf8FromWide(row.in) << " " << Utf8FromWide(row.ini);
        EXPECT_EQ(f.scriptHook, !row.judged.empty());
        EXPECT_EQ(f.plugin, row.judged == ownFolder);
        EXPECT_EQ(f.leftover, row.judged == game) << "headview.ini.probe-new in the game folder";
        HKEY wine = nullptr;  // a key every Wine prefix holds, and Windows none
        EXPECT_EQ(f.wine, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, KEY_READ, &wine) == ERROR_SUCCESS);
        RegCloseKey(wine);
    }
}

TEST(TrackCounter, CountsWhatTheCounterAdvancedNotTheReadings)
{
    const struct {
        const char* what;
        std::vector<int32_t> readings;  // the first is where counting starts
        std::vector<int64_t> advanced;  // what each later reading counts
    } rows[] = {
        {"every pose seen", {5, 6, 7, 8}, {1, 1, 1}},
        {"a slow reader sees one pose in four", {4, 8, 12, 16}, {4, 4, 4}},
        {"the plugin's reset to 0 is no pose", {7, 0, 8}, {0, 1}},
        {"started on a region not yet written", {0, 1, 2, 3}, {0, 1, 1}},
        {"the plugin's reset past 1000, then the tracker counts on from 0", {999, 1001, 0, 1, 2}, {2, 0, 1, 1}},
        {"a restarted tracker", {500, 501, 1, 2}, {1, 1, 1}},
        {"a region that stays zero", {0, 0, 0}, {0, 0}},
    };
    for (const auto& row : rows) {
        CounterTrack track = {row.readings[0], 0};
        std::vector<int64_t> advanced;
        for (size_t i = 1; i < row.readings.size(); ++i) {
            advanced.push_back(TrackCounter(&track, row.readings[i]));
        }
        EXPECT_EQ(advanced, row.advanced) << row.what;
    }
}

TEST(StallClock, StallsProvenByReadingsAndLeftOutOfTheSendingTime)
{
    const struct {
        const char* what;
        std::vector<std::pair<double, bool>> readings;  // (seconds, the counter advanced)
        double longest, stalled;
    } rows[] = {
        {"a pose at every reading", {{0, false}, {0.1, true}, {0.2, true}}, 0.0, 0.0},
        {"the tracker paused 1.8 s", {{0, false}, {0.1, true}, {1.0, false}, {1.9, false}, {2.0, true}}, 1.8, 1.8},
        {"the probe paused while the counter moved", {{0, false}, {0.1, true}, {1.9, true}, {2.0, true}}, 0.0, 0.0},
        {"a slow tracker's 0.99 s between poses: no stall",
         {{0, true}, {0.5, false}, {0.99, false}, {1.0, true}},
         0.99,
         0.0},
        {"two stalls", {{0, true}, {1.5, false}, {1.6, true}, {2.6, false}, {2.7, true}}, 1.5, 2.5},
    };
    for (const auto& row : rows) {
        StallClock clock = {};
        for (const auto& reading : row.readings) {
            NoteReading(&clock, reading.first, reading.second);
        }
        EXPECT_NEAR(clock.longest, row.longest, 1e-9) << row.what;
        EXPECT_NEAR(clock.stalled, row.stalled, 1e-9) << row.what;
    }
}

namespace {

// Each field of a pose a value of its own: `first`, first + 1, ...
FTPose NumberedPose(int first)
{
    FTPose pose;
    int32_t* whole = &pose.frameCounter;
    for (int i = 0; i < 3; ++i) {
        whole[i] = first + i;
    }
    float* fields = &pose.yaw;
    for (int i = 0; i < 20; ++i) {
        fields[i] = static_cast<float>(first + 3 + i);
    }
    return pose;
}

std::string Fields(const FTPose& pose)
{
    std::string text = std::to_string(pose.frameCounter) + " " + std::to_string(pose.cameraWidth) + " " +
                       std::to_string(pose.cameraHeight);
    for (const float* field = &pose.yaw; field <= &pose.points[7]; ++field) {
        text += " " + std::to_string(*field);
    }
    return text;
}

}  // namespace

TEST(CopyStablePose, APoseHalfWrittenIsNeverTaken)
{
    static_assert(sizeof(FTPose) == 23 * 4, "three counts and twenty floats");
    const FTPose old = NumberedPose(1), next = NumberedPose(101);
    const struct {
        const char* what;
        int writeAtFault;
        const FTPose& taken;
    } rows[] = {
        {"no write during the copy", 0, old},
        {"a whole new pose written in the middle of the first copy", 2, next},
    };
    // The pose across a page boundary, 48 bytes on the first page and 44 on the second: at the second fault the
    // bytes read so far are the old pose's, and the rest will be the new one's.
    GuardedPages pages;
    FTPose* pose = reinterpret_cast<FTPose*>(pages.Across(48));
    for (const auto& row : rows) {
        *pose = old;
        ASSERT_TRUE(pages.Arm(row.writeAtFault, [&] { *pose = next; }));
        FTPose copy = {};
        EXPECT_TRUE(CopyStablePose(pose, &copy)) << row.what;
        EXPECT_EQ(pages.Faults(), 2) << row.what << ": a fault at the first read of each page";
        EXPECT_EQ(Fields(copy), Fields(row.taken)) << row.what;
        EXPECT_EQ(memcmp(&copy, &row.taken, sizeof copy), 0) << row.what;
    }
}

TEST(WatchTracker, AStallIsLeftOutOfTheRateAndOneAtTheEndCounts)
{
    // A tracker in this process, a pose every 5 ms but for a still spell.
    const struct {
        const char* what;
        double stillFrom, stillTo;  // seconds after the writer starts
    } rows[] = {{"a pause in the middle", 0.8, 2.0}, {"a pause at the end", 1.6, 10.0}};
    for (const auto& row : rows) {
        HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 256, kFTRegionWideName);
        auto* region = static_cast<FTRegion*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        ASSERT_NE(region, nullptr);
        std::atomic<bool> stop{false};
        std::atomic<int> written{0};
        std::thread writer([&] {
            for (const LARGE_INTEGER start = Now(); !stop; Sleep(5)) {
                const double at = Microseconds(start) / 1e6;
                if (at < row.stillFrom || at >= row.stillTo) {
                    region->pose.yaw = static_cast<float>(++written) / 1000.0f;
                    region->pose.frameCounter = written;
                }
            }
        });
        const LARGE_INTEGER start = Now();
        const TrackerFacts f = WatchTracker(3.0, Settings{}, false, false);
        const double watched = Microseconds(start) / 1e6, still = fmin(row.stillTo, watched) - row.stillFrom;
        stop = true;
        writer.join();
        EXPECT_NEAR(f.longestStall, still, 0.2) << row.what;
        EXPECT_NEAR((f.published / f.sendingSeconds) / ((written - 1) / (watched - still)), 1.0, 0.15) << row.what;
        UnmapViewOfFile(region);
        CloseHandle(mapping);
    }
}

TEST(ParseOptions, NamesEachWrongArgumentWithTheReason)
{
    const struct {
        std::vector<const char*> args;
        Use use;
        const char* error;
    } rows[] = {
        {{}, Use::kWatch, ""},
        {{"--seconds", "600", "--ini", "C:\\Games\\V\\headview.ini"}, Use::kWatch, ""},
        {{"--ini", "C:\\Games\\V\\"}, Use::kWatch, ""},
        {{"--ini", "."}, Use::kWatch, ""},
        {{"--ini", "C:\\Games\\V\\HEADVIEW.INI"}, Use::kWatch, ""},
        {{"--gain", "0"}, Use::kWatch, "--gain 0: DEGREES is a number from 1 to 180"},
        {{"--gain", "22.5"}, Use::kGain, ""},
        {{"--ini", "my.ini"}, Use::kWatch, "--ini my.ini: there is no such folder or file"},
        {{"--ini", "facts_test.ini"},
         Use::kWatch,
         "--ini facts_test.ini: headview reads only headview.ini in the game's folder: name that folder, or its "
         "headview.ini"},
        {{"--fix", "--centre"}, Use::kCentre, ""},
        {{"--center"}, Use::kCentre, ""},
        {{"--gain", "1"}, Use::kGain, ""},
        {{"--gain", "180"}, Use::kGain, ""},
        {{"--seconds", "5", "--seconds", "10"}, Use::kWatch, ""},
        {{"--seconds", "0"}, Use::kWatch, "--seconds 0: N is a whole number from 1 to 600"},
        {{"--gain", "400", "/?"}, Use::kHelp, ""},
        {{"--bogus"}, Use::kWatch, "--bogus: not an option of headview-probe"},
        {{"--gain", "180.5"}, Use::kWatch, "--gain 180.5: DEGREES is a number from 1 to 180"},
        {{"--gain"}, Use::kWatch, "--gain: give its value after it"},
        {{"--seconds", "2.5"}, Use::kWatch, "--seconds 2.5: N is a whole number from 1 to 600"},
        {{"--gain", "90", "--centre"},
         Use::kWatch,
         "--gain and --centre: choose one of the watch, --centre and --gain"},
        {{"--ini", ""}, Use::kWatch, "--ini: give its value after it"},
    };
    WriteFileBytes("facts_test.ini", "");
    for (const auto& row : rows) {
        Options options;
        std::string error;
        EXPECT_EQ(ParseOptions(std::vector<std::string>(row.args.begin(), row.args.end()), &options, &error),
                  row.error[0] == '\0');
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(row.error[0] == '\0' ? options.use : Use::kWatch, row.use) << row.error;
        EXPECT_EQ(options.fix, row.args.size() > 0 && strcmp(row.args[0], "--fix") == 0) << row.error;
    }
    const std::pair<const char*, Use> menu[] = {{" 2 ", Use::kCentre}, {"4", Use::kQuit},  {"q", Use::kQuit},
                                                {"Q", Use::kQuit},     {"12", Use::kNone}, {"", Use::kNone}};
    for (const auto& choice : menu) {
        EXPECT_EQ(ParseMenuChoice(choice.first), choice.second) << choice.first;
    }
}
