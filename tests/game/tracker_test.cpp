// The tracker link against a real tracker process: region set-up, fresh
// poses, the counter wrap, the identifier text, a busy or abandoned mutex,
// a region that cannot be opened, and handles over many frames.
#include "tests/support/handles.h"
#include "tests/support/tracker_fixture.h"

#include <windows.h>

#include <math.h>
#include <string.h>

#include <algorithm>

namespace {

double Median(std::vector<double> values)
{
    if (values.empty()) {
        return NAN;
    }
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

DWORD WINAPI HoldUntilSet(LPVOID mutexAndStop)
{
    HANDLE* handles = static_cast<HANDLE*>(mutexAndStop);
    WaitForSingleObject(handles[0], INFINITE);
    WaitForSingleObject(handles[1], INFINITE);
    ReleaseMutex(handles[0]);
    return 0;
}

// The same 5 ms wait the plugin makes, on a mutex another thread holds: how
// long this machine, loaded as it is now, takes for it.
class BareWait {
public:
    BareWait()
    {
        handles_[0] = CreateMutexA(nullptr, FALSE, nullptr);
        handles_[1] = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        holder_ = CreateThread(nullptr, 0, HoldUntilSet, handles_, 0, nullptr);
        while (WaitForSingleObject(handles_[0], 0) == WAIT_OBJECT_0) {  // not yet taken by the holder
            ReleaseMutex(handles_[0]);
            Sleep(1);
        }
    }
    ~BareWait()
    {
        SetEvent(handles_[1]);
        WaitForSingleObject(holder_, INFINITE);
        CloseHandle(holder_);
        CloseHandle(handles_[0]);
        CloseHandle(handles_[1]);
    }
    double Time()
    {
        const LARGE_INTEGER start = Now();
        WaitForSingleObject(handles_[0], 5);
        return MillisecondsSince(start);
    }

private:
    HANDLE handles_[2] = {};
    HANDLE holder_ = nullptr;
};

}  // namespace

TEST_F(TrackerTest, WithoutATrackerThePluginCreatesTheRegionAndPicksUpALaterOne)
{
    WriteIni(IniText());
    StartPlugin();
    EXPECT_EQ(FrameHeading(), 0.0f);
    EXPECT_EQ(SetupMessages(),
              (std::vector<std::string>{"FTCreateMapping request.", "FTCreateMapping: Mapping opened."}));
    RegionPeek peek;
    ASSERT_TRUE(peek.Open()) << "the plugin created the region";
    FTRegion zero = {};
    strcpy(zero.clientId, "0");
    EXPECT_EQ(memcmp(peek.region, &zero, sizeof zero), 0) << "zero-filled but for the identifier text";
    EXPECT_EQ(FrameHeading(), 0.0f) << "counter 0 equals the last seen 0: nothing copied";

    PublishPose(1, 0.75f);
    EXPECT_EQ(FrameHeading(), 0.75f);
    EXPECT_EQ(SetupMessages().size(), 2u) << "set up once";
}

TEST_F(TrackerTest, ATrackerWaitingForTheRegionStartsOnceThePluginCreatedIt)
{
    tracker_ = StartProgram("fttracker.exe", "--wait-for-region --pose 4:0.375");
    ASSERT_NE(tracker_, nullptr);
    Sleep(200);
    WriteIni(IniText());
    StartPlugin();
    float heading = FrameHeading();
    for (int frame = 0; frame < 500 && heading != 0.375f; ++frame) {
        Sleep(10);
        heading = FrameHeading();
    }
    EXPECT_EQ(heading, 0.375f) << "the tracker's first pose arrives";
    EXPECT_EQ(CountLogMessages("FTCreateMapping: Mapping already exists."), 0u);
}

TEST_F(TrackerTest, ARunningTrackerIsOpenedNotCreated)
{
    tracker_ = StartTracker("--pose 12:-0.5");
    ASSERT_NE(tracker_, nullptr);
    WriteIni(IniText());
    StartPlugin();
    EXPECT_EQ(FrameHeading(), -0.5f);
    EXPECT_EQ(SetupMessages(),
              (std::vector<std::string>{"FTCreateMapping request.", "FTCreateMapping: Mapping already exists.",
                                        "FTCreateMapping: Mapping opened."}));
}

TEST_F(TrackerTest, OnlyAFreshCounterCopiesThePose)
{
    WriteIni(IniText());
    StartPlugin();
    RunFrame();
    PublishPose(7, 0.5f);
    EXPECT_EQ(FrameHeading(), 0.5f);
    PublishPose(7, 0.9f);  // same counter: not a new pose
    EXPECT_EQ(FrameHeading(), 0.5f);
    EXPECT_EQ(FrameHeading(), 0.5f) << "the record keeps the last pose";
    PublishPose(8, 0.9f);
    EXPECT_EQ(FrameHeading(), 0.9f);
    PublishPose(-3, -0.25f);  // any change of counter counts, downwards too
    EXPECT_EQ(FrameHeading(), -0.25f);
}

TEST_F(TrackerTest, ACounterAbove1000IsResetAndTheSamePoseCopiedAgain)
{
    WriteIni(IniText());
    StartPlugin();
    RunFrame();
    RegionPeek peek;
    ASSERT_TRUE(peek.Open());

    PublishPose(1000, 0.25f);
    EXPECT_EQ(FrameHeading(), 0.25f);
    EXPECT_EQ(peek.region->pose.frameCounter, 1000) << "exactly 1000 is not reset";

    PublishPose(1001, 0.5f);
    EXPECT_EQ(FrameHeading(), 0.5f);
    EXPECT_EQ(peek.region->pose.frameCounter, 0) << "reset after the copy";
    // Counter 0 now differs from the last seen 1001: the next frame copies
    // the region again (here with a changed yaw, to see the copy).
    peek.region->pose.rawYaw = 0.125f;
    EXPECT_EQ(FrameHeading(), 0.125f);
    peek.region->pose.rawYaw = 0.0625f;  // counter 0 == last seen 0: no copy
    EXPECT_EQ(FrameHeading(), 0.125f);
}

TEST_F(TrackerTest, EveryFrameWritesTheIdentifierTextAndNothingElse)
{
    tracker_ = StartTracker("--pose 5:0.5 --fill-id X");
    ASSERT_NE(tracker_, nullptr);
    RegionPeek peek;
    ASSERT_TRUE(peek.Open());
    memset(peek.region->otherFields, 0xA5, sizeof peek.region->otherFields);
    memset(peek.region->moreFields, 0x5A, sizeof peek.region->moreFields);
    FTRegion before;
    memcpy(&before, peek.region, sizeof before);

    WriteIni(IniText());
    StartPlugin();
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(FrameHeading(), 0.5f);
        EXPECT_EQ(peek.region->clientId[0], '0');
        EXPECT_EQ(peek.region->clientId[1], '\0');
        EXPECT_EQ(memcmp(peek.region->clientId + 2, before.clientId + 2, kFTClientIdSize - 2), 0)
            << "the other 17 bytes stay";
        EXPECT_EQ(memcmp(&peek.region->pose, &before.pose, sizeof before.pose), 0);
        EXPECT_EQ(memcmp(peek.region->otherFields, before.otherFields, sizeof before.otherFields), 0);
        EXPECT_EQ(memcmp(peek.region->moreFields, before.moreFields, sizeof before.moreFields), 0);
        peek.region->clientId[0] = 'Y';  // written again even without a fresh pose
    }
}

