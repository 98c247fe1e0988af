#include "probe/tracker_view.h"

#include <string.h>

#include <atomic>

namespace {

// A tracker writes a pose in microseconds: a few tries always find a gap.
constexpr int kCopyTries = 100;

int32_t ReadCounter(const FTPose* pose)
{
    return *reinterpret_cast<const volatile int32_t*>(&pose->frameCounter);
}

}  // namespace

bool OpenTrackerView(TrackerView* view)
{
    *view = TrackerView{};
    view->mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kFTRegionName);
    if (view->mapping == nullptr) {
        return false;
    }
    view->pose = static_cast<const FTPose*>(MapViewOfFile(view->mapping, FILE_MAP_READ, 0, 0, sizeof(FTPose)));
    if (view->pose == nullptr) {
        CloseHandle(view->mapping);
        view->mapping = nullptr;
        return false;
    }
    return true;
}

bool CopyPoseWithoutLocking(const TrackerView& view, FTPose* pose)
{
    for (int attempt = 0; attempt < kCopyTries; ++attempt) {
        const int32_t before = ReadCounter(view.pose);
        std::atomic_thread_fence(std::memory_order_acquire);
        memcpy(pose, view.pose, sizeof *pose);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (pose->frameCounter == before && ReadCounter(view.pose) == before) {
            return true;
        }
    }
    return false;
}

void CloseTrackerView(TrackerView* view)
{
    if (view->pose != nullptr) {
        UnmapViewOfFile(view->pose);
    }
    if (view->mapping != nullptr) {
        CloseHandle(view->mapping);
    }
    *view = TrackerView{};
}
