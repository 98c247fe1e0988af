// A read-only look at the tracker's pose record. The probe never creates the
// region, never writes to it and never touches the tracker's mutex, so a
// running probe changes nothing that the plugin or the tracker sees.
#pragma once

#include "tracker/freetrack.h"

#include <windows.h>

struct TrackerView {
    HANDLE mapping;
    const FTPose* pose;  // the first 92 bytes of FT_SharedMem, read-only
};

// Opens an existing FT_SharedMem for reading; false when there is none.
bool OpenTrackerView(TrackerView* view);

// Copies the pose without the mutex, keeping a copy only when the frame
// counter reads the same before and after it; tries again while the tracker
// writes. False when every try met a write.
bool CopyPoseWithoutLocking(const TrackerView& view, FTPose* pose);

void CloseTrackerView(TrackerView* view);
