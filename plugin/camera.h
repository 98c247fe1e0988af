// Vehicle camera steering: turns the tracked yaw into the gameplay camera's
// heading while the player's character sits in a vehicle.
#pragma once

#include "tracker/freetrack.h"

#include <stdint.h>

// Frame stage: sets the camera heading to (offset + yaw) × multiplier, with
// the raw yaw or, when source is 1, the processed yaw, when the pose read
// succeeded, steering is enabled (exactly 1), the character is in a vehicle
// and exists, and the heading is finite. Notes the vehicle native's answer
// and the heading sent in the status block.
void SteerCamera(bool readResult, uint32_t character, const FTPose* pose);
