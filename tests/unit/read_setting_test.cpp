// The settings readers on real ini files, through the platform's profile
// reader: what it returns (trimmed, cut to 31 characters) is what converts.
#include "settings/settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

class ReadSettingTest : public ::testing::Test {
protected:
    void Write(const std::string& settingsLines)
    {
        FILE* file = fopen("headview.ini", "wb");
        ASSERT_NE(file, nullptr);
        fputs(("[Settings]\r\n" + settingsLines).c_str(), file);
        fclose(file);
        ResolveSettingsPathOf(L"headview.ini", path_);
        ASSERT_NE(path_[0], L'\0');
    }
    void TearDown() override { remove("headview.ini"); }

    wchar_t path_[kSettingsPathSize] = L"";
};

struct IniCase {
    const char* line;
    bool read;
    int32_t value;
    bool readAsOptional;  // an absent key is no error for an optional one
};

}  // namespace

TEST_F(ReadSettingTest, HexValuesAsTheReaderReturnsThem)
{
    const IniCase cases[] = {
        {"headviewing=1\r\n", true, 1, true},
        {"headviewing=  0x1  \r\n", true, 1, true},  // blanks around a value are trimmed
        {"headviewing=35\r\n", true, 0x35, true},
        {"headviewing=0X1f\r\n", true, 0x1F, true},
        {"headviewing=-80000000\r\n", true, INT32_MIN, true},
        {"headviewing=1 ;note\r\n", false, -7, false},  // a blank inside the value stays
        {"headviewing=1;note\r\n", false, -7, false},
        {"headviewing=true\r\n", false, -7, false},
        {"headviewing=\r\n", false, -7, false},
        {"other=1\r\n", false, -7, true},
        {"headviewing=FFFFFFFF\r\n", false, -7, false},
        // 34 characters: the reader cuts to 31 zeros, which read as 0.
        {"headviewing=0000000000000000000000000000000023\r\n", true, 0, true},
        // 32 characters: the 31 kept read as 1, the letter after them is cut off.
        {"headviewing=0000000000000000000000000000001X\r\n", true, 1, true},
        {"headviewing=1\xD0\xB6\r\n", false, -7, false},  // a letter beyond ASCII is no digit
    };
    for (const IniCase& c : cases) {
        Write(c.line);
        int32_t value = 99;
        EXPECT_EQ(ReadHexSetting(path_, "headviewing", -7, &value), c.read) << c.line;
        EXPECT_EQ(value, c.value) << c.line;
        value = 99;
        EXPECT_EQ(ReadOptionalHexSetting(path_, "headviewing", -7, &value), c.readAsOptional) << c.line;
        EXPECT_EQ(value, c.value) << c.line;
    }
}

TEST_F(ReadSettingTest, FloatValuesAsTheReaderReturnsThem)
{
    Write("headviewing_offset=-0.25\r\n");
    float value = 9.0f;
    EXPECT_TRUE(ReadFloatSetting(path_, "headviewing_offset", &value));
    EXPECT_EQ(value, -0.25f);

    Write("headviewing_offset=1.5d2\r\n");
    EXPECT_TRUE(ReadFloatSetting(path_, "headviewing_offset", &value));
    EXPECT_EQ(value, 150.0f);

    Write("headviewing_offset=-2.5D-1\r\n");
    EXPECT_TRUE(ReadFloatSetting(path_, "headviewing_offset", &value));
    EXPECT_EQ(value, -0.25f);

    Write("headviewing_offset=1e39\r\n");
    EXPECT_TRUE(ReadFloatSetting(path_, "headviewing_offset", &value)) << "inside the double range";
    EXPECT_TRUE(isinf(value) && value > 0);

    Write("headviewing_offset=1e-60\r\n");
    EXPECT_TRUE(ReadFloatSetting(path_, "headviewing_offset", &value));
    EXPECT_EQ(value, 0.0f);

    const char* const failing[] = {"headviewing_offset=abc\r\n", "headviewing_offset=1e400\r\n",
                                   "headviewing_offset=0.5 ;note\r\n", "headviewing_offset=\r\n", "x=1\r\n"};
    for (const char* line : failing) {
        Write(line);
        value = 9.0f;
        EXPECT_FALSE(ReadFloatSetting(path_, "headviewing_offset", &value)) << line;
        EXPECT_EQ(value, 0.0f) << line;
    }
}

