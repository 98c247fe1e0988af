// What headview publishes about itself with headviewing_status=1: the block of status_block.h,
// filled in by the frame's stages and written to a named region of its own once a frame.
#pragma once

#include "plugin/status_block.h"
#include "tracker/freetrack.h"

// The block as this frame leaves it: the frame loop counts its passes in it, the camera stage
// notes the vehicle and the heading sent.
extern StatusBlock g_status;

// Start-up: when the script started, and the game's process.
void StartStatus();
// Last frame stage: while status is exactly 1, notes the settings, the link and the yaw and writes
// the block to the region, made or opened the first time; says once in the log when it cannot.
void PublishStatus(const FTPose& pose);
