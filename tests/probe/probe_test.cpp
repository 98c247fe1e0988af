// headview-probe.exe as a player runs it, where the real platform is the
// point: the tracker's region against each style of writer, the game folder
// it judges, and the values it writes, read back through the plugin's reader.
#include "probe/edit.h"
#include "probe/game_status.h"
#include "settings/utf8.h"
#include "tests/support/probe_run.h"
#include "tests/support/tracker_fixture.h"

#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <thread>

namespace {

const std::string kIni =
    "\xEF\xBB\xBF; my settings\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_test=0\r\n"
    "headviewing_multiplier=-39\r\nHeadViewing_Offset = 0.05\r\nheadviewing_source=1\r\n\r\n"
    "[Other]\r\nheadviewing_offset=7\r\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

class ProbeTest : public TrackerTest {
protected:
    // A game folder as players have it, the probe started in it.
    void SetUp() override
    {
        TrackerTest::SetUp();
        MakeGameFolder();
    }
    void MakeGameFolder()
    {
        for (const char* name : {"headview.asi", "ScriptHookV.dll", "dinput8.dll"}) {
            WriteFileBytes(GamePath(name), "");
        }
        WriteFileBytes(GamePath("headview.log"),
                       "[08.12.2026 20:15:04.100] FTCreateMapping request.\r\n"
                       "[08.12.2026 20:15:04.101] FTCreateMapping: Mapping already exists.\r\n"
                       "[08.12.2026 20:15:04.102] FTCreateMapping: Mapping opened.\r\n");
    }

    // Runs the probe to its end in `folder` (the game's by default), pressing
    // Enter at each prompt; returns its exit code.
    DWORD Probe(const std::string& arguments, std::string folder = "", const std::string& program = "")
    {
        ProbeRun run;
        EXPECT_TRUE(StartProbe(arguments, &run, folder.empty() ? gameDir_ : folder, program));
        SendLine(&run);
        const DWORD code = FinishProbe(&run);
        output_ = run.text;
        return code;
    }

    // --gain 90 with the head held at `ahead` radians, then at `side`; returns the exit code.
    DWORD Gain(float ahead, float side)
    {
        Restart("--style opentrack --jitter 0 --pose 1:" + std::to_string(ahead));
        ProbeRun run;
        EXPECT_TRUE(StartProbe("--gain 90", &run, gameDir_));
        EXPECT_TRUE(ReadUntil(&run, "Press Enter")) << run.text;
        SendLine(&run);
        EXPECT_TRUE(ReadUntil(&run, "hold it there")) << run.text;
        Restart("--style opentrack --jitter 0 --pose 1:" + std::to_string(side));
        SendLine(&run);
        const DWORD code = FinishProbe(&run);
        output_ = run.text;
        return code;
    }

    void Restart(const std::string& tracker)
    {
        StopProgram(tracker_);
        tracker_ = StartTracker(tracker);
        ASSERT_NE(tracker_, nullptr);
    }

    // In what the probe printed, its paragraphs' lines joined again.
    bool Printed(const std::string& text) const
    {
        std::string joined = output_;
        for (size_t at = 0; (at = joined.find("\r\n       ", at)) != std::string::npos;) {
            joined.replace(at, 9, joined.compare(at + 9, 2, "  ") == 0 ? "\r\n" : " ");
            at += 1;
        }
        return joined.find(text) != std::string::npos;
    }

