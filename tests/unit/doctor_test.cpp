// The probe's set-up checks: headview.log explained, headview.ini's keys
// converted one by one, and its command line.
#include "probe/ini_report.h"
#include "probe/log_report.h"
#include "probe/options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string Log(const std::vector<std::string>& lines)
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
// An earlier run, an hour before.
const std::string kEarlierBadKey = "[08.12.2026 19:15:04.000] headview: (Error) reading settings from ini file!";

}  // namespace

TEST(ReadLogExcerpt, SaysWhatThePluginSawLast)
{
    const struct {
        const char* what;
        std::vector<std::string> lines;
        LogSetup setup;
        int errorsAtStart, errorsSince, missingAtStart, missingSince;
    } cases[] = {
        {"empty", {}, LogSetup::kNone, 0, 0, 0, 0},
        {"no tracker at start", {kRequest, kOpened}, LogSetup::kMadeByHeadview, 0, 0, 0, 0},
        {"tracker found", {kRequest, kExists, kOpened}, LogSetup::kTrackerFound, 0, 0, 0, 0},
        {"request on every frame", {kRequest, kRequest, kRequest}, LogSetup::kCannotOpen, 0, 0, 0, 0},
        {"the last run counts", {kRequest, kRequest, kRequest, kExists, kOpened}, LogSetup::kTrackerFound, 0, 0, 0, 0},
        {"a bad key read once at start", {kBadKeyAtStart, kRequest, kOpened}, LogSetup::kMadeByHeadview, 1, 0, 0, 0},
        {"a bad key on every frame", {kBadKeyAtStart, kBadKeyAtStart, kRequest, kExists, kOpened, kBadKeyLater,
                                      kBadKeyLater}, LogSetup::kTrackerFound, 2, 2, 0, 0},
        {"an earlier run's errors do not count", {kEarlierBadKey, kEarlierBadKey, kRequest, kOpened},
         LogSetup::kMadeByHeadview, 0, 0, 0, 0},
        {"no file at start", {kNoIniAtStart, kRequest, kOpened}, LogSetup::kMadeByHeadview, 0, 0, 1, 0},
        {"file deleted while the game ran", {kRequest, kOpened, kNoIniLater, kNoIniLater},
         LogSetup::kMadeByHeadview, 0, 0, 0, 2},
    };
    for (const auto& c : cases) {
        const LogReading r = ReadLogExcerpt(Log(c.lines));
        EXPECT_EQ(r.setup, c.setup) << c.what;
        EXPECT_EQ(r.settingsErrorsAtStart, c.errorsAtStart) << c.what;
        EXPECT_EQ(r.settingsErrorsSinceSetup, c.errorsSince) << c.what;
        EXPECT_EQ(r.missingIniAtStart, c.missingAtStart) << c.what;
        EXPECT_EQ(r.missingIniSinceSetup, c.missingSince) << c.what;
    }
}

TEST(FindUnreadableKeys, NamesEachWithTheLineThatReads)
{
    const struct {
        const char* what;
        SettingKey key;
        bool present;
        const char* text;
        const char* corrected;  // null: readable
    } cases[] = {
        {"decimal comma", kOffsetKey, true, "0,5", "headviewing_offset=0.5"},
        {"comment after the value", kEnabledKey, true, "1 ; on", "headviewing=1"},
        {"comment without a blank", kMultiplierKey, true, "-39;left", "headviewing_multiplier=-39"},
        {"a word", kEnabledKey, true, "on", "headviewing=1"},
        {"empty", kTestKey, true, "", "headviewing_test=0"},
        {"missing required key", kTestKey, false, "", "headviewing_test=0"},
        {"missing source is fine", kSourceKey, false, "", nullptr},
        {"unreadable source", kSourceKey, true, "processed", "headviewing_source=1"},
        {"beyond 32 bits", kMultiplierKey, true, "FFFFFFFF", "headviewing_multiplier=39"},
        {"readable", kOffsetKey, true, "-0.25", nullptr},
        {"d exponent", kOffsetKey, true, "1.5d-1", nullptr},
    };
    for (const auto& c : cases) {
        IniState ini = {};
        ini.exists = true;
        const char* const good[kSettingKeyCount] = {"1", "0", "39", "0.0", "1"};
        for (int k = 0; k < kSettingKeyCount; ++k) {
            ini.present[k] = true;
            ini.texts[k] = good[k];
        }
        ini.present[c.key] = c.present;
        ini.texts[c.key] = c.text;
        UnreadableKey found[kSettingKeyCount];
        const int count = FindUnreadableKeys(ini, found);
        ASSERT_EQ(count, c.corrected != nullptr ? 1 : 0) << c.what;
        if (count == 1) {
            EXPECT_EQ(found[0].key, c.key) << c.what;
            EXPECT_EQ(found[0].corrected, c.corrected) << c.what;
        }
    }
}

TEST(ParseOptions, NamesEachWrongArgumentWithTheReason)
{
    const struct {
        std::vector<const char*> args;
        Use use;
        const char* error;  // null: taken
    } cases[] = {
        {{}, Use::kWatch, nullptr},
        {{"--seconds", "20", "--ini", "x.ini"}, Use::kWatch, nullptr},
        {{"--center"}, Use::kCentre, nullptr},
        {{"--gain", "90"}, Use::kGain, nullptr},
        {{"-h"}, Use::kHelp, nullptr},
        {{"--gain", "400", "/?"}, Use::kHelp, nullptr},
        {{"--help"}, Use::kHelp, nullptr},
        {{"--bogus"}, Use::kWatch, "--bogus: not an option of headview-probe"},
        {{"--gain", "400"}, Use::kWatch, "--gain 400: DEGREES is 1 to 360"},
        {{"--gain"}, Use::kWatch, "--gain: give its value after it, as in --gain 90"},
        {{"--seconds", "0"}, Use::kWatch, "--seconds 0: N is a whole number from 1 to 600"},
        {{"--seconds", "2.5"}, Use::kWatch, "--seconds 2.5: N is a whole number from 1 to 600"},
        {{"--gain", "90", "--centre"}, Use::kWatch, "--gain and --centre: choose one of the watch, --centre and --gain"},
        {{"--centre", "--seconds", "5"}, Use::kWatch,
         "--centre and the watch (--seconds): choose one of the watch, --centre and --gain"},
        {{"--ini", ""}, Use::kWatch, "--ini: give the path of headview.ini"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"headview-probe"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        Options options;
        std::string error;
        const bool taken = ParseOptions(static_cast<int>(argv.size()), argv.data(), &options, &error);
        const std::string what = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(taken, c.error == nullptr) << what << ": " << error;
        if (c.error != nullptr) {
            EXPECT_EQ(error, c.error);
        } else {
            EXPECT_EQ(options.use, c.use) << what;
        }
    }
}
