// The game's folder as players name it: letters beyond the system's ANSI
// code page, and paths up to the platform's limit. headview.ini is found
// and read there, and headview.log written there.
#include "settings/utf8.h"
#include "tests/support/game_fixture.h"
#include "tests/support/processes.h"

#include <windows.h>

#include <math.h>

#include <string>

namespace {

const char* const kNoIni = "headview: (Error) could not find ini file!";
// "Игра 游戏": Cyrillic and Han, neither in code page 1252.
const std::string kUnicodeName = "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 \xE6\xB8\xB8\xE6\x88\x8F";
const std::string kZhe = "\xD0\xB6";  // ж, one UTF-16 unit

class GameFolderTest : public GameTest {
protected:
    // The test's folder, named in letters beyond the code page.
    void UseUnicodeFolder()
    {
        const std::string own = gameDir_.substr(0, gameDir_.size() - 1);
        UseGameFolder(own + " " + kUnicodeName + "\\");
    }

    // A folder below the game folder whose headview.ini has a full path of
    // exactly `length` UTF-16 units; returned with a trailing backslash.
    std::string FolderForIniPathOf(size_t length)
    {
        std::string folder = gameDir_ + std::to_string(length);
        size_t units = WideFromUtf8(folder).size();
        const size_t wanted = length - (sizeof "\\headview.ini" - 1);
        EXPECT_TRUE(CreateDirectoryW(WideFromUtf8(folder).c_str(), nullptr)) << folder;
        while (units < wanted) {
            // A component of at most 100 letters, never leaving room for an empty one.
            const size_t room = wanted - units - 1;
            const size_t letters = room <= 100 ? room : room == 101 ? 99 : 100;
            folder += "\\";
            for (size_t i = 0; i < letters; ++i) {
                folder += kZhe;
            }
            units += letters + 1;
            EXPECT_TRUE(CreateDirectoryW(WideFromUtf8(folder).c_str(), nullptr)) << folder;
        }
        EXPECT_EQ(WideFromUtf8(folder + "\\headview.ini").size(), length) << "the game folder is too long";
        return folder + "\\";
    }
};

}  // namespace

TEST_F(GameFolderTest, TheShippedFileIsReadAndTheLogWrittenInAFolderNamedBeyondTheCodePage)
{
    UseUnicodeFolder();
    WriteIni(ReadFileBytes(ProgramDir() + "headview-example.ini"));  // the processed yaw, gain 0x39
    tracker_ = StartTracker("--style opentrack-noraw --jitter 0 --pose 1:0.25");
    ASSERT_NE(tracker_, nullptr);
    StartPlugin();
    for (int frame = 0; frame < 5; ++frame) {
        EXPECT_EQ(FrameHeading(), 0.25f * 0x39) << "frame " << frame;
    }
    EXPECT_EQ(CountLogMessages(kNoIni), 0u);
    const std::vector<std::string> log = LogMessages();
    ASSERT_EQ(log.size(), 3u) << "headview.log in " << gameDir_;
    EXPECT_EQ(log[0], "FTCreateMapping request.");
}

TEST_F(GameFolderTest, AnEditInAFolderNamedBeyondTheCodePageCountsOnTheNextFrame)
{
    UseUnicodeFolder();
    WriteIni(IniText({"1", "1", "2"}));
    StartPlugin();
    RunFrame();
    PublishPose(1, 0.5f);
    EXPECT_EQ(FrameHeading(), 0.5f * 2);
    WriteIni(IniText({"1", "1", "4", "0.25"}));
    EXPECT_EQ(FrameHeading(), (0.25f + 0.5f) * 4);
    EXPECT_EQ(CountLogMessages(kNoIni), 0u);
}

// The plugin resolves headview.ini against the working folder on every frame
// while headviewing_test=1: each row moves the game into a folder whose
// headview.ini has a full path of that many characters.
TEST_F(GameFolderTest, IniPathsUpTo259)
{
    WriteIni(IniText({"1", "1", "1"}));
    StartPlugin();
    RunFrame();
    PublishPose(1, 0.5f);
    const struct {
        size_t length;
        bool found;
    } rows[] = {{258, true}, {259, true}, {260, false}, {271, false}};
    for (const auto& row : rows) {
        ASSERT_TRUE(SetCurrentDirectoryW(WideFromUtf8(gameDir_).c_str()));
        ASSERT_EQ(FrameHeading(), 0.5f) << "back in the game folder: gain 1";
        const std::string folder = FolderForIniPathOf(row.length);
        WriteFileBytes(folder + "headview.ini", IniText({"1", "1", "3"}));
        ASSERT_TRUE(SetCurrentDirectoryW(WideFromUtf8(folder).c_str())) << row.length;
        const size_t missed = CountLogMessages(kNoIni);
        EXPECT_EQ(FrameHeading(), row.found ? 0.5f * 3 : 0.5f) << row.length;
        EXPECT_EQ(CountLogMessages(kNoIni) - missed, row.found ? 0u : 1u) << row.length;
    }
}
