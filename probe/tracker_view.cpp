#include "probe/tracker_view.h"

#include <string.h>

namespace {

constexpr DWORD kMutexWaitMs = 2;

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
    // Opened, never created: a tracker that writes without the mutex has
    // none to offer, and the probe must not make one.
    view->mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kFTMutexName);
    return true;
}

void CopyPose(const TrackerView& view, FTPose* pose)
{
    const DWORD waited = view.mutex != nullptr ? WaitForSingleObject(view.mutex, kMutexWaitMs) : WAIT_FAILED;
    // A tracker busy for longer, or one that writes without the mutex, is
    // read as it is: at worst one pose mixes two.
    memcpy(pose, view.pose, sizeof *pose);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        ReleaseMutex(view.mutex);
    }
}

void CloseTrackerView(TrackerView* view)
{
    if (view->pose != nullptr) {
        UnmapViewOfFile(view->pose);
    }
    if (view->mapping != nullptr) {
        CloseHandle(view->mapping);
    }
    if (view->mutex != nullptr) {
        CloseHandle(view->mutex);
    }
    *view = TrackerView{};
}
