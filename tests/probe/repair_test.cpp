// The repair: headview.ini's bytes in, the changes the probe lists and the
// bytes it writes out, each written by hand; then the file checked again
// has nothing left for the probe to change.
#include "probe/repair.h"
#include "settings/utf8.h"
#include "tests/support/files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::string kGood =
    "[Settings]\r\nheadviewing=1\r\nheadviewing_test=0\r\nheadviewing_multiplier=39\r\n"
    "headviewing_offset=0.0\r\nheadviewing_source=1\r\nheadviewing_status=1\r\n";

std::wstring Full(const wchar_t* path)
{
    wchar_t full[MAX_PATH];
    GetFullPathNameW(path, MAX_PATH, full, nullptr);
    return full;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

// headview.ini's bytes before, the changes listed, and its bytes after.
struct RepairRow {
    const char* what;
    std::string before;
    std::vector<std::string> steps;
    std::string after;
};

// A game folder that is all there, the log's last start fine, no tracker watched.
Facts FolderFactsOf(const std::wstring& folder)
{
    Facts f = {};
    f.folder.startedIn = f.folder.own = f.folder.judged = folder;
    f.folder.plugin = f.folder.scriptHook = f.folder.asiLoader = true;
    f.ini = GatherIniFacts(folder + L"headview.ini");
    f.log = LogFacts{kTrackerFound, 4000, 0, 0, "", 0};
    return f;
}

// The zip's headview.ini, beside the tests.
std::string ShippedFile()
{
    wchar_t own[MAX_PATH];
    std::wstring folder(own, GetModuleFileNameW(nullptr, own, MAX_PATH));
    folder.erase(folder.find_last_of(L'\\') + 1);
    return ReadFileBytes(Utf8FromWide(folder) + "headview-example.ini");
}

}  // namespace

