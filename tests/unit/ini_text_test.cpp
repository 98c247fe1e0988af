// Changing one value in the text of headview.ini: every other byte stays.
#include "probe/ini_text.h"

#include <gtest/gtest.h>

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
    {"mixed-case key and section, first occurrence",
     "[SETTINGS]\nHeadViewing_Offset=1\nheadviewing_offset=2\n",
     "[SETTINGS]\nHeadViewing_Offset=-0.12\nheadviewing_offset=2\n"},
    {"other sections and comments",
     "; top\n[Other]\nheadviewing_offset=9\n\n[Settings]\n; the offset\nheadviewing_offset=0\n\n[More]\nx=1\n",
     "; top\n[Other]\nheadviewing_offset=9\n\n[Settings]\n; the offset\nheadviewing_offset=-0.12\n\n[More]\nx=1\n"},
    {"a commented-out key is not the key", "[Settings]\n;headviewing_offset=1\n",
     "[Settings]\n;headviewing_offset=1\nheadviewing_offset=-0.12\n"},
    {"key absent: end of the section, before its blank lines",
     "[Settings]\r\nheadviewing=1\r\n\r\n[Other]\r\nx=1\r\n",
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
