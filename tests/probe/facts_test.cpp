// The probe's facts: headview.ini as Windows reads it, headview.log however
// large, the tracker's counter and stalls, a pose copied while it is being
// written, and the command line and menu.
#include "probe/ini_file.h"
#include "probe/ini_text.h"
#include "probe/options.h"
#include "probe/setup_facts.h"
#include "probe/tracker_watch.h"
#include "tests/support/files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <intrin.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::string FullPath(const char* name)
{
    char path[MAX_PATH];
    GetFullPathNameA(name, MAX_PATH, path, nullptr);
    return path;
}

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

const std::string kRequest = "[08.12.2026 20:15:04.100] FTCreateMapping request.";
const std::string kExists = "[08.12.2026 20:15:04.101] FTCreateMapping: Mapping already exists.";
const std::string kOpened = "[08.12.2026 20:15:04.102] FTCreateMapping: Mapping opened.";
const std::string kBadKeyAtStart = "[08.12.2026 20:15:04.090] headview: (Error) reading settings from ini file!";
const std::string kBadKeyLater = "[08.12.2026 20:15:05.000] headview: (Error) reading settings from ini file!";
const std::string kNoIniAtStart = "[08.12.2026 20:15:04.090] headview: (Error) could not find ini file!";
const std::string kNoIniLater = "[08.12.2026 20:15:09.000] headview: (Error) could not find ini file!";
const std::string kEarlierBadKey = "[08.12.2026 19:15:04.000] headview: (Error) reading settings from ini file!";
const std::string kJustBefore = "[08.12.2026 20:15:02.101] headview: (Error) reading settings from ini file!";
const std::string kTooEarly = "[08.12.2026 20:15:02.099] headview: (Error) reading settings from ini file!";

}  // namespace

TEST(ReadAsWindows, NamesWhatWindowsReadsOtherwiseAndWritesItSoEveryReaderAgrees)
{
    const struct {
        const char* what;
        std::string text;
        IniEncoding encoding;
        WindowsReading reading;
        std::string view;
    } rows[] = {
        {"plain", "[Settings]\r\nheadviewing=1\r\n", IniEncoding::kEightBit, WindowsReading::kSame,
         "[Settings]\r\nheadviewing=1\r\n"},
        {"a mark right before [Settings]", "\xEF\xBB\xBF[Settings]\nheadviewing=1\n", IniEncoding::kEightBit,
         WindowsReading::kMarkBeforeSection, ";[Settings]\nheadviewing=1\n"},
        {"a mark, then blanks, then [settings]", "\xEF\xBB\xBF  [settings]\nx=1\n", IniEncoding::kEightBit,
         WindowsReading::kMarkBeforeSection, ";  [settings]\nx=1\n"},
        {"a mark before a comment line", "\xEF\xBB\xBF; mine\n[Settings]\n", IniEncoding::kEightBit,
         WindowsReading::kSame, "\xEF\xBB\xBF; mine\n[Settings]\n"},
        {"a mark before another section", "\xEF\xBB\xBF[Other]\n[Settings]\n", IniEncoding::kEightBit,
         WindowsReading::kSame, "\xEF\xBB\xBF[Other]\n[Settings]\n"},
        {"big-endian", "[Settings]\nheadviewing=1\n", IniEncoding::kUtf16BigEndian, WindowsReading::kBigEndian, ""},
        {"little-endian", "[Settings]\nheadviewing=1\n", IniEncoding::kUtf16LittleEndian, WindowsReading::kSame,
         "[Settings]\nheadviewing=1\n"},
        {"a ] in the header's comment", "[Other] ; [a]\n[Settings] ; mine [v2]\r\nheadviewing=1\r\n",
         IniEncoding::kEightBit, WindowsReading::kBracketInHeader, "[Other] ; [a]\n[Settings]\r\nheadviewing=1\r\n"},
        {"two such headers", "[Settings] ]\nx=1\n[SETTINGS]]\n", IniEncoding::kEightBit,
         WindowsReading::kBracketInHeader, "[Settings]\nx=1\n[SETTINGS]\n"},
    };
    for (const auto& row : rows) {
        std::string view, header;
        EXPECT_EQ(ReadAsWindows(row.text, row.encoding, &view, &header), row.reading) << row.what;
        EXPECT_EQ(view, row.view) << row.what;
    }
}

