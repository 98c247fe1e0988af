// The camera heading for a pose and the settings: the one formula the plugin
// steers by and the probe reports.
#pragma once

#include "settings/settings.h"
#include "tracker/freetrack.h"

#include <stdint.h>

// The yaw steering follows: the processed yaw when source is exactly 1,
// else the raw yaw.
inline float SteeringYaw(const FTPose& pose, int32_t source)
{
    return source == 1 ? pose.yaw : pose.rawYaw;
}

// (offset + yaw) × multiplier in single precision: the sum of the two floats
// first, then the product with the multiplier made a float.
inline float HeadingFor(const Settings& settings, const FTPose& pose)
{
    return (settings.offset + SteeringYaw(pose, settings.source)) * static_cast<float>(settings.multiplier);
}
