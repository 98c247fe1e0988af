// Changing one value of headview.ini: the bytes an edit gives, written by
// hand, and the replacement on real files: attributes kept, a file that is
// read-only, locked or would not read back as planned left as it was.
#include "probe/edit.h"
#include "settings/utf8.h"
#include "tests/support/files.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(WithValue, OneValueChangedEveryOtherByteKept)
{
    const struct {
        const char* what;
        std::string before, after;
    } rows[] = {
        {"the value", "[Settings]\r\nheadviewing_offset=0.05\r\n", "[Settings]\r\nheadviewing_offset=-0.42\r\n"},
        {"a key in other letters, blanks and a comment", "[settings]\r\nHeadViewing_Offset = 0.05 ; c\r\nx=1",
         "[settings]\r\nHeadViewing_Offset = -0.42\r\nx=1"},
        {"a missing key, at the end of its section", "[Settings]\r\nheadviewing=1\r\n\r\n[Other]\r\nx=1\r\n",
         "[Settings]\r\nheadviewing=1\r\nheadviewing_offset=-0.42\r\n\r\n[Other]\r\nx=1\r\n"},
        {"a last line without its end", "[Settings]\nheadviewing=1",
         "[Settings]\nheadviewing=1\nheadviewing_offset=-0.42\n"},
        {"a key without =", "[Settings]\nheadviewing_offset\n", "[Settings]\nheadviewing_offset=-0.42\n"},
        {"a key after a tab", "[Settings]\n\theadviewing_offset = 0\n", "[Settings]\n\theadviewing_offset = -0.42\n"},
        {"a section in the middle, no line end at the end", "[Settings]\r\nheadviewing=1\r\n[Other]\r\nx=1",
         "[Settings]\r\nheadviewing=1\r\nheadviewing_offset=-0.42\r\n[Other]\r\nx=1"},
        {"no section", "; mine", "; mine\r\n[Settings]\r\nheadviewing_offset=-0.42\r\n"},
        {"an empty file", "", "[Settings]\r\nheadviewing_offset=-0.42\r\n"},
        {"the key above and under a second [Settings] left alone",
         "headviewing_offset=1\n[Settings]\nheadviewing=1\n[Settings]\nheadviewing_offset=2\n",
         "headviewing_offset=1\n[Settings]\nheadviewing=1\nheadviewing_offset=-0.42\n[Settings]\nheadviewing_offset="
         "2\n"},
        {"a UTF-8 mark right before [Settings] gets a line end", "\xEF\xBB\xBF[Settings]\r\nheadviewing_offset=0\r\n",
         "\xEF\xBB\xBF\r\n[Settings]\r\nheadviewing_offset=-0.42\r\n"},
        {"a UTF-8 mark before a comment", "\xEF\xBB\xBF; \xC3\xA9\n[Settings]\nheadviewing_offset=0\n",
         "\xEF\xBB\xBF; \xC3\xA9\n[Settings]\nheadviewing_offset=-0.42\n"},
        {"UTF-16, a letter beyond 16 bits and an odd last byte kept",
         Utf16Le("; ") + "\x3C\xD8\xAE\xDF" + Utf16Le("\r\n[Settings]\r\nheadviewing_offset=0\r\n").substr(2) + "!",
         Utf16Le("; ") + "\x3C\xD8\xAE\xDF" + Utf16Le("\r\n[Settings]\r\nheadviewing_offset=-0.42\r\n").substr(2) +
             "!"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(EncodeIni(WithValue(DecodeIni(row.before), kOffsetKey, "-0.42")), row.after) << row.what;
    }
}

class WriteIniValueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileW(temporary_.c_str());
        WriteFileBytes("headview.ini", before_);
    }
    void TearDown() override
    {
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path_.c_str());
    }
    // False with the file as it was and no temporary file left.
    void ExpectRefusedUntouched(const std::string& value)
    {
        bool leftover = false;
        std::string error;
        EXPECT_FALSE(WriteIniValue(path_, kOffsetKey, value, &leftover, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadFileBytes("headview.ini"), before_) << error;
        EXPECT_EQ(GetFileAttributesW(temporary_.c_str()), INVALID_FILE_ATTRIBUTES) << error;
    }

    const std::string before_ = "; mine\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_offset=0.05\r\n";
    const std::wstring path_ = [] {
        wchar_t path[MAX_PATH];
        GetFullPathNameW(L"headview.ini", MAX_PATH, path, nullptr);
        return std::wstring(path);
    }();
    const std::wstring temporary_ = path_ + L".probe-new";
};

TEST_F(WriteIniValueTest, TheValueReadsBackTheAttributesStayALeftoverGoes)
{
    WriteFileBytes("headview.ini.probe-new", "left by a probe that was stopped");
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    bool leftover = false;
    std::string error;
    ASSERT_TRUE(WriteIniValue(path_, kOffsetKey, "-0.42", &leftover, &error)) << error;
    EXPECT_TRUE(leftover);
    EXPECT_EQ(ReadFileBytes("headview.ini"), "; mine\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_offset=-0.42\r\n");
    EXPECT_EQ(GetFileAttributesW(path_.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesW(temporary_.c_str()), INVALID_FILE_ATTRIBUTES);
    Settings read = {};
    ReadAllSettings(path_.c_str(), &read);
    EXPECT_EQ(read.offset, -0.42f);
}

TEST_F(WriteIniValueTest, ReadOnlyLockedOrNotReadingAsPlannedIsLeftAsItWas)
{
    IniFacts ini = {};
    ini.exists = ini.readOnly = true;
    EXPECT_NE(WhyNotEditable(ini).find("untick Read-only"), std::string::npos);
    ini.readOnly = false;
    EXPECT_EQ(WhyNotEditable(ini), "");
    ini.oddHeader = "[Settings] ; mine [v2]";
    EXPECT_NE(WhyNotEditable(ini).find("otherwise"), std::string::npos) << "one of the two readers would miss it";
    ini.oddHeader.clear();
    ini.encoding = kUtf16Be;
    EXPECT_NE(WhyNotEditable(ini).find("big-endian"), std::string::npos);
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY);
    ExpectRefusedUntouched("-0.42");
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Open in another program that lets others read it, not replace it.
    HANDLE lock = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ExpectRefusedUntouched("-0.42");
    CloseHandle(lock);
    ExpectRefusedUntouched("-0.42 ");  // the reader drops the blank: not read as written
}
