// Setting a value in headview.ini as players' editors save it: each edit
// either reads back through the plugin's own reader as intended, with every
// other key as before, in a file Windows reads, or is refused with the file
// left byte for byte.
#include "probe/ini_file.h"
#include "probe/ini_text.h"
#include "settings/utf8.h"
#include "settings/settings.h"
#include "tests/support/files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <string>

namespace {

enum class Encoding { kAnsi, kUtf8, kUtf8WithMark, kUtf16LittleEndian, kUtf16BigEndian };

const struct {
    const char* name;
    Encoding encoding;
} kEncodings[] = {{"ANSI", Encoding::kAnsi},
                  {"UTF-8", Encoding::kUtf8},
                  {"UTF-8 with BOM", Encoding::kUtf8WithMark},
                  {"UTF-16 LE with BOM", Encoding::kUtf16LittleEndian},
                  {"UTF-16 BE with BOM", Encoding::kUtf16BigEndian}};

// `text`, ASCII but for \xE9 (e acute), with LF or CR LF line ends, in
// `encoding` as an editor saves it.
std::string Saved(const std::string& text, Encoding encoding, bool crLf)
{
    std::string bytes = encoding == Encoding::kUtf8WithMark ? "\xEF\xBB\xBF" : "";
    bytes += encoding == Encoding::kUtf16LittleEndian ? "\xFF\xFE" : "";
    bytes += encoding == Encoding::kUtf16BigEndian ? "\xFE\xFF" : "";
    for (const char c : text) {
        const std::string character = crLf && c == '\n' ? "\r\n" : std::string(1, c);
        for (const char unit : character) {
            if (encoding == Encoding::kUtf16LittleEndian) {
                bytes += {unit, '\0'};
            } else if (encoding == Encoding::kUtf16BigEndian) {
                bytes += {'\0', unit};
            } else if (unit == '\xE9' && encoding != Encoding::kAnsi) {
                bytes += "\xC3\xA9";
            } else {
                bytes += unit;
            }
        }
    }
    return bytes;
}

struct Variant {
    const char* what;
    const char* text;
    bool edited;               // else refused
    bool markRefused = false;  // refused with a UTF-8 mark: Windows needs it gone, and the text is not ASCII
};

const Variant kVariants[] = {
    {"key present", "; r\xE9glages\n[Settings]\nheadviewing=1\nheadviewing_offset=0.5\nheadviewing_multiplier=27\n",
     true},
    {"key absent", "; r\xE9glages\n[Settings]\nheadviewing=1\nheadviewing_multiplier=27\n\n[Other]\nx=1\n", true},
    {"key twice", "[Settings]\nheadviewing_offset=0.5\nheadviewing=1\nheadviewing_offset=0.7\n", true},
    {"key alone without =, then with", "[Settings]\nheadviewing_offset\nheadviewing=1\nheadviewing_offset=0.5\n", true},
    {"comment holding ] in the header", "[Settings] ; mine [v2]\nheadviewing=1\nheadviewing_offset=0.5\n", false},
    {"comment on the value's line", "[Settings]\nheadviewing_offset=0.5 ; centred\nheadviewing=2\n", true},
    {"[Settings] first, a letter beyond ASCII", "[Settings]\nheadviewing_offset=0.5\n; r\xE9glages\n", true, true},
};

// How an edit saves a file of `encoding` holding `text`: as it was, or
// converted where Windows could not read it.
Encoding SavedAs(Encoding encoding, const std::string& text)
{
    if (encoding == Encoding::kUtf16BigEndian) {
        return Encoding::kUtf16LittleEndian;
    }
    return encoding == Encoding::kUtf8WithMark && text[0] == '[' ? Encoding::kUtf8 : encoding;
}

constexpr const char* kValue = "-0.3";

std::string FullPath(const char* name)
{
    char path[MAX_PATH];
    GetFullPathNameA(name, MAX_PATH, path, nullptr);
    return path;
}

// Each key's text as the plugin's reader returns it, "(absent)" when absent.
std::vector<std::string> KeyTexts(const std::string& path)
{
    std::vector<std::string> texts;
    for (const char* const key : kSettingKeys) {
        char text[kSettingTextSize];
        texts.push_back(ReadSettingText(WideFromUtf8(path).c_str(), key, text) ? text : "(absent)");
    }
    return texts;
}

class IniFileTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryA(path_.c_str());
        DeleteFileA(path_.c_str());
    }

    // Sets the offset in `bytes` saved as the file; checks that the result
    // is either the edit read back as intended or a refusal with the bytes
    // unchanged. Returns whether it was written.
    bool WriteAndCheck(const std::string& bytes, const std::string& what)
    {
        WriteFileBytes(path_, bytes);
        const std::vector<std::string> before = KeyTexts(path_);
        std::string error, converted;
        EXPECT_TRUE(CheckIniWritable(GatherIniFacts(path_), &error)) << what << ": " << error;
        const bool editable = CheckIniEditable(path_, kOffsetKey, "0.0", &error);
        EXPECT_EQ(ReadFileBytes(path_), bytes) << what << ": the check changes nothing";
        error.clear();
        const bool written = WriteIniValue(path_, kOffsetKey, kValue, &converted, &error);
        EXPECT_EQ(editable, written) << what << ": the check before the holds foretells the write";
        EXPECT_EQ(GetFileAttributesA((path_ + ".probe-new").c_str()), INVALID_FILE_ATTRIBUTES)
            << what << ": no temporary file is left";
        std::vector<std::string> expected = before;
        if (written) {
            expected[kOffsetKey] = kValue;
        } else {
            EXPECT_EQ(ReadFileBytes(path_), bytes) << what << ": refused (" << error << "), byte for byte as it was";
            EXPECT_FALSE(error.empty()) << what;
        }
        EXPECT_EQ(KeyTexts(path_), expected) << what;
        return written;
    }

    const std::string path_ = FullPath("probe-edit.ini");
};

}  // namespace