// Timings are held against the same machine's bare 5 ms wait, measured in
// the same loop, so that a loaded machine slows both alike.
TEST_F(TrackerTest, AMutexHeldByTheTrackerCostsAFrameOnlyTheShortWait)
{
    WriteIni(IniText());
    tracker_ = StartTracker("--pose 3:0.5 --hold-ms 3000");
    ASSERT_NE(tracker_, nullptr);
    StartPlugin();
    BareWait bare;
    std::vector<double> frames, waits;
    for (int frame = 0; frame < 20; ++frame) {
        waits.push_back(bare.Time());
        const LARGE_INTEGER start = Now();
        const float heading = FrameHeading();
        frames.push_back(MillisecondsSince(start));
        EXPECT_EQ(heading, 0.0f) << "nothing read while the tracker holds the mutex";
    }
    EXPECT_LT(Median(frames), Median(waits) + 5.0) << "the frame waits no longer than the short wait";
    EXPECT_GT(Median(frames), Median(waits) / 2) << "the frame did wait for the mutex";
    EXPECT_EQ(WaitForExit(tracker_, 0), STILL_ACTIVE);
}

TEST_F(TrackerTest, ATrackerHolding50MsAtATimeNeverStallsAFrameLonger)
{
    WriteIni(IniText());
    tracker_ = StartTracker("--rate 10 --hold-ms 50");
    ASSERT_NE(tracker_, nullptr);
    HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kFTMutexName);
    ASSERT_NE(mutex, nullptr);
    StartPlugin();
    BareWait bare;
    std::vector<double> held, waits;
    for (int frame = 0; frame < 300; ++frame) {
        // A frame that starts while the tracker holds the mutex meets it.
        const DWORD probe = WaitForSingleObject(mutex, 0);
        if (probe == WAIT_OBJECT_0 || probe == WAIT_ABANDONED) {
            ReleaseMutex(mutex);
        }
        const LARGE_INTEGER start = Now();
        RunFrame(InVehicle());
        if (probe == WAIT_TIMEOUT) {
            held.push_back(MillisecondsSince(start));
            waits.push_back(bare.Time());
        }
        Sleep(2);
    }
    CloseHandle(mutex);
    ASSERT_GT(held.size(), 10u) << "frames met the held mutex";
    // Waiting the tracker out would take 25 ms in the median frame.
    EXPECT_LT(Median(held), Median(waits) + 5.0) << "a frame waits 5 ms at most, not the tracker's 50";
}