TEST(GatherIniFacts, TheValuesAreThoseWindowsReads)
{
    const std::string path = FullPath("facts.ini");
    const std::string keys =
        "headviewing=1\r\nheadviewing_test=0\r\nheadviewing_multiplier=27\r\nheadviewing_offset=0.5\r\n";
    const struct {
        const char* what;
        std::string bytes;
        WindowsReading reading;
        int32_t multiplier;  // 35 where Windows reads no key
    } rows[] = {
        {"ANSI", "[Settings]\r\n" + keys, WindowsReading::kSame, 0x27},
        {"a mark before a comment", "\xEF\xBB\xBF; mine\r\n[Settings]\r\n" + keys, WindowsReading::kSame, 0x27},
        {"a mark before [Settings]", "\xEF\xBB\xBF[Settings]\r\n" + keys, WindowsReading::kMarkBeforeSection, 35},
        {"a ] in the header's comment", "[Settings] ; mine [v2]\r\n" + keys, WindowsReading::kBracketInHeader, 0x27},
        {"big-endian", std::string("\xFE\xFF\0[\0S\0]\0\n", 10), WindowsReading::kBigEndian, 35},
    };
    for (const auto& row : rows) {
        WriteFileBytes(path, row.bytes);
        const IniFacts ini = GatherIniFacts(path);
        EXPECT_TRUE(ini.exists && !ini.isFolder) << row.what;
        EXPECT_EQ(ini.windows, row.reading) << row.what;
        EXPECT_EQ(ini.settings.multiplier, row.multiplier) << row.what;
        EXPECT_EQ(ini.present[kMultiplierKey], row.multiplier != 35) << row.what;
        EXPECT_EQ(ReadFileBytes(path), row.bytes) << row.what << ": read, never written";
    }
    DeleteFileA(path.c_str());
    WriteFileBytes(FullPath("headview.txt"), "");
    EXPECT_EQ(GatherIniFacts(FullPath("headview.ini")).nearMiss, "headview.txt");
    DeleteFileA(FullPath("headview.txt").c_str());
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    const IniFacts folder = GatherIniFacts(path);
    EXPECT_TRUE(folder.exists && folder.isFolder);
    RemoveDirectoryA(path.c_str());
}

