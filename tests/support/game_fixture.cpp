#include "tests/support/game_fixture.h"

#include "plugin/host/natives.h"
#include "settings/utf8.h"
#include "tests/support/processes.h"

#include <math.h>

#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <sstream>

namespace {

bool g_pluginStarted = false;

// Under ctest the output is a pipe, which the C runtime buffers whole: a test
// process that dies would take its last lines with it. Unbuffered, the log
// shows how far it got.
const int g_unbufferedOutput = setvbuf(stdout, nullptr, _IONBF, 0);

}  // namespace

SimWorld OnFoot(uint32_t character)
{
    return SimWorld{character, 0, 1};
}

SimWorld InVehicle(uint32_t character)
{
    return SimWorld{character, 1, 1};
}

std::vector<SimEvent> Select(const std::vector<SimEvent>& events, uint32_t kind, uint64_t hash)
{
    std::vector<SimEvent> selected;
    for (const SimEvent& e : events) {
        if (e.kind == kind && (kind == kSimScriptWait || e.hash == hash)) {
            selected.push_back(e);
        }
    }
    return selected;
}

std::vector<SimEvent> CallsOf(const std::vector<SimEvent>& events, uint64_t hash)
{
    return Select(events, kSimNativeCall, hash);
}

float HeadingArg(const SimEvent& event)
{
    const uint32_t bits = static_cast<uint32_t>(event.args[0]);
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t FloatBits(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::string IniText(const IniKeys& keys)
{
    const std::pair<const char*, const char*> lines[] = {{"headviewing", keys.enabled},
                                                         {"headviewing_test", keys.test},
                                                         {"headviewing_multiplier", keys.multiplier},
                                                         {"headviewing_offset", keys.offset},
                                                         {"headviewing_source", keys.source},
                                                         {"headviewing_status", keys.status}};
    std::string text = "[Settings]\n";
    for (const auto& line : lines) {
        text += line.second != nullptr ? std::string(line.first) + "=" + line.second + "\n" : "";
    }
    return text;
}

std::string TraceLine(const SimEvent& event)
{
    char line[256];
    int length = snprintf(line, sizeof line, "%u %u %016llx", event.frame, event.kind,
                          static_cast<unsigned long long>(event.hash));
    for (uint32_t i = 0; i < event.argCount && i < kSimMaxArgs; ++i) {
        length +=
            snprintf(line + length, sizeof line - length, " %llx", static_cast<unsigned long long>(event.args[i]));
    }
    snprintf(line + length, sizeof line - length, " -> %llx\n", static_cast<unsigned long long>(event.result));
    return line;
}

void GameTest::SetUp()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    UseGameFolder(ProgramDir() + "games\\" + info->test_suite_name() + "." + info->name() + "\\");
}

void GameTest::UseGameFolder(const std::string& folder)
{
    gameDir_ = folder;
    const std::filesystem::path path(WideFromUtf8(folder));
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    ASSERT_TRUE(std::filesystem::create_directories(path)) << folder;
}

void GameTest::TearDown()
{
    StopProgram(tracker_);
}

void GameTest::StartPlugin()
{
    ASSERT_FALSE(g_pluginStarted) << "each game test needs a process of its own: run it alone (ctest does)";
    g_pluginStarted = true;
    std::string error;
    const std::string dir = ProgramDir();
    ASSERT_TRUE(StartGame(gameDir_, dir + "ScriptHookV.dll", dir + "headview.asi", &game_, &error)) << error;
}

std::vector<SimEvent> GameTest::RunFrame(const SimWorld& world)
{
    game_.sim.setWorld(&world);
    game_.sim.clearEvents();
    game_.sim.runFrame();
    const SimEvent* events = game_.sim.events();
    return std::vector<SimEvent>(events, events + game_.sim.eventCount());
}

std::vector<SimEvent> GameTest::RunFrames(int count, const SimWorld& world)
{
    std::vector<SimEvent> last;
    for (int i = 0; i < count; ++i) {
        last = RunFrame(world);
    }
    return last;
}

float GameTest::FrameHeading()
{
    const std::vector<SimEvent> calls = CallsOf(RunFrame(InVehicle()), kNativeSetCameraRelativeHeading);
    return calls.size() == 1 ? HeadingArg(calls[0]) : NAN;
}

void GameTest::WriteIni(const std::string& text)
{
    WriteFileBytes(GamePath("headview.ini"), text);
}

std::vector<std::string> GameTest::LogMessages() const
{
    std::vector<std::string> messages;
    std::istringstream lines(ReadFileBytes(GamePath("headview.log")));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t start = line.find("] ");
        std::string message = start == std::string::npos ? line : line.substr(start + 2);
        if (!message.empty() && message.back() == '\r') {
            message.pop_back();
        }
        messages.push_back(message);
    }
    return messages;
}

size_t GameTest::CountLogMessages(const std::string& message) const
{
    size_t count = 0;
    for (const std::string& m : LogMessages()) {
        count += m == message ? 1 : 0;
    }
    return count;
}

std::string GameTest::TraceOfTheRecordedRun(const char* status, const std::function<void()>& beforeFrame)
{
    const auto withStatus = [status](IniKeys keys) {
        keys.status = status;
        return IniText(keys);
    };
    WriteIni(withStatus({"1", "1", "39", "0.125"}));
    StartPlugin();
    std::string trace;
    const auto run = [&](int frames, const SimWorld& world) {
        for (int frame = 0; frame < frames; ++frame) {
            if (beforeFrame) {
                beforeFrame();
            }
            for (const SimEvent& e : RunFrame(world)) {
                trace += TraceLine(e);
            }
        }
    };
    run(2, OnFoot());
    PublishPose(1, 0.5f);
    run(3, InVehicle());
    WriteIni(withStatus({"1", "1", "zz", "0.125"}));
    run(2, InVehicle());
    WriteIni(withStatus({"1", "0", "-2", nullptr}));
    run(2, InVehicle());
    run(1, SimWorld{kPlayer, 1, 0});
    run(2, OnFoot());
    for (const std::string& message : LogMessages()) {
        trace += "log " + message + "\n";
    }
    return trace;
}
