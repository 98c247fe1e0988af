// Random and mutated headview.ini and headview.log files through gathering,
// judging, the report and the repair's plan, and some through the repair
// itself: nothing crashes, and a repair either writes what it planned or
// leaves the file as it was, with nothing of the probe's beside it.
// HEADVIEW_FUZZ_CASES sets how many (3000 here; scripts/fuzz.sh runs more),
// HEADVIEW_FUZZ_SEED the seed.
#include "probe/repair.h"
#include "probe/report.h"
#include "settings/utf8.h"
#include "tests/support/files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <random>
#include <string>
#include <vector>

namespace {

const char* const kSeeds[] = {
    "[Settings]\r\nheadviewing=1\r\nheadviewing_test=0\r\nheadviewing_multiplier=39\r\nheadviewing_offset=0.0\r\n"
    "headviewing_source=1\r\nheadviewing_status=1\r\n",
    "; mine\n[settings]\nHeadViewing = 1 ; on\nheadviewing_multiplyer=57\n[Other]\nheadviewing_offset=0,5\n",
    "headviewing_test=0\nheadviewing_source=0\n[Settings]\n\n; for play\nheadviewing_offset=1e9\n[Settings]\n",
    "\xEF\xBB\xBF[Settings]\r\nheadviewing_t=1\r\n#headviewing=0\r\n",
    "[Settings] ; v2]\r\nheadviewing=0\r\n",
};
const char* const kLogSeeds[] = {
    "[08.12.2026 20:15:04.090] headview: (Error) reading settings from ini file!\r\n"
    "[08.12.2026 20:15:04.100] FTCreateMapping request.\r\n"
    "[08.12.2026 20:15:04.101] FTCreateMapping: Mapping already exists.\r\n"
    "[08.12.2026 20:15:04.102] FTCreateMapping: Mapping opened.\r\n",
    "[1] x\r\n[08.12.2026 20:15:04.100] FTCreateMapping request.\r\n[99.99.9999 99:99:99.999] ",
};
// Pieces that mean something to the readers and the probe.
const std::string kPieces[] = {"[Settings]",
                               "[",
                               "]",
                               "=",
                               ";",
                               "#",
                               "\r\n",
                               "\n",
                               "\r",
                               " ",
                               "\t",
                               ",",
                               ".",
                               "-",
                               "0x",
                               "headviewing",
                               "_test",
                               "_multiplier",
                               "_offset",
                               "_source",
                               "_status",
                               "\xEF\xBB\xBF",
                               "\xFF\xFE",
                               "\xFE\xFF",
                               "\xE9",
                               "\xC3\xA9",
                               std::string(1, '\0'),
                               "FTCreateMapping request.",
                               "] headview: (Error) ",
                               "[08.12.2026 20:15:0"};

std::string Mutated(std::mt19937* random, std::string text)
{
    std::uniform_int_distribution<int> kind(0, 5), piece(0, sizeof kPieces / sizeof kPieces[0] - 1), byte(0, 255);
    const int edits = std::uniform_int_distribution<int>(0, 8)(*random);
    for (int i = 0; i < edits; ++i) {
        const size_t at = text.empty() ? 0 : std::uniform_int_distribution<size_t>(0, text.size())(*random);
        const int k = kind(*random);
        if (k == 0 && at < text.size()) {
            text[at] = static_cast<char>(byte(*random));
        } else if (k == 1) {
            text.insert(at, kPieces[piece(*random)]);
        } else if (k == 2 && at < text.size()) {
            text.erase(at, std::uniform_int_distribution<size_t>(1, 16)(*random));
        } else if (k == 3) {
            text.insert(at, 1, static_cast<char>(byte(*random)));
        } else if (k == 4) {
            text.resize(at);
        } else {
            text.insert(at, text.substr(at / 2, 24));
        }
    }
    return text;
}

std::string RandomBytes(std::mt19937* random)
{
    std::string text(std::uniform_int_distribution<size_t>(0, 300)(*random), '\0');
    for (char& c : text) {
        c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(*random));
    }
    return text;
}

