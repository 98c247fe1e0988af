// The module entry and the frame loop, in the simulated game.
#include "plugin/host/natives.h"
#include "tests/support/game_fixture.h"

#include <windows.h>

namespace {

using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// The module's entry point as the loader calls it.
EntryPoint ModuleEntry(HMODULE module)
{
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    return reinterpret_cast<EntryPoint>(reinterpret_cast<uintptr_t>(base + nt->OptionalHeader.AddressOfEntryPoint));
}

DWORD WINAPI DoNothing(LPVOID)
{
    return 0;
}

// The frame's events must be exactly: player character, per-frame call on
// `character`, then one scriptWait(0); `steering` more calls may sit between.
void ExpectSpine(const std::vector<SimEvent>& events, uint32_t character)
{
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].kind, kSimNativeCall);
    EXPECT_EQ(events[0].hash, kNativePlayerCharacter);
    EXPECT_EQ(events[0].argCount, 0u);
    EXPECT_EQ(events[1].kind, kSimNativeCall);
    EXPECT_EQ(events[1].hash, kNativeCharacterFrame);
    ASSERT_EQ(events[1].argCount, 1u);
    EXPECT_EQ(events[1].args[0], uint64_t{character}) << "handle in the low 32 bits, upper bits zero";
    EXPECT_EQ(events.back().kind, kSimScriptWait);
    EXPECT_EQ(events.back().args[0], 0u);
    EXPECT_EQ(Select(events, kSimScriptWait).size(), 1u);
}

}  // namespace

TEST_F(GameTest, LoadRegistersTheScriptOnceAndCallsNothing)
{
    StartPlugin();
    EXPECT_EQ(game_.sim.registrationCount(), 1u);
    EXPECT_EQ(game_.sim.registeredModule(), static_cast<void*>(game_.plugin));
    EXPECT_NE(game_.sim.registeredScript(), nullptr);
    EXPECT_EQ(game_.sim.eventCount(), 0u) << "nothing but registration happens at load";
}

TEST_F(GameTest, OtherEntryReasonsChangeNothingAndReturnTrue)
{
    StartPlugin();
    const EntryPoint entry = ModuleEntry(game_.plugin);
    // Real thread notifications through the loader.
    HANDLE thread = CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(entry(game_.plugin, DLL_THREAD_ATTACH, nullptr), TRUE);
    EXPECT_EQ(entry(game_.plugin, DLL_THREAD_DETACH, nullptr), TRUE);
    EXPECT_EQ(entry(game_.plugin, DLL_PROCESS_DETACH, nullptr), TRUE);
    EXPECT_EQ(game_.sim.registrationCount(), 1u);
    EXPECT_EQ(game_.sim.eventCount(), 0u);
    ExpectSpine(RunFrame(), kPlayer);
}

TEST_F(GameTest, EveryFrameQueriesTheCharacterThenYieldsOnce)
{
    StartPlugin();
    for (uint32_t frame = 1; frame <= 200; ++frame) {
        const uint32_t character = kPlayer + frame;  // a new handle every frame
        const std::vector<SimEvent> events = RunFrame(OnFoot(character));
        ASSERT_EQ(events.size(), 3u) << "frame " << frame;
        ExpectSpine(events, character);
        EXPECT_EQ(events[0].frame, frame);
    }
}

TEST_F(GameTest, LoopRunsForThousandsOfFrames)
{
    StartPlugin();
    size_t waits = 0;
    for (int frame = 0; frame < 5000; ++frame) {
        waits += Select(RunFrame(frame % 2 ? InVehicle() : OnFoot()), kSimScriptWait).size();
    }
    EXPECT_EQ(waits, 5000u);
    EXPECT_EQ(game_.sim.scriptEnded(), 0);
}

TEST_F(GameTest, FailedPoseReadStillQueriesAndYields)
{
    WriteIni("[Settings]\nheadviewing=1\nheadviewing_test=0\n");
    // Another kind of object holds the region's name: the region cannot open.
    HANDLE squatter = CreateEventA(nullptr, TRUE, FALSE, "FT_SharedMem");
    ASSERT_NE(squatter, nullptr);
    StartPlugin();
    for (int frame = 0; frame < 20; ++frame) {
        const std::vector<SimEvent> events = RunFrame(InVehicle());
        ASSERT_EQ(events.size(), 3u) << "no steering native after a failed read";
        ExpectSpine(events, kPlayer);
    }
    CloseHandle(squatter);
}
