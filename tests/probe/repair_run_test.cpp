// The repair as a player meets it: the probe's list of changes, F then Enter,
// and the file as headview's reader then reads it; and each refusal, with
// the file left as it was and the lines to put in by hand.
#include "settings/settings.h"
#include "settings/utf8.h"
#include "tests/support/game_fixture.h"
#include "tests/support/probe_run.h"
#include "tests/support/processes.h"

#include <windows.h>

#include <functional>

namespace {

// The gain of 0 holds the camera; headviewing_test is missing.
const std::string kBroken =
    "; mine\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_multiplier=0\r\nheadviewing_offset=0.0\r\n"
    "headviewing_source=1\r\n";
const std::string kMended =
    "; mine\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_multiplier=39\r\nheadviewing_offset=0.0\r\n"
    "headviewing_source=1\r\nheadviewing_test=0\r\n";

class RepairRunTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        for (const char* name : {"headview.asi", "ScriptHookV.dll", "dinput8.dll"}) {
            WriteFileBytes(GamePath(name), "");
        }
        WriteFileBytes(GamePath("headview.log"),
                       "[08.12.2026 20:15:04.100] FTCreateMapping request.\r\n"
                       "[08.12.2026 20:15:04.101] FTCreateMapping: Mapping opened.\r\n");
        WriteIni(kBroken);
        ini_ = WideFromUtf8(GamePath("headview.ini"));
    }
    void TearDown() override
    {
        SetFileAttributesW(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        GameTest::TearDown();
    }

    // A one-second watch with `arguments`; at the question, `meanwhile`
    // runs, then `answer` is typed. Returns the exit code.
    DWORD Watch(
        const std::string& arguments, const std::string& answer, const std::function<void()>& meanwhile = [] {})
    {
        ProbeRun run;
        EXPECT_TRUE(StartProbe("--seconds 1 " + arguments, &run, gameDir_));
        if (arguments.find("--fix") == std::string::npos) {
            EXPECT_TRUE(ReadUntil(&run, "Enter alone leaves headview.ini as it is: ")) << run.text;
            meanwhile();
            SendLine(&run, answer);
        }
        const DWORD code = FinishProbe(&run);
        output_ = run.text;
        return code;
    }
    // In what the probe printed, its paragraphs' lines joined again.
    bool Printed(const std::string& text) const
    {
        std::string joined = output_;
        for (size_t at = 0; (at = joined.find("\r\n       ", at)) != std::string::npos; ++at) {
            joined.replace(at, 9, joined.compare(at + 9, 2, "  ") == 0 ? "\r\n" : " ");
        }
        return joined.find(text) != std::string::npos;
    }
    Settings ReadBack() const
    {
        Settings settings = {};
        ReadAllSettings(ini_.c_str(), &settings);
        return settings;
    }

    std::wstring ini_;
    std::string output_;
};

}  // namespace

TEST_F(RepairRunTest, FMakesTheListedChangesAndTheReportIsTheNewOne)
{
    EXPECT_EQ(Watch("", "f"), 1u) << "no tracker runs: still a [stop]";
    EXPECT_TRUE(
        Printed("headview-probe can make these changes to headview.ini:\r\n"
                "  - change headviewing_multiplier=0 to headviewing_multiplier=39\r\n"
                "  - add headviewing_test=0 under [Settings]\r\n"))
        << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kMended);
    const Settings read = ReadBack();
    EXPECT_EQ(read.multiplier, 0x39);
    EXPECT_EQ(read.test, 0);
    const size_t again = output_.find("headview.ini is changed. Checked again:");
    ASSERT_NE(again, std::string::npos) << output_;
    const std::string after = output_.substr(again);
    EXPECT_NE(after.find("[stop] No tracker is publishing"), std::string::npos) << after;
    // The one [fix] left: the game read the file before the change (the log's last start is in 2026-12-08).
    EXPECT_EQ(after.find("[fix]"), after.find("[fix]  headview.ini was changed after headview last started")) << after;
    EXPECT_EQ(after.find("[fix]", after.find("[fix]") + 1), std::string::npos) << after;
    EXPECT_EQ(after.find("can make these changes"), std::string::npos) << "nothing more to change: " << after;
}

TEST_F(RepairRunTest, EnterAloneLeavesTheFileAndFixMakesTheChangesWithoutAsking)
{
    EXPECT_EQ(Watch("", ""), 1u);
    EXPECT_TRUE(Printed("headview.ini is left as it was.")) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kBroken);
    EXPECT_EQ(Watch("", "yes"), 1u);
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kBroken) << "only F makes them";
    EXPECT_EQ(Watch("", " f "), 1u);
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kMended) << "blanks around f: " << output_;
    WriteIni(kBroken);
    ProbeRun run;  // the input ends at the question
    ASSERT_TRUE(StartProbe("--seconds 1", &run, gameDir_));
    EXPECT_TRUE(ReadUntil(&run, "Enter alone leaves headview.ini as it is: ")) << run.text;
    EXPECT_EQ(FinishProbe(&run), 1u);
    EXPECT_NE(run.text.find("No answer: headview.ini is left as it was."), std::string::npos) << run.text;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kBroken);
    EXPECT_EQ(Watch("--fix", ""), 1u);
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kMended) << output_;
}

TEST_F(RepairRunTest, ReadOnlyIsRefusedWithHowToClearItAndTheLinesByHand)
{
    SetFileAttributesW(ini_.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Watch("", "F"), 2u);
    EXPECT_TRUE(Printed("untick Read-only, OK. It is left as it was.")) << output_;
    EXPECT_TRUE(
        Printed("To make the changes by hand:\r\n"
                "  change headviewing_multiplier=0 to headviewing_multiplier=39\r\n"
                "  add headviewing_test=0 under [Settings]\r\n"))
        << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kBroken);
    EXPECT_TRUE(GetFileAttributesW(ini_.c_str()) & FILE_ATTRIBUTE_READONLY) << "still read-only";
}

TEST_F(RepairRunTest, AFileHeldOpenByAnotherProgramIsRefused)
{
    HANDLE held = CreateFileW(ini_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Watch("", "F"), 2u);
    CloseHandle(held);
    EXPECT_TRUE(Printed("is it open in another program?")) << output_;
    EXPECT_TRUE(Printed("It is left as it was.")) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kBroken);
    EXPECT_EQ(GetFileAttributesW((ini_ + L".probe-new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(RepairRunTest, AFileSavedMeanwhileIsThePlayersAndStands)
{
    const std::string saved = kBroken + "; saved in Notepad meanwhile\r\n";
    EXPECT_EQ(Watch("", "F", [&] { WriteIni(saved); }), 2u);
    EXPECT_TRUE(Printed("changed while the probe worked on it")) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), saved);
}

TEST_F(RepairRunTest, AFileThatAppearsMeanwhileIsNeverReplaced)
{
    DeleteFileW(ini_.c_str());
    const std::string saved = "; the player's, saved meanwhile\r\n";
    EXPECT_EQ(Watch("", "F", [&] { WriteIni(saved); }), 2u);
    EXPECT_TRUE(Printed("changed while the probe worked on it")) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), saved);
}