TEST_F(IniFileTest, EachEncodingAndLineEndIsEditedInPlaceOrRefusedUntouched)
{
    for (const auto& encoding : kEncodings) {
        for (const bool crLf : {false, true}) {
            for (const Variant& v : kVariants) {
                const std::string what = std::string(encoding.name) + (crLf ? ", CR LF, " : ", LF, ") + v.what;
                const Encoding saved = SavedAs(encoding.encoding, v.text);
                const bool edited = v.edited && !(v.markRefused && encoding.encoding == Encoding::kUtf8WithMark);
                EXPECT_EQ(WriteAndCheck(Saved(v.text, encoding.encoding, crLf), what), edited) << what;
                if (edited) {
                    // In the file's own line ends, every other byte kept, in its encoding or one Windows reads.
                    const std::string text = SetIniValue(v.text, "headviewing_offset", kValue);
                    EXPECT_EQ(ReadFileBytes(path_), Saved(text, saved, crLf)) << what;
                    std::string view, header;
                    EXPECT_EQ(ReadAsWindows(ReadFileBytes(path_), IniEncoding::kEightBit, &view, &header),
                              WindowsReading::kSame)
                        << what;
                }
            }
        }
    }
}

TEST_F(IniFileTest, WhatCannotBeWrittenBackExactlyIsRefused)
{
    const std::string ini = Saved("[Settings]\nheadviewing_offset=0.5\n", Encoding::kUtf16LittleEndian, true);
    EXPECT_FALSE(WriteAndCheck(ini + "x", "UTF-16 of odd length"));
    EXPECT_FALSE(WriteAndCheck(ini + std::string("\x00\xD8", 2), "UTF-16 with an unpaired surrogate"));

    WriteFileBytes(path_, "[Settings]\nheadviewing_offset=0.5\n");
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY);
    std::string error;
    EXPECT_FALSE(CheckIniWritable(GatherIniFacts(path_), &error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);

    DeleteFileA(path_.c_str());
    ASSERT_TRUE(CreateDirectoryA(path_.c_str(), nullptr));
    EXPECT_FALSE(CheckIniWritable(GatherIniFacts(path_), &error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
}

TEST(ReadsAsEdited, TheEditedKeyAsWrittenEveryOtherAsBefore)
{
    SettingTexts was = {};
    for (int k = 0; k < kSettingKeyCount; ++k) {
        was.present[k] = true;
        snprintf(was.text[k], kSettingTextSize, "%d", k);
    }
    const struct {
        const char* what;
        int key;           // -1: none
        const char* text;  // what that key reads as; null: absent
        bool reads;
    } rows[] = {
        {"as planned", kOffsetKey, "-0.3", true},
        {"the edit not read", kOffsetKey, nullptr, false},
        {"the edit read otherwise", kOffsetKey, "-0.", false},
        {"another key changed", kTestKey, "7", false},
        {"another key gone", kSourceKey, nullptr, false},
    };
    for (const auto& row : rows) {
        SettingTexts is = was;
        snprintf(is.text[kOffsetKey], kSettingTextSize, "-0.3");
        is.present[row.key] = row.text != nullptr;
        snprintf(is.text[row.key], kSettingTextSize, "%s", row.text != nullptr ? row.text : "");
        std::string error;
        EXPECT_EQ(ReadsAsEdited(was, is, kOffsetKey, "-0.3", &error), row.reads) << row.what << ": " << error;
    }
}

namespace {

struct EditCase {
    const char* what;
    const char* before;
    const char* after;  // with headviewing_offset set to -0.12
};

const EditCase kEdits[] = {
    {"LF", "[Settings]\nheadviewing=1\nheadviewing_offset=0.0\nheadviewing_test=0\n",
     "[Settings]\nheadviewing=1\nheadviewing_offset=-0.12\nheadviewing_test=0\n"},
    {"CR LF", "[Settings]\r\nheadviewing_offset=0.0\r\nheadviewing=1\r\n",
     "[Settings]\r\nheadviewing_offset=-0.12\r\nheadviewing=1\r\n"},
    {"byte-order mark", "\xEF\xBB\xBF[Settings]\r\nheadviewing_offset=1\r\n",
     "\xEF\xBB\xBF[Settings]\r\nheadviewing_offset=-0.12\r\n"},
    {"blanks around = and a trailing comment-like value", "[Settings]\nheadviewing_offset  =  0.5 ; old\n",
     "[Settings]\nheadviewing_offset  =  -0.12\n"},
    {"mixed-case key and section, first occurrence", "[SETTINGS]\nHeadViewing_Offset=1\nheadviewing_offset=2\n",
     "[SETTINGS]\nHeadViewing_Offset=-0.12\nheadviewing_offset=2\n"},
    {"other sections and comments",
     "; top\n[Other]\nheadviewing_offset=9\n\n[Settings]\n; the offset\nheadviewing_offset=0\n\n[More]\nx=1\n",
     "; top\n[Other]\nheadviewing_offset=9\n\n[Settings]\n; the offset\nheadviewing_offset=-0.12\n\n[More]\nx=1\n"},
    {"a commented-out key is not the key", "[Settings]\n;headviewing_offset=1\n",
     "[Settings]\n;headviewing_offset=1\nheadviewing_offset=-0.12\n"},
    {"key absent: end of the section, before its blank lines", "[Settings]\r\nheadviewing=1\r\n\r\n[Other]\r\nx=1\r\n",
     "[Settings]\r\nheadviewing=1\r\nheadviewing_offset=-0.12\r\n\r\n[Other]\r\nx=1\r\n"},
    {"key absent, section last and unterminated", "[Settings]\nheadviewing=1",
     "[Settings]\nheadviewing=1\nheadviewing_offset=-0.12\n"},
    {"section absent", "[Other]\r\nx=1\r\n", "[Other]\r\nx=1\r\n[Settings]\r\nheadviewing_offset=-0.12\r\n"},
    {"section absent, unterminated", "; notes", "; notes\n[Settings]\nheadviewing_offset=-0.12\n"},
    {"empty file", "", "[Settings]\nheadviewing_offset=-0.12\n"},
    {"the key alone, without =", "[Settings]\r\nheadviewing_offset  \r\nheadviewing_offset=2\r\n",
     "[Settings]\r\nheadviewing_offset=-0.12\r\nheadviewing_offset=2\r\n"},
    {"value on the last line without a line end", "[Settings]\nheadviewing_offset=3",
     "[Settings]\nheadviewing_offset=-0.12"},
};

}  // namespace

TEST(SetIniValue, ChangesOnlyTheOneValue)
{
    for (const EditCase& c : kEdits) {
        EXPECT_EQ(SetIniValue(c.before, "headviewing_offset", "-0.12"), c.after) << c.what;
    }
}

TEST(ValueText, WrittenSoTheReaderReadsThemBack)
{
    const struct {
        double offset;
        const char* text;  // null: refused
    } offsets[] = {{-0.42, "-0.42"},        {0.3, "0.3"},    {12.0, "12.0"},     {-0.00004, "0.0"},
                   {123.45678, "123.4568"}, {1e30, nullptr}, {INFINITY, nullptr}};
    for (const auto& row : offsets) {
        std::string text;
        EXPECT_EQ(OffsetValueText(row.offset, &text), row.text != nullptr) << row.offset;
        EXPECT_EQ(text, row.text != nullptr ? row.text : text) << row.offset;
    }
    const struct {
        int32_t value;
        const char* text;
    } gains[] = {{0x39, "39"}, {-180, "-B4"}, {INT32_MIN, "-80000000"}, {INT32_MAX, "7FFFFFFF"}};
    for (const auto& row : gains) {
        int32_t back = 0;
        EXPECT_EQ(HexValueText(row.value), row.text);
        EXPECT_TRUE(ConvertHexSettingText(row.text, strlen(row.text), &back) && back == row.value) << row.text;
    }
}