    // headview.ini as the player saved it before the game last started (the log's 20:15 UTC).
    void WriteIni(const std::string& text)
    {
        GameTest::WriteIni(text);
        const SYSTEMTIME saved = {2026, 12, 2, 8, 20, 0, 0, 0};
        FILETIME time = {};
        SystemTimeToFileTime(&saved, &time);
        HANDLE file = CreateFileW(WideFromUtf8(GamePath("headview.ini")).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
        CloseHandle(file);
    }

    Settings ReadBack() const
    {
        Settings settings = {};
        ReadAllSettings(WideFromUtf8(GamePath("headview.ini")).c_str(), &settings);
        return settings;
    }

    std::string output_;
};

}  // namespace

TEST_F(ProbeTest, EachVerdictAgainstTheTrackerStyles)
{
    WriteIni(kIni);
    // No tracker: from the probe's start until it says it has seen none, a
    // region it made would be there to open, and is looked for all along.
    std::atomic<bool> watching{true}, seen{false};
    std::thread look([&] {
        for (; watching && !seen; Sleep(5)) {
            HANDLE region = OpenFileMappingA(FILE_MAP_READ, FALSE, kFTRegionName);
            seen = region != nullptr;
            if (region != nullptr) {
                CloseHandle(region);
            }
        }
    });
    ProbeRun run;
    EXPECT_TRUE(StartProbe("--seconds 3", &run, gameDir_));
    EXPECT_TRUE(ReadUntil(&run, "No tracker's FreeTrack data yet: the probe keeps watching.")) << run.text;
    EXPECT_EQ(WaitForSingleObject(run.process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "looked while it watched";
    watching = false;
    look.join();
    EXPECT_FALSE(seen) << "the probe made no region";
    SendLine(&run);
    EXPECT_EQ(FinishProbe(&run), 1u);
    output_ = run.text;
    EXPECT_TRUE(Printed("[stop] No tracker is publishing FreeTrack data.")) << output_;
    const struct {
        const char* tracker;
        DWORD exitCode;
        const char* says;
    } rows[] = {
        {"--pose 5:0.25", 1, "[stop] The tracker's data is there, but no new head positions arrived"},  // writes once
        {"--style opentrack --jitter 0 --pose 1:0.25", 1, "[fix]  Nothing turned while the probe watched."},
        {"--style opentrack-noraw --period 1", 0,
         "[ok]   Your tracker leaves the raw yaw at zero; with headviewing_source=1"},
        {"--style opentrack --period 1", 0, "[ok]   The raw yaw shakes; with headviewing_source=1 headview follows"},
        {"--style opentrack-noraw --period 1 --region-bytes 92", 0,
         "[ok]   A head turn of 45 degrees turns the camera"},
        {"--style freetrack --rate 100 --period 1 --sweep 0.05", 0, "[ok]   Both yaws are the same"},  // +-3 degrees
        {"--style opentrack --period 1 --seconds 1", 1, "[stop] Your tracker ended while the probe watched"},
    };
    for (const auto& row : rows) {
        Restart(row.tracker);
        const bool writesOnce = strstr(row.tracker, "--pose 5") != nullptr;
        RegionPeek peek;  // opened only where the region is to outlive nothing of the test's
        FTRegion before = {};
        if (writesOnce) {
            ASSERT_TRUE(peek.Open());
            memcpy(&before, peek.region, sizeof before);
        }
        EXPECT_EQ(Probe("--seconds 3"), row.exitCode) << row.tracker << "\n" << output_;
        EXPECT_TRUE(Printed(row.says)) << row.tracker << "\n" << output_;
        // Each tracker runs before the probe starts: no data "yet", nor after it ended.
        EXPECT_FALSE(Printed("No tracker's FreeTrack data yet")) << row.tracker << "\n" << output_;
        if (writesOnce) {
            EXPECT_EQ(memcmp(peek.region, &before, sizeof before), 0) << "the probe wrote nothing into the region";
        }
    }
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kIni) << "watching writes nothing";
}

TEST_F(ProbeTest, CentreAndGainWriteInAGameFolderNamedBeyondTheCodePage)
{
    UseGameFolder(gameDir_.substr(0, gameDir_.size() - 1) +
                  " \xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 \xE6\xB8\xB8\xE6\x88\x8F\\");
    MakeGameFolder();
    const std::string raw = Replaced(kIni, "headviewing_source=1", "headviewing_source=0");
    WriteIni(raw);
    Restart("--style opentrack --jitter 0 --pose 1:0.3");  // the raw yaw sits 0.12 off: 0.42
    EXPECT_EQ(Probe("--centre"), 1u) << "the game is to start again: " << output_;
    EXPECT_TRUE(Printed("[ok]   The game's folder: " + gameDir_ + "\r\n")) << output_;
    EXPECT_FALSE(Printed("is not in the game's folder")) << output_;
    EXPECT_FALSE(Printed("[fix]")) << "headviewing_test=0: the game to start again, nothing to fix: " << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), Replaced(raw, "= 0.05", "= -0.42"));
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini.bak")), raw);
    EXPECT_EQ(ReadBack().offset, -0.42f);
    Restart("--style opentrack --jitter 0 --pose 1:-0.11999");  // the raw yaw 0.00001: an offset of 0.0
    EXPECT_EQ(Probe("--centre"), 1u) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), Replaced(raw, "= 0.05", "= 0.0"));
    // With --fix, the rest of the changes go in the same edit.
    WriteIni(Replaced(raw, "headviewing_test=0\r\n", ""));
    Restart("--style opentrack --jitter 0 --pose 1:0.3");
    EXPECT_EQ(Probe("--centre --fix"), 1u) << output_;
    EXPECT_EQ(
        ReadFileBytes(GamePath("headview.ini")),
        Replaced(Replaced(Replaced(raw, "headviewing_test=0\r\n", ""), "= 0.05", "= -0.42"), "headviewing_source=0\r\n",
                 "headviewing_source=0\r\nheadviewing_test=0\r\nheadviewing_status=1\r\n"))
        << output_;

    WriteIni(kIni);  // gain -39, the processed yaw: no offset for the processed yaw
    Restart("--style opentrack --jitter 0 --pose 1:0.05");  // 2.9 degrees off
    EXPECT_EQ(Probe("--centre"), 1u) << output_;
    EXPECT_TRUE(Printed("so centring writes no offset")) << output_;
    EXPECT_EQ(Gain(0.3f, 0.8f), 1u) << output_;  // half a radian to the side; the game to start again
    // 90 degrees for 0.5: 180, minus as the file had it.
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), Replaced(kIni, "=-39", "=-B4"));
    EXPECT_EQ(ReadBack().multiplier, -180);
}