TEST(GatherLogFacts, TheLastSetUpHoweverFarBack)
{
    const std::string filler(200 * 1024, 'x');  // no line of headview's, longer than any read at once
    const struct {
        const char* what;
        std::string text;
        LogSetup setup;
        int errorsAtStart, errorsSince, missingAtStart, missingSince;
    } rows[] = {
        {"empty", "", LogSetup::kEmpty, 0, 0, 0, 0},
        {"no set-up", Lines({kNoIniAtStart}), LogSetup::kNoSetup, 0, 0, 1, 0},
        {"the request the first line", Lines({kRequest, kOpened}), LogSetup::kMadeByHeadview, 0, 0, 0, 0},
        {"no line end at the end", kRequest + "\r\n" + kExists + "\r\n" + kOpened, LogSetup::kTrackerFound, 0, 0, 0, 0},
        {"the request on every frame", Lines({kRequest, kRequest, kRequest}), LogSetup::kCannotOpen, 0, 0, 0, 0},
        {"the last run counts", Lines({kRequest, kRequest, kExists, kOpened}), LogSetup::kTrackerFound, 0, 0, 0, 0},
        {"a bad key on every frame",
         Lines({kBadKeyAtStart, kBadKeyAtStart, kRequest, kExists, kOpened, kBadKeyLater, kBadKeyLater}),
         LogSetup::kTrackerFound, 2, 2, 0, 0},
        {"2 s before the set-up is the start", Lines({kTooEarly, kJustBefore, kRequest, kOpened}),
         LogSetup::kMadeByHeadview, 1, 0, 0, 0},
        {"an earlier run's errors", Lines({kEarlierBadKey, kRequest, kOpened}), LogSetup::kMadeByHeadview, 0, 0, 0, 0},
        {"headview.ini missing", Lines({kNoIniAtStart, kRequest, kOpened, kNoIniLater}), LogSetup::kMadeByHeadview, 0,
         0, 1, 1},
        // A wrong key with headviewing_test=1 adds a line every frame: the set-up lies far back.
        {"200 KB of errors since the set-up",
         Lines({kRequest, kExists, kOpened}) +
             [] {
                 std::string lines;
                 for (int i = 0; i < 3000; ++i) {
                     lines += kBadKeyLater + "\r\n";
                 }
                 return lines;
             }(),
         LogSetup::kTrackerFound, 0, 3000, 0, 0},
        {"a long line before the set-up", filler + "\r\n" + Lines({kRequest, kOpened}), LogSetup::kMadeByHeadview, 0, 0,
         0, 0},
        {"a long line after it", Lines({kRequest, kOpened}) + filler + "\r\n" + Lines({kBadKeyLater}),
         LogSetup::kMadeByHeadview, 0, 1, 0, 0},
    };
    const std::string path = FullPath("facts.log");
    for (const auto& row : rows) {
        WriteFileBytes(path, row.text);
        const LogFacts log = GatherLogFacts(path);
        EXPECT_EQ(log.setup, row.setup) << row.what;
        EXPECT_EQ(log.bytes, static_cast<int64_t>(row.text.size())) << row.what;
        EXPECT_EQ(log.settingsErrorsAtStart, row.errorsAtStart) << row.what;
        EXPECT_EQ(log.settingsErrorsSince, row.errorsSince) << row.what;
        EXPECT_EQ(log.missingIniAtStart, row.missingAtStart) << row.what;
        EXPECT_EQ(log.missingIniSince, row.missingSince) << row.what;
    }
    DeleteFileA(path.c_str());
    EXPECT_EQ(GatherLogFacts(path).setup, LogSetup::kAbsent);
}

TEST(GatherLogFacts, ALogPast4GB)
{
    const std::string path = FullPath("large.log");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD unused = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = (int64_t{1} << 32) + 100;  // zeros the file system need not store
    ASSERT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
    const std::string tail = "\r\n" + Lines({kRequest, kExists, kOpened, kBadKeyLater});
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr));
    CloseHandle(file);
    const LogFacts log = GatherLogFacts(path);
    DeleteFileA(path.c_str());
    EXPECT_EQ(log.bytes, at.QuadPart + static_cast<int64_t>(tail.size()));
    EXPECT_EQ(log.setup, LogSetup::kTrackerFound);
    EXPECT_EQ(log.settingsErrorsSince, 1);
}

TEST(TrackCounter, CountsWhatTheCounterAdvancedNotTheReadings)
{
    const struct {
        const char* what;
        std::vector<int32_t> readings;  // the first is where counting starts
        int64_t published;
    } rows[] = {
        {"every pose seen", {5, 6, 7, 8}, 3},
        {"a slow reader sees one pose in four", {4, 8, 12, 16}, 12},
        {"started on the plugin's reset of a tracker's own counter", {0, 50001, 0, 50002}, 1},
        {"started on a region not yet written", {0, 1, 2, 3}, 2},
        {"the same pose read again", {3, 3, 4, 4}, 1},
        {"the plugin's reset past 1000, then the tracker counts on from 0", {999, 1001, 0, 1, 2}, 4},
        {"a restarted tracker", {500, 501, 1, 2}, 3},
        {"a region that stays zero", {0, 0, 0}, 0},
        {"a counter near the top of its range", {INT32_MAX - 1, INT32_MAX}, 1},
    };
    for (const auto& row : rows) {
        CounterTrack track = {row.readings[0], 0};
        for (size_t i = 1; i < row.readings.size(); ++i) {
            TrackCounter(&track, row.readings[i]);
        }
        EXPECT_EQ(track.published, row.published) << row.what;
    }
}

