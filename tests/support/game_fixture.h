// A simulated game for one test: a fresh game folder, the stand-in script
// hook and the real plugin loaded into this process, and frames on demand.
// The plugin keeps process-wide state, so each test runs in a process of its
// own (ctest runs every test case separately).
#pragma once

#include "sim/game/game_host.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

constexpr uint32_t kPlayer = 0x80001234;  // bit 31 set: sign extension shows

SimWorld OnFoot(uint32_t character = kPlayer);
SimWorld InVehicle(uint32_t character = kPlayer);

// The events of one kind and hash (hash ignored for waits).
std::vector<SimEvent> Select(const std::vector<SimEvent>& events, uint32_t kind, uint64_t hash = 0);
// Native calls with this hash.
std::vector<SimEvent> CallsOf(const std::vector<SimEvent>& events, uint64_t hash);
// The float a heading native received.
float HeadingArg(const SimEvent& event);
uint32_t FloatBits(float value);

// headview.ini's values as written; a null one leaves its key out.
struct IniKeys {
    const char* enabled = "1";
    const char* test = "0";
    const char* multiplier = "1";
    const char* offset = "0";
    const char* source = nullptr;
    const char* status = nullptr;
};
// headview.ini: section Settings with a line for each key given. The
// defaults steer with gain 1 and no offset, so that a frame's heading is the
// yaw the plugin holds.
std::string IniText(const IniKeys& keys = {});
// One line per recorded event: frame, kind, hash, arguments and result.
std::string TraceLine(const SimEvent& event);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads ScriptHookV.dll, then the plugin, as the game does.
    void StartPlugin();
    // Runs one frame in `world`; returns the events of that frame.
    std::vector<SimEvent> RunFrame(const SimWorld& world = OnFoot());
    // Runs `count` frames; returns the events of the last one.
    std::vector<SimEvent> RunFrames(int count, const SimWorld& world = OnFoot());
    // Runs a frame in a vehicle; returns the heading sent to the camera, or
    // NaN when the camera was not set.
    float FrameHeading();

    // A fresh, empty game folder at `folder` (UTF-8, with a trailing
    // backslash) in place of the test's own; before StartPlugin.
    void UseGameFolder(const std::string& folder);
    std::string GamePath(const std::string& name) const { return gameDir_ + name; }
    void WriteIni(const std::string& text);
    // Messages of headview.log, without their timestamps.
    std::vector<std::string> LogMessages() const;
    size_t CountLogMessages(const std::string& message) const;

    // The run recorded in tests/data/ini-without-source.trace with the plugin
    // as it was before headviewing_source existed (frames on foot and in a
    // vehicle, a pose, edits of headview.ini, unreadable keys): each event as
    // a trace line, then the log's messages. Every headview.ini written has
    // `status` as its headviewing_status (null: no such line); `beforeFrame`,
    // when given, runs before each frame.
    std::string TraceOfTheRecordedRun(const char* status, const std::function<void()>& beforeFrame = nullptr);

    std::string gameDir_;  // UTF-8, with a trailing backslash
    Game game_ = {};
    HANDLE tracker_ = nullptr;  // a tracker process, stopped after the test
};