TEST_F(ProbeTest, NothingIsWrittenWhenItShouldNotBe)
{
    WriteIni(kIni);
    Restart("--style opentrack --sweep 0.03 --period 1");  // 3.4 degrees within the second held
    EXPECT_EQ(Probe("--centre"), 1u) << output_;
    EXPECT_TRUE(Printed("Your head moved")) << output_;
    EXPECT_EQ(Gain(0.3f, 0.32f), 1u) << output_;  // a turn of 1.1 degrees
    EXPECT_TRUE(Printed("too little to measure")) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kIni);
    // Read-only: centring the processed yaw writes nothing; the raw yaw's offset is measured and given to put in
    // by hand, with how to clear Read-only.
    const std::wstring ini = WideFromUtf8(GamePath("headview.ini"));
    const std::string raw = Replaced(kIni, "headviewing_source=1", "headviewing_source=0");
    Restart("--style opentrack --jitter 0 --pose 1:0.3");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Probe("--centre"), 1u) << output_;
    EXPECT_TRUE(Printed("so centring writes no offset")) << output_;
    EXPECT_FALSE(Printed("Read-only")) << output_;
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteIni(raw);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Probe("--centre"), 2u) << output_;
    EXPECT_TRUE(Printed("\r\n  - change headviewing_offset=0.05 to headviewing_offset=-0.42\r\n")) << output_;
    EXPECT_TRUE(Printed("\r\n[ok]   The game's folder: ")) << "the report, then what it will not write: " << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), raw);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Following a raw yaw the tracker leaves at zero: nothing to measure.
    Restart("--style opentrack-noraw --jitter 0 --pose 1:0.3");
    EXPECT_EQ(Probe("--gain 90"), 1u) << output_;
    EXPECT_TRUE(Printed("[stop] Your tracker leaves the raw yaw at zero")) << output_;
    EXPECT_FALSE(Printed("[ok]   A head turn")) << "no [ok] about the camera's turn beside a [stop]: " << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), raw);
    // Not in a game folder: started elsewhere, its own copy elsewhere too.
    const std::string elsewhere = ProgramDir() + "games\\elsewhere\\";
    CreateDirectoryW(WideFromUtf8(elsewhere).c_str(), nullptr);
    CopyFileW(WideFromUtf8(ProgramDir() + "headview-probe.exe").c_str(),
              WideFromUtf8(elsewhere + "headview-probe.exe").c_str(), FALSE);
    EXPECT_EQ(Probe("--centre", elsewhere, elsewhere + "headview-probe.exe"), 2u) << output_;
    EXPECT_TRUE(Printed("\r\n[stop] " + elsewhere + " is not the game's folder")) << output_;
    EXPECT_FALSE(Printed("is not in the game's folder")) << output_;
    EXPECT_FALSE(Printed("No tracker")) << "a refused run does not watch: " << output_;
    EXPECT_EQ(GetFileAttributesW(WideFromUtf8(elsewhere + "headview.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    // Started elsewhere, its own folder the game's: the test's folder holds the plugin and the hook.
    EXPECT_EQ(Probe("--seconds 1", elsewhere), 1u);
    EXPECT_TRUE(Printed("[note] headview-probe was started in " + elsewhere.substr(0, 30))) << output_;
}

TEST_F(ProbeTest, TheRateIsWhatTheTrackerPublishedNotWhatThePollsSaw)
{
    WriteIni(kIni);
    const struct {
        const char* tracker;
        double within;
    } rows[] = {{"--style opentrack --burst 4", 0.15},  // four poses at each 4 ms tick: no poll sees them one by one
                {"--style freetrack --rate 5", 0.3}};   // 0.2 s between poses: no stall
    for (const auto& row : rows) {
        Restart(row.tracker);
        RegionPeek peek;
        ASSERT_TRUE(peek.Open());
        const int32_t first = peek.region->pose.frameCounter;
        const LARGE_INTEGER start = Now();
        Probe("--seconds 3");
        const double published = (peek.region->pose.frameCounter - first) / (MillisecondsSince(start) / 1000.0);
        const size_t at = output_.find("Your tracker sends ");
        ASSERT_NE(at, std::string::npos) << output_;
        EXPECT_NEAR(atof(output_.c_str() + at + strlen("Your tracker sends ")) / published, 1.0, row.within)
            << row.tracker << "\n"
            << output_;
    }
}

TEST_F(ProbeTest, EveryReplacementLandsBesideAGameRereadingTheFile)
{
    WriteIni(
        "[Settings]\r\nheadviewing=1\r\nheadviewing_test=1\r\nheadviewing_multiplier=27\r\nheadviewing_offset=0.0\r\n");
    HANDLE game = StartProgram("headview-game.exe", "--quiet --frames 100000 --frame-ms 16 --game-dir \"" +
                                                        gameDir_.substr(0, gameDir_.size() - 1) + "\"");
    ASSERT_NE(game, nullptr);
    // The game folder's log held one run already.
    for (int wait = 0; wait < 200 && CountLogMessages("FTCreateMapping: Mapping opened.") < 2; ++wait) {
        Sleep(50);
    }
    ASSERT_EQ(CountLogMessages("FTCreateMapping: Mapping opened."), 2u) << "the game runs frames";
    int landed = 0;
    for (int i = 0; i < 200; ++i) {
        const IniFacts ini = GatherIniFacts(WideFromUtf8(GamePath("headview.ini")));
        Planned planned = {};
        planned.sets[kOffsetKey] = true;
        planned.values[kOffsetKey] = std::to_string(i) + ".5";
        std::string error;
        if (::WriteIni(ini, WithValue(DecodeIni(ini.bytes), kOffsetKey, planned.values[kOffsetKey]), planned, &error)) {
            ++landed;
        }
        EXPECT_EQ(ReadBack().offset, i + 0.5f) << error;
    }
    StopProgram(game);
    EXPECT_EQ(landed, 200);
    EXPECT_EQ(CountLogMessages("headview: (Error) could not find ini file!"), 0u) << "the file was always there";
    EXPECT_EQ(CountLogMessages("headview: (Error) reading settings from ini file!"), 0u) << "and always whole";
}

TEST_F(ProbeTest, WhileTheGameRunsHeadviewTheProbeJudgesFromWhatItPublishes)
{
    const std::string kGame =
        "[Settings]\r\nheadviewing=1\r\nheadviewing_test=@\r\nheadviewing_multiplier=39\r\nheadviewing_offset=0.0\r\n"
        "headviewing_source=1\r\nheadviewing_status=1\r\n";
    const struct {
        const char* what;
        const char* test;         // headviewing_test, as the game starts
        const char* gameOptions;  // beside --frame-ms 16
        bool trackerFirst;        // started before the game, else after it
        const char* gainLater;    // written into headview.ini once the game runs; "" none
        DWORD code;
        std::vector<const char*> printed, never;
    } rows[] = {
        {"in a vehicle, the file's values, the tracker found",
         "0",
         "--vehicle 1:1000000",
         true,
         "",
         0,
         {"[ok]   In the vehicle headview turns the camera: your head", "[ok]   The running game's headview reads"},
         {"[fix]", "start the game again", "camera      off"}},
        {"the file changed since the game read it",
         "0",
         "--vehicle 1:1000000",
         true,
         "5A",
         1,
         {"[fix]  The running game uses headviewing_multiplier=39 where headview.ini has 5A"},
         {}},
        {"the file changed, read on every frame", "1", "--vehicle 1:1000000", true, "5A", 0, {}, {"[fix]"}},
        {"on foot",
         "0",
         "",
         true,
         "",
         0,
         {"[note] The game runs headview with your character on foot", "camera on foot (game)"},
         {"[fix]", "    off (game)"}},
        {"the tracker started after the game: made by headview, then read",
         "0",
         "--vehicle 1:1000000",
         false,
         "",
         0,
         {"[ok]   The running game's headview reads"},
         {"[fix]"}},
        {"no tracker",
         "0",
         "--vehicle 1:1000000",
         false,
         nullptr,
         1,
         {"[stop] The tracker's data is there"},
         {"reads your tracker's"}},
        {"a paused game",
         "0",
         "--vehicle 1:1000000 --pause-at 40:60000",
         true,
         "",
         0,
         {"[note] The game runs headview, but ran no frame while the probe watched"},
         {}},
    };
    for (const auto& row : rows) {
        std::string ini = kGame;
        WriteIni(ini.replace(ini.find('@'), 1, row.test));
        StopProgram(tracker_);
        tracker_ = nullptr;
        if (row.trackerFirst) {
            Restart("--style opentrack --period 1");
        }
        HANDLE game =
            StartProgram("headview-game.exe", "--quiet --frames 1000000 --frame-ms 16 " + std::string(row.gameOptions) +
                                                  " --game-dir \"" + gameDir_.substr(0, gameDir_.size() - 1) + "\"");
        ASSERT_NE(game, nullptr);
        StatusBlock block = {};
        for (int wait = 0; wait < 200 && (LookAtGame(&block) != kHeadviewRuns || block.frames < 50); ++wait) {
            Sleep(50);
        }
        ASSERT_GE(block.frames, 40u) << row.what << ": the game publishes";
        if (!row.trackerFirst && row.gainLater != nullptr) {
            Restart("--style opentrack --period 1");
        }
        if (row.gainLater != nullptr && row.gainLater[0] != '\0') {
            WriteIni(Replaced(ini, "=39", std::string("=") + row.gainLater));
        }
        EXPECT_EQ(Probe("--seconds 2"), row.code) << row.what << "\n" << output_;
        for (const char* words : row.printed) {
            EXPECT_TRUE(Printed(words)) << row.what << ": " << words << "\n" << output_;
        }
        for (const char* words : row.never) {
            EXPECT_FALSE(Printed(words)) << row.what << ": " << words << "\n" << output_;
        }
        StopProgram(game);
    }
}

TEST_F(ProbeTest, NaturalPointsSoftwareIsNamedWhereNoFreeTrackDataArrives)
{
    WriteIni(kIni);
    // A stand-in by NaturalPoint's process name: a copy of the probe, watching quietly.
    const std::string standIn = ProgramDir() + "TrackIR5.exe";
    ASSERT_TRUE(
        CopyFileW(WideFromUtf8(ProgramDir() + "headview-probe.exe").c_str(), WideFromUtf8(standIn).c_str(), FALSE));
    ProbeRun trackIR;
    ASSERT_TRUE(StartProbe("--seconds 600", &trackIR, ProgramDir(), standIn));
    const struct {
        const char* what;
        const char* tracker;  // "" none
        bool game;            // a game runs headview, and so made the region
        DWORD code;
        bool named;
    } rows[] = {
        {"no FreeTrack data at all", "", false, 1, true},
        {"the region headview made, empty", "", true, 1, true},
        {"a bridge writing FreePIE's style", "--style opentrack-noraw --period 1 --region-bytes 92", false, 0, false},
    };
    for (const auto& row : rows) {
        StopProgram(tracker_);
        tracker_ = row.tracker[0] != '\0' ? StartTracker(row.tracker) : nullptr;
        HANDLE game = nullptr;
        if (row.game) {
            game = StartProgram("headview-game.exe", "--quiet --frames 1000000 --frame-ms 16 --game-dir \"" +
                                                         gameDir_.substr(0, gameDir_.size() - 1) + "\"");
            RegionPeek made;  // closed at the row's end, so that the region goes with the game
            for (int wait = 0; wait < 100 && !made.Open(); ++wait) {
                Sleep(50);
            }
        }
        EXPECT_EQ(Probe("--seconds 2"), row.code) << row.what << "\n" << output_;
        EXPECT_EQ(Printed("NaturalPoint's TrackIR software runs (TrackIR5.exe)"), row.named) << row.what << output_;
        EXPECT_EQ(Printed("Start your head tracker and turn on its FreeTrack output"), false) << row.what << output_;
        StopProgram(game);
    }
    TerminateProcess(trackIR.process, 0);
    FinishProbe(&trackIR);
    StopProgram(tracker_);
    tracker_ = nullptr;
    DeleteFileW(WideFromUtf8(standIn).c_str());
    EXPECT_EQ(Probe("--seconds 1"), 1u);
    EXPECT_FALSE(Printed("TrackIR")) << "without the process: the generic finding\n" << output_;
    EXPECT_TRUE(Printed("Start your head tracker and turn on its FreeTrack output")) << output_;
}
