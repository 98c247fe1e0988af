// Vehicle camera steering: turns the tracked raw yaw into the gameplay
// camera's heading while the player's character sits in a vehicle.
#pragma once

#include "tracker/freetrack.h"

#include <stdint.h>

// Frame stage: sets the camera heading to (offset + raw yaw) × multiplier
// when the pose read succeeded, steering is enabled (exactly 1) and the
// character is in a vehicle and exists.
void SteerCamera(bool readResult, uint32_t character, const FTPose* pose);
