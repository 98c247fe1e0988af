// Writing headview.ini: the bytes one value gives, written by hand, and the
// one write path on real files: attributes kept, the old file kept as
// headview.ini.bak, a path past 260 with the probe's longer names, and a file
// that is read-only, locked or would not read back as planned left as it was.
#include "probe/edit.h"
#include "settings/utf8.h"
#include "tests/support/files.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(WithValue, OneValueSetEveryOtherByteKept)
{
    const struct {
        const char* what;
        std::string before, after;
    } rows[] = {
        {"the value", "[Settings]\r\nheadviewing_offset=0.05\r\n", "[Settings]\r\nheadviewing_offset=-0.42\r\n"},
        {"a key in other letters, blanks, a comment put above", "[settings]\r\n  HeadViewing_Offset = 0.05 ; c\r\nx=1",
         "[settings]\r\n; c\r\n  HeadViewing_Offset = -0.42\r\nx=1"},
        {"a missing key, at the end of its section", "[Settings]\r\nheadviewing=1\r\n\r\n[Other]\r\nx=1\r\n",
         "[Settings]\r\nheadviewing=1\r\nheadviewing_offset=-0.42\r\n\r\n[Other]\r\nx=1\r\n"},
        {"a last line without its end", "[Settings]\nheadviewing=1",
         "[Settings]\nheadviewing=1\nheadviewing_offset=-0.42\n"},
        {"a key without =", "[Settings]\nheadviewing_offset\n", "[Settings]\nheadviewing_offset=-0.42\n"},
        {"a commented-out line is not the key's", "[Settings]\n;headviewing_offset=1\n",
         "[Settings]\n;headviewing_offset=1\nheadviewing_offset=-0.42\n"},
        {"no section", "; mine", "; mine\r\n[Settings]\r\nheadviewing_offset=-0.42\r\n"},
        {"an empty file", "", "[Settings]\r\nheadviewing_offset=-0.42\r\n"},
        {"the key above and under a second [Settings] left alone",
         "headviewing_offset=1\n[Settings]\nheadviewing=1\n[Settings]\nheadviewing_offset=2\n",
         "headviewing_offset=1\n[Settings]\nheadviewing=1\nheadviewing_offset=-0.42\n[Settings]\nheadviewing_offset="
         "2\n"},
        {"a UTF-8 mark right before [Settings] left as it is", "\xEF\xBB\xBF[Settings]\r\nheadviewing_offset=0\r\n",
         "\xEF\xBB\xBF[Settings]\r\nheadviewing_offset=-0.42\r\n"},
        {"UTF-16, a letter beyond 16 bits and an odd last byte kept",
         Utf16Le("; ") + "\x3C\xD8\xAE\xDF" + Utf16Le("\r\n[Settings]\r\nheadviewing_offset=0\r\n").substr(2) + "!",
         Utf16Le("; ") + "\x3C\xD8\xAE\xDF" + Utf16Le("\r\n[Settings]\r\nheadviewing_offset=-0.42\r\n").substr(2) +
             "!"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(EncodeIni(WithValue(DecodeIni(row.before), kOffsetKey, "-0.42")), row.after) << row.what;
    }
}

class WriteIniTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryW(folder_.c_str(), nullptr);
        DeleteFileW((path_ + L".bak").c_str());
        WriteFileBytes(Utf8FromWide(path_), kBefore);
    }
    void TearDown() override { SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL); }
    // The offset set to `value` as the file is now; true when written.
    bool Write(const std::string& value, std::string* error)
    {
        const IniFacts ini = GatherIniFacts(path_);
        Planned planned = {};
        planned.sets[kOffsetKey] = true;
        planned.values[kOffsetKey] = value;
        return WriteIni(ini, WithValue(DecodeIni(ini.bytes), kOffsetKey, value), planned, error);
    }
    void ExpectRefusedUntouched(const std::string& value)
    {
        std::string error;
        EXPECT_FALSE(Write(value, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadFileBytes(Utf8FromWide(path_)), kBefore) << error;
        EXPECT_EQ(GetFileAttributesW((path_ + L".probe-new").c_str()), INVALID_FILE_ATTRIBUTES) << error;
    }

    const std::string kBefore = "; mine\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_offset=0.05\r\n";
    const std::string kAfter = "; mine\r\n[Settings]\r\nheadviewing=1\r\nheadviewing_offset=-0.42\r\n";
    std::wstring folder_ = [] {
        wchar_t path[MAX_PATH];
        GetFullPathNameW(L"edit\\", MAX_PATH, path, nullptr);
        return std::wstring(path);
    }();
    std::wstring path_ = folder_ + L"headview.ini";
};