TEST_F(TrackerTest, AnAbandonedMutexNeverLetsTheDeadTrackersPoseThrough)
{
    WriteIni(IniText());
    StartPlugin();
    EXPECT_EQ(FrameHeading(), 0.0f);
    // A counter below the wrap and one past it: the reset must not bring the
    // half-written pose back either.
    const struct {
        const char* dying;
        const char* restarted;
        float before, after;
    } rounds[] = {{"--pose 9:0.7", "--pose 10:0.3", 0.0f, 0.3f}, {"--pose 1001:0.9", "--pose 11:-0.2", 0.3f, -0.2f}};
    for (const auto& round : rounds) {
        HANDLE dying = StartProgram("fttracker.exe", std::string(round.dying) + " --die-holding");
        ASSERT_NE(dying, nullptr);
        EXPECT_EQ(WaitForExit(dying, 10000), 0u);
        CloseHandle(dying);
        for (int frame = 0; frame < 5; ++frame) {
            EXPECT_EQ(FrameHeading(), round.before) << round.dying << ": the half-written pose is never taken";
        }
        const LARGE_INTEGER start = Now();
        StopProgram(tracker_);
        tracker_ = StartTracker(round.restarted);
        ASSERT_NE(tracker_, nullptr) << "the restarted tracker must get the mutex";
        EXPECT_LT(MillisecondsSince(start), 3000.0);
        EXPECT_EQ(FrameHeading(), round.after);
    }
}

TEST_F(TrackerTest, ARegionThatCannotOpenIsRetriedEveryFrameWithoutLeaking)
{
    WriteIni(IniText());
    HANDLE squatter = CreateEventA(nullptr, TRUE, FALSE, kFTRegionName);
    ASSERT_NE(squatter, nullptr);
    StartPlugin();
    RunFrames(10, InVehicle());
    const size_t handles = CountOpenHandles();
    for (int frame = 0; frame < 3000; ++frame) {
        ASSERT_EQ(RunFrame(InVehicle()).size(), 3u) << "no steering while the read fails";
    }
    EXPECT_EQ(CountOpenHandles(), handles);
    EXPECT_EQ(CountLogMessages("FTCreateMapping request."), 3010u);
    EXPECT_EQ(CountLogMessages("FTCreateMapping: Mapping opened."), 0u);

    CloseHandle(squatter);
    EXPECT_EQ(FrameHeading(), 0.0f) << "set up on the next frame";
    EXPECT_EQ(CountLogMessages("FTCreateMapping: Mapping opened."), 1u);
}

TEST_F(TrackerTest, AViewThatCannotMapIsRetriedEveryFrameWithoutLeaking)
{
    WriteIni(IniText());
    // A region backed by a 16-byte file opens, but a 256-byte view of it
    // cannot be mapped.
    WriteFileBytes(GamePath("short-region.bin"), std::string(16, 'r'));
    HANDLE file = CreateFileA(GamePath("short-region.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE shortRegion = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, kFTRegionName);
    ASSERT_NE(shortRegion, nullptr);
    StartPlugin();
    RunFrames(10, InVehicle());
    const size_t handles = CountOpenHandles();
    for (int frame = 0; frame < 3000; ++frame) {
        EXPECT_EQ(CallsOf(RunFrame(InVehicle()), kNativeSetCameraRelativeHeading).size(), 1u);
    }
    EXPECT_EQ(CountOpenHandles(), handles);
    EXPECT_EQ(CountLogMessages("FTCreateMapping: Mapping opened."), 3010u) << "set up again every frame";
    CloseHandle(shortRegion);
    CloseHandle(file);
}

TEST_F(TrackerTest, HandlesStayFlatWhileReadingARunningTracker)
{
    WriteIni(IniText());
    tracker_ = StartTracker("--rate 1000");
    ASSERT_NE(tracker_, nullptr);
    StartPlugin();
    RunFrames(10, InVehicle());
    const size_t handles = CountOpenHandles();
    for (int frame = 0; frame < 3000; ++frame) {
        RunFrame(InVehicle());
    }
    EXPECT_EQ(CountOpenHandles(), handles);
    EXPECT_EQ(CountLogMessages("FTCreateMapping request."), 1u);
}

TEST(HandleCount, SeesADeliberateLeak)
{
    const size_t before = CountOpenHandles();
    std::vector<HANDLE> leaked;
    for (int i = 0; i < 25; ++i) {
        leaked.push_back(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    }
    EXPECT_EQ(CountOpenHandles(), before + 25);
    for (HANDLE h : leaked) {
        CloseHandle(h);
    }
    EXPECT_EQ(CountOpenHandles(), before);
}