TEST(Repair, EachChangeListedAndWrittenEveryOtherByteKept)
{
    const std::wstring folder = Full(L"repair\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string ini = Utf8FromWide(folder) + "headview.ini", misnamed = Utf8FromWide(folder) + "headview.ini.txt";
    const std::string absent = "\x01";  // no such file
    ASSERT_NE(ShippedFile(), "");
    const RepairRow rows[] = {
        {"all well", kGood, {}, kGood},
        {"no headviewing_status: its note alone changes nothing",
         Replaced(kGood, "headviewing_status=1\r\n", ""),
         {},
         Replaced(kGood, "headviewing_status=1\r\n", "")},
        {"a missing key",
         Replaced(kGood, "headviewing_test=0\r\n", ""),
         {"add headviewing_test=0 under [Settings]"},
         Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n"},
        {"a decimal comma, following the processed yaw: no offset, and why",
         Replaced(kGood, "0.0", "0,5"),
         {"change headviewing_offset=0,5 to headviewing_offset=0.0 (0,5: the comma; 0.5 would turn the view 28.5 "
          "degrees to the left of centre)"},
         kGood},
        {"a decimal comma, following the raw yaw",
         Replaced(Replaced(kGood, "0.0", "0,5"), "source=1", "source=0"),
         {"change headviewing_offset=0,5 to headviewing_offset=0.5"},
         Replaced(Replaced(kGood, "0.0", "0.5"), "source=1", "source=0")},
        {"a misspelt key written with blanks, the player's value kept",
         Replaced(kGood, "headviewing_multiplier=39", "headviewing_multiplyer = 27"),
         {"change headviewing_multiplyer = 27 to headviewing_multiplier=27"},
         Replaced(kGood, "=39", "=27")},
        {"a line above every section",
         "headviewing_source=1\r\n" + Replaced(kGood, "headviewing_source=1\r\n", ""),
         {"move headviewing_source=1 from above every section to [Settings]"},
         Replaced(kGood, "headviewing_source=1\r\n", "") + "headviewing_source=1\r\n"},
        {"a line under another section, the blank line and the section kept",
         Replaced(kGood, "headviewing_test=0\r\n", "") + "\r\n[Other]\r\nheadviewing_test = 0\r\nx=1\r\n",
         {"move headviewing_test = 0 from under [Other] to [Settings], as headviewing_test=0"},
         Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n\r\n[Other]\r\nx=1\r\n"},
        {"a line under a third [Settings]",
         Replaced(kGood, "headviewing_test=0\r\n", "") + "[Settings]\r\n[Settings]\r\nheadviewing_test=0\r\n",
         {"move headviewing_test=0 from under a third [Settings] to the first [Settings]"},
         Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n[Settings]\r\n[Settings]\r\n"},
        {"two [Settings] lines, a key missing",
         Replaced(kGood, "headviewing_test=0\r\n", "") + "[Settings]\r\nx=1\r\n",
         {"add headviewing_test=0 under the first [Settings]"},
         Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n[Settings]\r\nx=1\r\n"},
        {"two lines above every section, moved in their order",
         "headviewing_test=0\r\nheadviewing_source=1\r\n" +
             Replaced(Replaced(kGood, "headviewing_test=0\r\n", ""), "headviewing_source=1\r\n", ""),
         {"move headviewing_test=0 from above every section to [Settings]",
          "move headviewing_source=1 from above every section to [Settings]"},
         Replaced(Replaced(kGood, "headviewing_test=0\r\n", ""), "headviewing_source=1\r\n", "") +
             "headviewing_test=0\r\nheadviewing_source=1\r\n"},
        {"a comment line is never a near miss, and stays a comment",
         Replaced(kGood, "headviewing_test=0\r\n", "") + "; headviewing_test=1\r\n",
         {"add headviewing_test=0 under [Settings]"},
         Replaced(kGood, "headviewing_test=0\r\n", "") + "; headviewing_test=1\r\nheadviewing_test=0\r\n"},
        {"a line near two keys: one change, on the nearer key",
         Replaced(Replaced(kGood, "headviewing=1\r\n", "headviewing_t=1\r\n"), "headviewing_test=0\r\n", ""),
         {"change headviewing_t=1 to headviewing=1", "add headviewing_test=0 under [Settings]"},
         Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n"},
        {"a line near two keys, the nearer one read: the other's",
         Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_t=0\r\n",
         {"change headviewing_t=0 to headviewing_test=0"},
         Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n"},
        {"a comment after a value kept on the line above",
         Replaced(kGood, "headviewing_multiplier=39", "headviewing_multiplier=72 ; twice as fast"),
         {"change headviewing_multiplier=72 ; twice as fast to headviewing_multiplier=72, its comment kept on the line "
          "above"},
         Replaced(kGood, "headviewing_multiplier=39", "; twice as fast\r\nheadviewing_multiplier=72")},
        {"a comment after a value, begun with #",
         Replaced(kGood, "headviewing_multiplier=39", "headviewing_multiplier=72 # twice as fast"),
         {"change headviewing_multiplier=72 # twice as fast to headviewing_multiplier=72, its comment kept on the line "
          "above"},
         Replaced(kGood, "headviewing_multiplier=39", "# twice as fast\r\nheadviewing_multiplier=72")},
        {"a UTF-8 mark before a comment line: both readers see [Settings], the mark stays",
         "\xEF\xBB\xBF; mine\r\n" + Replaced(kGood, "headviewing_test=0\r\n", ""),
         {"add headviewing_test=0 under [Settings]"},
         "\xEF\xBB\xBF; mine\r\n" + Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n"},
        {"the comments right above a moved line go with it",
         Replaced(kGood, "headviewing_test=0\r\n", "") + "[Settings]\r\n; for play\r\nheadviewing_test=0 ; or 1\r\n",
         {"move headviewing_test=0 ; or 1 from under a second [Settings] to the first [Settings], as "
          "headviewing_test=0, its comment kept on the line above"},
         Replaced(kGood, "headviewing_test=0\r\n", "") +
             "; for play\r\n; or 1\r\nheadviewing_test=0\r\n[Settings]\r\n"},
        {"blanks around an unreadable value",
         Replaced(kGood, "headviewing_offset=0.0", "headviewing_offset = 0,5 "),
         {"change headviewing_offset=0,5 to headviewing_offset=0.0 (0,5: the comma; 0.5 would turn the view 28.5 "
          "degrees to the left of centre)"},
         Replaced(kGood, "headviewing_offset=0.0", "headviewing_offset = 0.0")},
        {"an empty file", "", {"write the shipped headview.ini into the empty one"}, ShippedFile()},
        {"blanks alone", " \r\n\t\r\n", {"write the shipped headview.ini into the empty one"}, ShippedFile()},
        {"no file", absent, {"write headview.ini as the headview zip holds it"}, ShippedFile()},
        {"keys but no [Settings]",
         "; mine\n" + Replaced(kGood, "[Settings]\r\n", ""),
         {"put a line [Settings] before headviewing=1"},
         "; mine\n" + kGood},
        {"a UTF-8 mark right before [Settings], and a key missing",
         "\xEF\xBB\xBF" + Replaced(kGood, "headviewing_test=0\r\n", ""),
         {"add headviewing_test=0 under [Settings]",
          "put a line end after the UTF-8 mark before [Settings], so that Windows' reader sees it"},
         "\xEF\xBB\xBF\r\n" + Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n"},
        {"a word meaning on",
         Replaced(kGood, "headviewing_status=1", "headviewing_status=on"),
         {"change headviewing_status=on to headviewing_status=1"},
         kGood},
        {"a key's line without \"=\" beside a near miss of it: the key's own line is the one to mend",
         Replaced(kGood, "headviewing_test=0\r\n", "headviewing_test\r\nheadviewing_tset=1\r\n"),
         {"change headviewing_test to headviewing_test=0"},
         Replaced(kGood, "headviewing_test=0\r\n", "headviewing_test=0\r\nheadviewing_tset=1\r\n")},
        {"the camera off",
         Replaced(kGood, "headviewing=1", "headviewing=0"),
         {"change headviewing=0 to headviewing=1"},
         kGood},
        {"a gain of 0, LF line ends, no headviewing_source: headviewing_status=1 goes along",
         "[Settings]\nheadviewing=1\nheadviewing_test=0\nheadviewing_multiplier=0\nheadviewing_offset=0.0\n",
         {"change headviewing_multiplier=0 to headviewing_multiplier=39", "add headviewing_status=1 under [Settings]"},
         "[Settings]\nheadviewing=1\nheadviewing_test=0\nheadviewing_multiplier=39\nheadviewing_offset=0.0\n"
         "headviewing_status=1\n"},
        {"an offset that freezes the camera",
         Replaced(kGood, "0.0", "1e9"),
         {"change headviewing_offset=1e9 to headviewing_offset=0.0"},
         kGood},
        {"UTF-16, a key missing",
         Utf16Le(Replaced(kGood, "headviewing_test=0\r\n", "")),
         {"add headviewing_test=0 under [Settings]"},
         Utf16Le(Replaced(kGood, "headviewing_test=0\r\n", "") + "headviewing_test=0\r\n")},
        {"a key twice under [Settings]: the player chooses",
         kGood + "headviewing_multiplier=57\r\n",
         {},
         kGood + "headviewing_multiplier=57\r\n"},
        {"a key under a second [Settings] that the first holds",
         kGood + "[Settings]\r\nheadviewing_offset=0.1\r\n",
         {},
         kGood + "[Settings]\r\nheadviewing_offset=0.1\r\n"},
        {"UTF-16 big-endian", "\xFE\xFF" + std::string("\0[", 2), {}, "\xFE\xFF" + std::string("\0[", 2)},
        {"a comment after [Settings], which both readers read past",
         Replaced(kGood, "[Settings]\r\nheadviewing=1", "[Settings] ; mine\r\nheadviewing=0"),
         {"change headviewing=0 to headviewing=1"},
         Replaced(kGood, "[Settings]", "[Settings] ; mine")},
        {"a section line the two readers read otherwise",
         "[Settings] ; v2]\r\nheadviewing=0\r\n",
         {},
         "[Settings] ; v2]\r\nheadviewing=0\r\n"},
    };
    for (const auto& row : rows) {
        DeleteFileW(WideFromUtf8(misnamed).c_str());
        DeleteFileW(WideFromUtf8(ini).c_str());
        DeleteFileW(WideFromUtf8(ini + ".bak").c_str());
        if (row.before != absent) {
            WriteFileBytes(ini, row.before);
        }
        const Facts facts = FolderFactsOf(folder);
        const Repair repair = PlanRepair(facts, JudgeAll(facts), false);
        EXPECT_EQ(repair.steps, row.steps) << row.what;
        std::string error;
        if (!repair.steps.empty()) {
            EXPECT_TRUE(MakeRepair(facts.ini, repair, &error)) << row.what << ": " << error;
        }
        EXPECT_EQ(ReadFileBytes(ini), row.after) << row.what;
        const Facts again = FolderFactsOf(folder);
        EXPECT_TRUE(PlanRepair(again, JudgeAll(again), false).steps.empty()) << row.what << ": nothing left to change";
        EXPECT_EQ(GetFileAttributesW((folder + L"headview.ini.probe-new").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(Repair, HeadviewIniTxtRenamedWhereNoHeadviewIniStands)
{
    const std::wstring folder = Full(L"repair-rename\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string ini = Utf8FromWide(folder) + "headview.ini", misnamed = Utf8FromWide(folder) + "headview.ini.txt";
    const std::string kept = Utf8FromWide(folder) + "headview.ini.probe-old";
    DeleteFileW(WideFromUtf8(ini).c_str());
    // A copy an older probe kept after a change failed twice comes first: the player's own settings.
    WriteFileBytes(misnamed, kGood);
    WriteFileBytes(kept, "; kept\r\n" + kGood);
    Facts facts = FolderFactsOf(folder);
    Repair repair = PlanRepair(facts, JudgeAll(facts), false);
    EXPECT_EQ(repair.steps, std::vector<std::string>{"rename headview.ini.probe-old to headview.ini"});
    std::string error;
    EXPECT_TRUE(MakeRepair(facts.ini, repair, &error)) << error;
    EXPECT_EQ(ReadFileBytes(ini), "; kept\r\n" + kGood);
    EXPECT_EQ(ReadFileBytes(misnamed), kGood);
    DeleteFileW(WideFromUtf8(ini).c_str());
    facts = FolderFactsOf(folder);
    repair = PlanRepair(facts, JudgeAll(facts), false);
    EXPECT_EQ(repair.steps, std::vector<std::string>{"rename headview.ini.txt to headview.ini"});
    EXPECT_TRUE(MakeRepair(facts.ini, repair, &error)) << error;
    EXPECT_EQ(ReadFileBytes(ini), kGood);
    EXPECT_EQ(GetFileAttributesW(WideFromUtf8(misnamed).c_str()), INVALID_FILE_ATTRIBUTES);
    // One standing there meanwhile is never replaced.
    WriteFileBytes(misnamed, "mine");
    WriteFileBytes(ini, "theirs");
    EXPECT_FALSE(MakeRepair(facts.ini, repair, &error));
    EXPECT_EQ(ReadFileBytes(ini), "theirs");
    EXPECT_EQ(ReadFileBytes(misnamed), "mine");
}

TEST(Repair, AgainstTheTrackerOneEditLeavesNothingMoreToChange)
{
    const std::wstring folder = Full(L"repair-tracker\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string ini = Utf8FromWide(folder) + "headview.ini";
    const std::string rawFollowed = Replaced(kGood, "source=1", "source=0");
    const struct {
        RepairRow repair;
        double rawShake;  // degrees either way from pose to pose; 0: the raw yaw left at zero
    } rows[] = {
        {{"the raw yaw at zero, and 0,5: the [stop]'s offset of 0.0 wins over the [fix]'s 0.5",
          Replaced(rawFollowed, "offset=0.0", "offset=0,5"),
          {"change headviewing_source=0 to headviewing_source=1",
           "change headviewing_offset=0,5 to headviewing_offset=0.0 (with the processed yaw, your tracker's centre "
           "key centres the view)"},
          kGood},
         0.0},
        {{"the raw yaw at zero, the offset already 0.0",
          rawFollowed,
          {"change headviewing_source=0 to headviewing_source=1"},
          kGood},
         0.0},
        {{"-0,12 beside a shaking raw yaw: the offset it would be beside the processed yaw, in the same edit",
          Replaced(rawFollowed, "offset=0.0", "offset=-0,12"),
          {"change headviewing_offset=-0,12 to headviewing_offset=0.0 (-0.12 would turn the view 6.8 degrees to the "
           "right of centre)",
           "change headviewing_source=0 to headviewing_source=1"},
          kGood},
         0.05},
    };
    for (const auto& row : rows) {
        WriteFileBytes(ini, row.repair.before);
        Facts facts = FolderFactsOf(folder);
        facts.watched = true;
        facts.tracker.region = kOpen;
        for (int i = 0; i <= 40; ++i) {  // a head turned +-20 degrees
            FTPose pose = {};
            pose.yaw = static_cast<float>((i - 20) / kDegreesPerRadian);
            if (row.rawShake > 0) {
                pose.rawYaw =
                    pose.yaw + static_cast<float>((i % 2 == 0 ? row.rawShake : -row.rawShake) / kDegreesPerRadian);
            }
            pose.frameCounter = i + 1;
            AddPose(&facts.tracker, pose);
        }
        facts.tracker.published = 100;
        facts.tracker.sendingSeconds = 1.0;
        const Repair repair = PlanRepair(facts, JudgeAll(facts), false);
        EXPECT_EQ(repair.steps, row.repair.steps) << row.repair.what;
        std::string error;
        EXPECT_TRUE(MakeRepair(facts.ini, repair, &error)) << row.repair.what << ": " << error;
        EXPECT_EQ(ReadFileBytes(ini), row.repair.after) << row.repair.what;
        Facts again = FolderFactsOf(folder);
        again.watched = true;
        again.tracker = facts.tracker;
        EXPECT_TRUE(PlanRepair(again, JudgeAll(again), false).steps.empty()) << row.repair.what;
    }
}

TEST(Repair, ThePlayersOwnValueFirstAndALineChangedOnce)
{
    const std::wstring folder = Full(L"repair-asked\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string ini = Utf8FromWide(folder) + "headview.ini";
    // --gain --fix over an unreadable gain: the gain measured, not the one the unreadable value falls to.
    WriteFileBytes(ini, Replaced(kGood, "multiplier=39", "multiplier=3g"));
    Facts facts = FolderFactsOf(folder);
    Findings findings = JudgeAll(facts);
    Finding measured = {kOk, "Measured"};
    measured.change = {Edit::kSetKeys, {{kMultiplierKey, "50"}}};
    measured.asked = true;
    findings.push_back(measured);
    Repair repair = PlanRepair(facts, findings, false);
    EXPECT_EQ(repair.steps, std::vector<std::string>{"change headviewing_multiplier=3g to headviewing_multiplier=50"});
    std::string error;
    EXPECT_TRUE(MakeRepair(facts.ini, repair, &error)) << error;
    EXPECT_EQ(ReadFileBytes(ini), Replaced(kGood, "multiplier=39", "multiplier=50"));
    // Two changes that name one line: the first takes it, the other's key is set where it stands.
    WriteFileBytes(ini, Replaced(kGood, "headviewing_test=0", "headviewing_tset=0"));
    facts = FolderFactsOf(folder);
    findings = JudgeAll(facts);
    ASSERT_EQ(facts.ini.nearMissLine[kTestKey], 2);
    Finding sameLine = {kFix, "a line moved"};
    sameLine.change = {Edit::kMoveLine, {{kSourceKey, "1"}}, 2};
    findings.push_back(sameLine);
    repair = PlanRepair(facts, findings, false);
    EXPECT_EQ(repair.steps, std::vector<std::string>{"change headviewing_tset=0 to headviewing_test=0"});
    EXPECT_TRUE(MakeRepair(facts.ini, repair, &error)) << error;
    EXPECT_EQ(ReadFileBytes(ini), kGood);
}
