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

// The gain of 0 holds the camera; headviewing_test is missing; the status
// key, off, is added along with the other changes.
const std::string kBroken =
    "; mine\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_multiplier=0\r\nheadviewing_offset=0.0\r\n"
    "headviewing_source=1\r\n";
const std::string kMended =
    "; mine\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_multiplier=39\r\nheadviewing_offset=0.0\r\n"
    "headviewing_source=1\r\nheadviewing_test=0\r\nheadviewing_status=1\r\n";

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

TEST_F(RepairRunTest, FMakesTheListedChangesKeepsTheOldFileAndTheReportIsTheNewOne)
{
    EXPECT_EQ(Watch("", "f"), 1u) << "no tracker runs: still a [stop]";
    EXPECT_TRUE(
        Printed("headview-probe can make these changes to headview.ini:\r\n"
                "  - change headviewing_multiplier=0 to headviewing_multiplier=39\r\n"
                "  - add headviewing_test=0 under [Settings]\r\n"
                "  - add headviewing_status=1 under [Settings]\r\n"))
        << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kMended);
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini.bak")), kBroken);
    const Settings read = ReadBack();
    EXPECT_EQ(read.multiplier, 0x39);
    EXPECT_EQ(read.test, 0);
    const size_t again = output_.find("Checked again:");
    ASSERT_NE(again, std::string::npos) << output_;
    const std::string after = output_.substr(again);
    EXPECT_NE(after.find("[stop] No tracker is publishing"), std::string::npos) << after;
    EXPECT_EQ(after.find("[fix]"), std::string::npos) << "the game is to start again, nothing to fix: " << after;
    EXPECT_EQ(after.find("can make these changes"), std::string::npos) << "nothing more to change: " << after;
}

TEST_F(RepairRunTest, TheAnswerFYOrFixMakesThemEnterOrTheEndLeavesTheFile)
{
    const struct {
        const char* answer;  // lines typed at the question; the input then ends
        bool made;
    } rows[] = {{"", false},      {"F", true},      {" yes ", true},   {"FIX", true},    {"y", true}, {"no\r\n", false},
                {"x\r\nf", true}, {"\r\nf", false}, {"x\r\nx", false}, {"x\r\n", false}, {"n", false}};
    for (const auto& row : rows) {
        WriteIni(kBroken);
        ProbeRun run;
        ASSERT_TRUE(StartProbe("--seconds 1", &run, gameDir_));
        EXPECT_TRUE(ReadUntil(&run, "Enter alone leaves headview.ini as it is: ")) << run.text;
        if (row.answer[0] != '\0') {
            SendLine(&run, row.answer);
        }
        EXPECT_EQ(FinishProbe(&run), 1u);
        EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), row.made ? kMended : kBroken) << row.answer << run.text;
    }
    WriteIni(kBroken);
    EXPECT_EQ(Watch("--fix", ""), 1u);
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kMended) << output_;
}

TEST_F(RepairRunTest, HeadviewIniTxtRenamedThenItsOwnChangesMade)
{
    DeleteFileW(ini_.c_str());
    WriteFileBytes(GamePath("headview.ini.txt"), kBroken);
    EXPECT_EQ(Watch("--fix", ""), 1u);
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), kMended) << output_;
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini.bak")), kBroken) << output_;
    EXPECT_EQ(GetFileAttributesW(WideFromUtf8(GamePath("headview.ini.txt")).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(RepairRunTest, AFileTheProbeWillNotChangeIsSaidSoBeforeAnyQuestion)
{
    const struct {
        const char* what;
        std::string file;
        bool readOnly;
        const char* arguments;
        DWORD code;
    } rows[] = {
        {"read-only", kBroken, true, "", 1},
        {"read-only, --fix", kBroken, true, "--fix", 2},
        {"a section line the two readers end apart, --fix", kBroken + "[Other] ; v2]\r\n", false, "--fix", 2},
    };
    for (const auto& row : rows) {
        WriteIni(row.file);
        SetFileAttributesW(ini_.c_str(), row.readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        ProbeRun run;
        ASSERT_TRUE(StartProbe("--seconds 1 " + std::string(row.arguments), &run, gameDir_));
        EXPECT_EQ(FinishProbe(&run), row.code) << row.what << run.text;
        output_ = run.text;
        EXPECT_TRUE(Printed("\r\n  - change headviewing_multiplier=0 to headviewing_multiplier=39\r\n"))
            << row.what << output_;
        EXPECT_FALSE(Printed("Enter alone")) << row.what << ": no question";
        SetFileAttributesW(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), row.file) << row.what;
    }
}

TEST_F(RepairRunTest, WhatChangedMeanwhileStandsAndNothingOfTheProbesIsLeft)
{
    const std::string saved = kBroken + "; saved in Notepad meanwhile\r\n";
    HANDLE held = nullptr;
    const struct {
        const char* what;
        std::function<void()> meanwhile;
        std::string file;  // what stands after; "\x01": nothing, and so no changes to make by hand
    } rows[] = {
        {"held open by another program",
         [&] { held = CreateFileW(ini_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr); },
         kBroken},
        {"saved meanwhile: the player's stands", [&] { WriteIni(saved); }, saved},
        {"deleted meanwhile", [&] { DeleteFileW(ini_.c_str()); }, "\x01"},
    };
    for (const auto& row : rows) {
        WriteIni(kBroken);
        DeleteFileW((ini_ + L".bak").c_str());
        EXPECT_EQ(Watch("", "F", row.meanwhile), 2u) << row.what;
        if (held != nullptr) {
            CloseHandle(held);
            held = nullptr;
        }
        const std::string refusal = output_.substr(std::min(output_.find("could not change"), output_.size()));
        EXPECT_EQ(refusal.find("  - change headviewing_multiplier=0 to headviewing_multiplier=39") != std::string::npos,
                  row.file != "\x01")
            << row.what << output_;
        EXPECT_EQ(GetFileAttributesW(ini_.c_str()) != INVALID_FILE_ATTRIBUTES, row.file != "\x01") << row.what;
        if (row.file != "\x01") {
            EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), row.file) << row.what;
        }
        for (const char* name : {"headview.ini.probe-new", "headview.ini.probe-old"}) {
            EXPECT_EQ(GetFileAttributesW(WideFromUtf8(GamePath(name)).c_str()), INVALID_FILE_ATTRIBUTES) << row.what;
        }
    }
    DeleteFileW(ini_.c_str());  // one that appears meanwhile is never replaced
    EXPECT_EQ(Watch("", "F", [&] { WriteIni(saved); }), 2u);
    EXPECT_EQ(ReadFileBytes(GamePath("headview.ini")), saved);
}
