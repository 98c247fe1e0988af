// headview.log: format, appending, flushing and a log that cannot be opened.
#include "tests/support/game_fixture.h"
#include "tests/support/processes.h"

#include <windows.h>

#include <filesystem>
#include <regex>

namespace {

const char* const kFirstFrameMessages[] = {
    "headview: (Error) could not find ini file!",
    "FTCreateMapping request.",
    "FTCreateMapping: Mapping opened.",
};

// "[DD.MM.YYYY HH:MM:SS.mmm] message" CR LF, with its parts.
const std::regex kLine(R"(\[(\d\d)\.(\d\d)\.(\d{4}) (\d\d):(\d\d):(\d\d)\.(\d{3})\] ([^\r\n]*)\r\n)");

// The matches point into `text`, which must outlive them: no temporary.
std::vector<std::smatch> SplitLines(const std::string& text)
{
    std::vector<std::smatch> lines;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kLine); it != std::sregex_iterator(); ++it) {
        lines.push_back(*it);
    }
    return lines;
}
std::vector<std::smatch> SplitLines(std::string&&) = delete;

// Milliseconds since 1601 of a timestamp's parts.
int64_t ToMilliseconds(const std::smatch& line)
{
    SYSTEMTIME time = {};
    time.wDay = static_cast<WORD>(std::stoi(line[1]));
    time.wMonth = static_cast<WORD>(std::stoi(line[2]));
    time.wYear = static_cast<WORD>(std::stoi(line[3]));
    time.wHour = static_cast<WORD>(std::stoi(line[4]));
    time.wMinute = static_cast<WORD>(std::stoi(line[5]));
    time.wSecond = static_cast<WORD>(std::stoi(line[6]));
    time.wMilliseconds = static_cast<WORD>(std::stoi(line[7]));
    FILETIME file;
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file)) << line.str();
    return static_cast<int64_t>((uint64_t{file.dwHighDateTime} << 32 | file.dwLowDateTime) / 10000);
}

int64_t NowMilliseconds()
{
    FILETIME file;
    GetSystemTimeAsFileTime(&file);
    return static_cast<int64_t>((uint64_t{file.dwHighDateTime} << 32 | file.dwLowDateTime) / 10000);
}

}  // namespace

TEST_F(GameTest, LogLinesAreTimestampedInUtcAndEndWithCrLf)
{
    StartPlugin();
    EXPECT_TRUE(std::filesystem::exists(GamePath("headview.log"))) << "opened at load, in the working folder";
    const int64_t before = NowMilliseconds();
    RunFrame();
    const int64_t after = NowMilliseconds();

    const std::string text = ReadFileBytes(GamePath("headview.log"));
    const std::vector<std::smatch> lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 3u) << text;
    size_t covered = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i][8].str(), kFirstFrameMessages[i]);
        EXPECT_GE(ToMilliseconds(lines[i]), before - 1000);
        EXPECT_LE(ToMilliseconds(lines[i]), after + 1000);
        covered += lines[i].length();
    }
    EXPECT_EQ(covered, text.size()) << "nothing but well-formed lines: " << text;

    // Other processes may write the file while the plugin has it open.
    HANDLE other = CreateFileA(GamePath("headview.log").c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);
}

TEST_F(GameTest, LogAppendsToAnExistingFile)
{
    const std::string earlier = "[01.02.2025 03:04:05.006] an earlier run\r\nsome text without an end";
    WriteFileBytes(GamePath("headview.log"), earlier);
    StartPlugin();
    RunFrames(3);
    const std::string text = ReadFileBytes(GamePath("headview.log"));
    ASSERT_EQ(text.compare(0, earlier.size(), earlier), 0) << text;
    const std::string added = text.substr(earlier.size());
    EXPECT_EQ(SplitLines(added).size(), 3u) << text;
}

TEST_F(GameTest, LogLineSurvivesTheProcessKilledRightAfterIt)
{
    const std::string folder = gameDir_.substr(0, gameDir_.size() - 1);  // a trailing \ would escape the quote
    HANDLE game = StartProgram("headview-game.exe", "--quiet --frames 5 --kill-after 1 --game-dir \"" + folder + "\"");
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(WaitForExit(game, 20000), 9u) << "the game ends by TerminateProcess right after frame 1";
    CloseHandle(game);
    const std::string text = ReadFileBytes(GamePath("headview.log"));
    const std::vector<std::smatch> lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 3u) << text;
    EXPECT_EQ(lines[2][8].str(), "FTCreateMapping: Mapping opened.");
}

TEST_F(GameTest, UnopenableLogLeavesThePluginRunningAndSilent)
{
    ASSERT_TRUE(std::filesystem::create_directory(GamePath("headview.log")));
    StartPlugin();
    for (int frame = 0; frame < 50; ++frame) {
        ASSERT_EQ(RunFrame().size(), 3u);
    }
    EXPECT_TRUE(std::filesystem::is_empty(GamePath("headview.log")));
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(gameDir_)) {
        ++entries;
        EXPECT_EQ(entry.path().filename().string(), "headview.log");
    }
    EXPECT_EQ(entries, 1u) << "nothing written anywhere else";
}
