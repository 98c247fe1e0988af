// A read-only look at the tracker's pose record: the probe never creates the
// region, never writes to it, and holds the mutex only for one copy.
#pragma once

#include "tracker/freetrack.h"

#include <windows.h>

struct TrackerView {
    HANDLE mapping;
    const FTPose* pose;  // the first 92 bytes of FT_SharedMem, read-only
    HANDLE mutex;        // FT_Mutext when it exists, else null
};

// Opens an existing FT_SharedMem; false when there is none.
bool OpenTrackerView(TrackerView* view);
// Copies the pose, under the mutex when it can be had within 2 ms.
void CopyPose(const TrackerView& view, FTPose* pose);
void CloseTrackerView(TrackerView* view);