TEST_F(WriteIniTest, TheValueReadsBackTheAttributesStayTheOldFileIsKept)
{
    WriteFileBytes(Utf8FromWide(path_ + L".probe-new"), "left by a probe that was stopped");
    WriteFileBytes(Utf8FromWide(path_ + L".bak"), "the copy of a change before");
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    std::string error;
    ASSERT_TRUE(Write("-0.42", &error)) << error;
    EXPECT_EQ(ReadFileBytes(Utf8FromWide(path_)), kAfter);
    EXPECT_EQ(ReadFileBytes(Utf8FromWide(path_ + L".bak")), kBefore) << "one copy: the last change's";
    EXPECT_EQ(GetFileAttributesW(path_.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesW((path_ + L".probe-new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WriteIniTest, ReadOnlyLockedGoneOrNotReadingAsPlannedIsLeftAsItWas)
{
    IniFacts ini = {};
    ini.exists = ini.readOnly = true;
    EXPECT_NE(WhyNotEditable(ini), "");
    ini.readOnly = false;
    EXPECT_EQ(WhyNotEditable(ini), "");
    ini.oddHeader = "[Settings] ; mine [v2]";
    EXPECT_NE(WhyNotEditable(ini), "") << "one of the two readers would miss it";
    ini.oddHeader.clear();
    ini.controls = true;
    EXPECT_NE(WhyNotEditable(ini), "") << "control characters, which the two readers take apart";
    ini.controls = false;
    ini.encoding = kUtf16Be;
    EXPECT_NE(WhyNotEditable(ini), "");
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY);
    ExpectRefusedUntouched("-0.42");
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Open in another program that lets others read it, not replace it: the .bak there was stays.
    WriteFileBytes(Utf8FromWide(path_ + L".bak"), "the copy of a change before");
    HANDLE lock = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ExpectRefusedUntouched("-0.42");
    EXPECT_EQ(OnDisk(GatherIniFacts(path_)), "headview.ini is as it was.");
    CloseHandle(lock);
    EXPECT_EQ(ReadFileBytes(Utf8FromWide(path_ + L".bak")), "the copy of a change before");
    EXPECT_EQ(GetFileAttributesW((path_ + L".probe-old").c_str()), INVALID_FILE_ATTRIBUTES);
    ExpectRefusedUntouched("-0.42 ");  // the reader drops the blank: not read as written
    // A text that reveals keys may not change one the file already had.
    {
        const IniFacts ini = GatherIniFacts(path_);
        Planned planned = {};
        planned.reveals = true;
        std::string error;
        EXPECT_FALSE(WriteIni(ini, WithValue(DecodeIni(ini.bytes), kEnabledKey, "0"), planned, &error));
        EXPECT_EQ(ReadFileBytes(Utf8FromWide(path_)), kBefore) << error;
    }
    // Deleted between the report and the change: nothing written, nothing left, and said so.
    const IniFacts before = GatherIniFacts(path_);
    DeleteFileW(path_.c_str());
    std::string error;
    Planned planned = {};
    EXPECT_FALSE(WriteIni(before, DecodeIni(kAfter), planned, &error));
    EXPECT_EQ(GetFileAttributesW(path_.c_str()), INVALID_FILE_ATTRIBUTES) << error;
    EXPECT_EQ(GetFileAttributesW((path_ + L".probe-new").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((path_ + L".probe-old").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(OnDisk(before), "There is no headview.ini now.");
    // There was none, and an empty one appeared meanwhile: not "as it was".
    const IniFacts none = GatherIniFacts(path_);
    WriteFileBytes(Utf8FromWide(path_), "");
    EXPECT_NE(OnDisk(none), OnDisk(GatherIniFacts(path_)));
    // There was none, and none now: a .probe-old of another time is not what the probe moved away.
    DeleteFileW(path_.c_str());
    const std::string nothing = OnDisk(none);
    WriteFileBytes(Utf8FromWide(path_ + L".probe-old"), "an older failure's");
    EXPECT_EQ(OnDisk(none), nothing);
    DeleteFileW((path_ + L".probe-old").c_str());
}

TEST_F(WriteIniTest, APathThatHeadviewReadsTakesTheLongerNamesBesideIt)
{
    // headview.ini on a path of 259 characters: its .probe-new and .bak pass 260.
    std::wstring deep = folder_;
    for (size_t left = 259 - 12 - deep.size(); left > 0; left = 259 - 12 - deep.size()) {
        size_t name = std::min<size_t>(40, left - 1);  // each folder is its name and a backslash
        if (left == 42) {
            name = 39;  // not 40, which would leave one for a name of none
        }
        deep += std::wstring(name, L'd') + L"\\";
        CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
    }
    folder_ = deep;
    path_ = deep + L"headview.ini";
    ASSERT_EQ(path_.size(), 259u);
    SetUp();
    std::string error;
    EXPECT_TRUE(Write("-0.42", &error)) << error;
    EXPECT_EQ(ReadFileBytes(Utf8FromWide(path_)), kAfter);
    HANDLE bak =
        CreateFileW((L"\\\\?\\" + path_ + L".bak").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(bak, INVALID_HANDLE_VALUE) << "the old file kept beside it";
    CloseHandle(bak);
}