TEST(StallClock, OnlyTwoReadingsOfTheSameCounterProveAStall)
{
    const struct {
        const char* what;
        std::vector<std::pair<double, bool>> readings;  // (seconds, the counter advanced)
        double longest;
    } rows[] = {
        {"a pose at every reading", {{0, false}, {0.1, true}, {0.2, true}, {0.3, true}}, 0.0},
        {"the tracker paused 1.8 s", {{0, false}, {0.1, true}, {1.0, false}, {1.9, false}, {2.0, true}}, 1.8},
        {"the probe paused 1.8 s while the counter moved", {{0, false}, {0.1, true}, {1.9, true}, {2.0, true}}, 0.0},
        {"a stall that ends the watch", {{0, false}, {0.1, true}, {0.5, false}, {2.1, false}}, 2.0},
        {"nothing ever came", {{0, false}, {1.5, false}}, 1.5},
    };
    for (const auto& row : rows) {
        StallClock clock = {};
        for (const auto& reading : row.readings) {
            NoteReading(&clock, reading.first, reading.second);
        }
        EXPECT_NEAR(LongestStall(clock), row.longest, 1e-9) << row.what;
    }
}

TEST(CopyStablePose, NoCopyMixesTwoPoses)
{
    // A writer as trackers are: each field stored on its own, the counter
    // last, then a pause; here so slowly that copies meet it mid-pose and a
    // pose takes longer than the wait between the two copies. A writer held
    // up mid-pose for longer than that wait (the machine ran something else)
    // leaves a half-written pose that no reader without the mutex can tell:
    // such poses are marked and not counted.
    FTPose shared = {};
    std::atomic<bool> stop{false};
    static std::atomic<bool> heldUp[1 << 16];
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const auto now = [] {
        LARGE_INTEGER at;
        QueryPerformanceCounter(&at);
        return at.QuadPart;
    };
    const int64_t heldUpTicks = frequency.QuadPart / 40000;  // 25 us between two fields
    std::thread writer([&] {
        volatile FTPose* pose = &shared;
        for (int32_t n = 1; !stop && n < (1 << 16); ++n) {
            int64_t last = now();
            for (volatile float* field = &pose->yaw; field <= &pose->points[7]; ++field) {
                *field = static_cast<float>(n);
                const DWORD64 start = __rdtsc();
                while (__rdtsc() - start < 10000) {  // a few microseconds
                }
                const int64_t at = now();
                if (at - last > heldUpTicks) {
                    heldUp[n] = true;
                }
                last = at;
            }
            heldUp[n] = heldUp[n] || now() - last > heldUpTicks;
            pose->frameCounter = n;
            Sleep(1);
        }
    });
    int copies = 0, mixed = 0;
    std::vector<int32_t> mixedWhileWriting;  // the pose being written when a copy mixed two
    while (*static_cast<volatile int32_t*>(&shared.frameCounter) < 500) {  // copies across 500 poses
        FTPose copy;
        if (!CopyStablePose(&shared, &copy)) {
            continue;
        }
        ++copies;
        bool same = copy.frameCounter == 0 || copy.yaw == static_cast<float>(copy.frameCounter);
        for (const float* field = &copy.yaw; field <= &copy.points[7]; ++field) {
            same = same && *field == copy.yaw;
        }
        if (!same) {
            mixedWhileWriting.push_back(copy.frameCounter + 1);
        }
    }
    stop = true;
    writer.join();
    // Judged once the writer is done: a writer still held up has not marked its pose yet.
    for (const int32_t pose : mixedWhileWriting) {
        mixed += heldUp[pose & 0xFFFF] ? 0 : 1;
    }
    EXPECT_GT(copies, 1000);
    EXPECT_EQ(mixed, 0);
}