int FromEnvironment(const char* name, int fallback)
{
    const char* value = getenv(name);
    return value != nullptr ? atoi(value) : fallback;
}

}  // namespace

TEST(Fuzz, NoBytesInTheGameFolderCrashTheProbeAndARepairWritesWhatItPlannedOrNothing)
{
    const int cases = FromEnvironment("HEADVIEW_FUZZ_CASES", 3000);
    std::mt19937 random(static_cast<unsigned>(FromEnvironment("HEADVIEW_FUZZ_SEED", 20261210)));
    CreateDirectoryW(L"fuzz", nullptr);
    wchar_t full[MAX_PATH];
    GetFullPathNameW(L"fuzz\\", MAX_PATH, full, nullptr);
    const std::wstring folder = full;
    WriteFileBytes("fuzz\\ScriptHookV.dll", "");
    int repaired = 0, refused = 0;
    for (int i = 0; i < cases; ++i) {
        const int from = std::uniform_int_distribution<int>(0, 9)(random);
        std::string ini = RandomBytes(&random);
        if (from < 8) {
            ini = Mutated(&random, kSeeds[from % 5]);
        }
        if (from == 4) {
            ini = Utf16Le(Mutated(&random, kSeeds[0]));
        }
        const std::string log = Mutated(&random, kLogSeeds[from % 2]);
        WriteFileBytes("fuzz\\headview.ini", ini);
        WriteFileBytes("fuzz\\headview.log", log);
        Facts facts = GatherSetUpFacts(folder);
        facts.watched = from % 3 == 0;
        facts.tracker.region = kOpen;
        for (int pose = 0; pose < 5 * (from % 3); ++pose) {
            FTPose p = {};
            p.yaw = static_cast<float>(pose) / 10.0f;
            p.rawYaw = from % 2 == 0 ? 0.0f : p.yaw + 0.2f;
            p.frameCounter = pose + 1;
            AddPose(&facts.tracker, p);
        }
        facts.tracker.published = facts.tracker.poses;
        facts.tracker.sendingSeconds = 1.0;
        const Findings findings = JudgeAll(facts);
        EXPECT_FALSE(FormatReport(findings).empty());
        const Repair repair = PlanRepair(facts, findings, false);
        if (repair.steps.empty() || i % 4 != 0 || !repair.renamed.empty()) {
            continue;
        }
        std::string error;
        const bool made = MakeRepair(facts.ini, repair, &error);
        repaired += made ? 1 : 0;
        refused += made ? 0 : 1;
        const std::string now = ReadFileBytes("fuzz\\headview.ini");
        EXPECT_EQ(now, made ? EncodeIni(repair.text) : ini) << "case " << i << ": " << error;
        // Lines taken from the top may leave bytes there that read as a byte-order mark: the read-back refuses.
        const bool markMade = DecodeIni(EncodeIni(repair.text)).encoding != repair.text.encoding;
        EXPECT_TRUE(made || !WhyNotEditable(facts.ini).empty() || markMade)
            << "case " << i << ": a change offered that cannot be made: " << error << "\n"
            << ::testing::PrintToString(ini);
        EXPECT_EQ(GetFileAttributesW((folder + L"headview.ini.probe-new").c_str()), INVALID_FILE_ATTRIBUTES);
        if (made) {  // one edit leaves nothing more to change
            Facts again = GatherSetUpFacts(folder);
            again.watched = facts.watched;
            again.tracker = facts.tracker;
            EXPECT_EQ(PlanRepair(again, JudgeAll(again), false).steps, std::vector<std::string>{})
                << "case " << i << "\n"
                << ::testing::PrintToString(ini);
        }
    }
    printf("%d cases, %d repairs made, %d refused\n", cases, repaired, refused);
}
