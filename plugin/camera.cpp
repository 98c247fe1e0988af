#include "plugin/camera.h"

#include "settings/heading.h"
#include "plugin/host/natives.h"
#include "plugin/native_call.h"
#include "plugin/status.h"
#include "settings/settings.h"

#include <math.h>

void SteerCamera(bool readResult, uint32_t character, const FTPose* pose)
{
    g_status.vehicle = -1;  // not asked
    if (!readResult || g_settings.enabled != 1) {
        return;
    }
    const uint64_t vehicleArgs[] = {PackInt(character), PackInt(0)};
    g_status.vehicle = CallNative(kNativeIsInAnyVehicle, vehicleArgs, 2) != 0 ? 1 : 0;
    if (g_status.vehicle == 0) {
        return;
    }
    const uint64_t characterArg = PackInt(character);
    if (CallNative(kNativeDoesExist, &characterArg, 1) == 0) {
        return;
    }
    const float heading = HeadingFor(g_settings, *pose);
    // A NaN pose or an offset read as infinity must not reach the game's
    // camera: skip this frame's heading and take the next finite one.
    if (!isfinite(heading)) {
        return;
    }
    const uint64_t headingArg = PackFloat(heading);
    CallNative(kNativeSetCameraRelativeHeading, &headingArg, 1);
    CallNative(kNativeSetCameraHeading2, &headingArg, 1);
    g_status.heading = heading;
    g_status.headingFrame = g_status.frames;
}