TEST(ParseOptions, NamesEachWrongArgumentWithTheReason)
{
    const struct {
        std::vector<const char*> args;
        Use use;
        const char* error;  // null: taken
    } rows[] = {
        {{}, Use::kWatch, nullptr},
        {{"--seconds", "20", "--ini", "x.ini"}, Use::kWatch, nullptr},
        {{"--seconds", "1"}, Use::kWatch, nullptr},
        {{"--seconds", "600"}, Use::kWatch, nullptr},
        {{"--center"}, Use::kCentre, nullptr},
        {{"--gain", "90"}, Use::kGain, nullptr},
        {{"--gain", "1"}, Use::kGain, nullptr},
        {{"--gain", "360"}, Use::kGain, nullptr},
        {{"-h"}, Use::kHelp, nullptr},
        {{"--gain", "400", "/?"}, Use::kHelp, nullptr},
        {{"--bogus"}, Use::kWatch, "--bogus: not an option of headview-probe"},
        {{"--gain", "360.5"}, Use::kWatch, "--gain 360.5: DEGREES is 1 to 360"},
        {{"--gain", "0.9"}, Use::kWatch, "--gain 0.9: DEGREES is 1 to 360"},
        {{"--gain", "0"}, Use::kWatch, "--gain 0: DEGREES is 1 to 360"},
        {{"--gain"}, Use::kWatch, "--gain: give its value after it, as in --gain 90"},
        {{"--seconds", "0"}, Use::kWatch, "--seconds 0: N is a whole number from 1 to 600"},
        {{"--seconds", "601"}, Use::kWatch, "--seconds 601: N is a whole number from 1 to 600"},
        {{"--seconds", "2.5"}, Use::kWatch, "--seconds 2.5: N is a whole number from 1 to 600"},
        {{"--gain", "90", "--centre"},
         Use::kWatch,
         "--gain and --centre: choose one of the watch, --centre and --gain"},
        {{"--ini", ""}, Use::kWatch, "--ini: give the path of headview.ini"},
    };
    for (const auto& row : rows) {
        std::vector<const char*> argv = {"headview-probe"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        Options options;
        std::string error;
        const bool taken = ParseOptions(static_cast<int>(argv.size()), argv.data(), &options, &error);
        const std::string what =
            row.args.empty() ? "(none)" : std::string(row.args[0]) + " " + (row.args.size() > 1 ? row.args[1] : "");
        EXPECT_EQ(taken, row.error == nullptr) << what << ": " << error;
        EXPECT_EQ(taken ? options.use : Use::kWatch, row.use) << what;
        EXPECT_EQ(error, row.error != nullptr ? row.error : "") << what;
    }
}

TEST(ParseMenuChoice, EachLineChoosesOneUseOrNone)
{
    const struct {
        const char* line;
        Use use;
    } rows[] = {{"1", Use::kWatch}, {" 2 ", Use::kCentre}, {"3", Use::kGain},  {"4", Use::kQuit},
                {"", Use::kNone},   {"5", Use::kNone},     {"12", Use::kNone}, {"quit", Use::kNone}};
    for (const auto& row : rows) {
        EXPECT_EQ(ParseMenuChoice(row.line), row.use) << "'" << row.line << "'";
    }
}

TEST(OpenTrackerView, ARegionThisProcessMayNotOpenIsToldFromNone)
{
    TrackerView view;
    EXPECT_EQ(OpenTrackerView(&view), Region::kAbsent);
    // As a tracker run as administrator leaves it: there, but no access granted.
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL acl;
    InitializeAcl(&acl, sizeof acl, ACL_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, &acl, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    HANDLE region = CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0, 256, kFTRegionName);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(OpenTrackerView(&view), Region::kDenied);
    CloseHandle(region);
}
