// Client side of the FreeTrack protocol: sets up FT_SharedMem and FT_Mutext
// and copies fresh poses out of the region once per frame.
#pragma once

#include "tracker/freetrack.h"

// Creates or opens the region, maps it and opens the mutex, unless the view
// is mapped already. False only when the region could not be opened.
bool FTCreateMapping();

// The pose-read frame stage: copies the region's pose into `record` when its
// frame counter has moved. False only when FTCreateMapping failed.
bool FTReadPose(FTPose* record);

// The tracker link, as the last frame left it.
enum StatusLink : int32_t {
    kLinkNotLooked,   // no frame has run yet
    kLinkFound,       // the tracker's region was there: "Mapping already exists."
    kLinkMade,        // headview made the region itself: no tracker ran when it looked
    kLinkCannotOpen,  // the region could not be opened: asked again every frame
};

// How the last set-up left the link; kLinkNotLooked before the first.
StatusLink FTLinkState();

// The region's frame counter as the last read under the mutex saw it.
int32_t FTLastCounter();