TEST_F(ReadSettingTest, TheTextComesInUtf8)
{
    // Saved as UTF-16, which every reader takes in any code page: Cyrillic and Han after the number.
    const std::wstring units = L"\xFEFF[Settings]\r\nheadviewing_offset=0.5\x0436 \x6E38\r\n";
    FILE* file = fopen("headview.ini", "wb");
    ASSERT_NE(file, nullptr);
    fwrite(units.data(), sizeof(wchar_t), units.size(), file);
    fclose(file);
    ResolveSettingsPathOf(L"headview.ini", path_);
    char text[kSettingTextSize];
    ASSERT_TRUE(ReadSettingText(path_, "headviewing_offset", text));
    EXPECT_STREQ(text, "0.5\xD0\xB6 \xE6\xB8\xB8");
}

TEST_F(ReadSettingTest, PathResolvesAgainstTheWorkingFolder)
{
    Write("headviewing=1\r\n");
    wchar_t workingFolder[MAX_PATH], program[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, workingFolder), 0u);
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    const std::wstring programFolder(program, wcsrchr(program, L'\\'));
    ASSERT_NE(programFolder, workingFolder) << "the test runs from a folder other than the program's";
    ResolveSettingsPath();  // the plugin's own resolution
    EXPECT_EQ(std::wstring(g_settingsPath), std::wstring(workingFolder) + L"\\headview.ini");
}

TEST_F(ReadSettingTest, WhereEachValueCameFrom)
{
    constexpr uint8_t F = kOriginFile, B = kOriginFallback, A = kOriginAbsent;
    const struct {
        const char* what;
        const char* lines;
        std::vector<int> origins;  // by SettingKey
        bool allRead;
    } rows[] = {
        {"all six",
         "headviewing=1\r\nheadviewing_test=0\r\nheadviewing_multiplier=39\r\nheadviewing_offset=0.5\r\n"
         "headviewing_source=1\r\nheadviewing_status=1\r\n",
         {F, F, F, F, F, F},
         true},
        {"the two later keys left out",
         "headviewing=1\r\nheadviewing_test=0\r\nheadviewing_multiplier=39\r\n"
         "headviewing_offset=0.5\r\n",
         {F, F, F, F, A, A},
         true},
        {"none", "", {B, B, B, B, A, A}, false},
        {"each unreadable",
         "headviewing=on\r\nheadviewing_test=x\r\nheadviewing_multiplier=3 9\r\n"
         "headviewing_offset=.5.\r\nheadviewing_source=\r\nheadviewing_status=yes\r\n",
         {B, B, B, B, B, B},
         false},
        {"only the status unreadable",
         "headviewing=1\r\nheadviewing_test=0\r\nheadviewing_multiplier=39\r\n"
         "headviewing_offset=0\r\nheadviewing_status=1 ;on\r\n",
         {F, F, F, F, A, B},
         false},
    };
    for (const auto& row : rows) {
        Write(row.lines);
        Settings settings = {};
        uint8_t origins[kSettingKeyCount];
        memset(origins, 0xEE, sizeof origins);
        EXPECT_EQ(ReadAllSettingsNoting(path_, &settings, origins), row.allRead) << row.what;
        EXPECT_EQ(std::vector<int>(origins, origins + kSettingKeyCount), row.origins) << row.what;
        EXPECT_EQ(ReadAllSettings(path_, &settings), row.allRead) << row.what;
    }
}

TEST_F(ReadSettingTest, AnOptionalKeyAbsentPresentOrUnreadable)
{
    const struct {
        const char* line;
        StatusOrigin origin;
        int32_t value;
    } rows[] = {
        {"headviewing_status=1\r\n", kOriginFile, 1},
        {"headviewing_status=0x10\r\n", kOriginFile, 0x10},
        {"other=1\r\n", kOriginAbsent, -7},
        {"headviewing_status=\r\n", kOriginFallback, -7},
        {"headviewing_status=on\r\n", kOriginFallback, -7},
    };
    for (const auto& row : rows) {
        Write(row.line);
        int32_t value = 99;
        EXPECT_EQ(ReadOptionalHexOrigin(path_, "headviewing_status", -7, &value), row.origin) << row.line;
        EXPECT_EQ(value, row.value) << row.line;
    }
}
