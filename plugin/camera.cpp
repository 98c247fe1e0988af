#include "plugin/camera.h"

#include "plugin/host/natives.h"
#include "plugin/native_call.h"
#include "settings/settings.h"

void SteerCamera(bool readResult, uint32_t character, const FTPose* pose)
{
    if (!readResult || g_settings.enabled != 1) {
        return;
    }
    const uint64_t vehicleArgs[] = {PackInt(character), PackInt(0)};
    if (CallNative(kNativeIsInAnyVehicle, vehicleArgs, 2) == 0) {
        return;
    }
    const uint64_t characterArg = PackInt(character);
    if (CallNative(kNativeDoesExist, &characterArg, 1) == 0) {
        return;
    }
    const float heading = (g_settings.offset + pose->rawYaw) * static_cast<float>(g_settings.multiplier);
    const uint64_t headingArg = PackFloat(heading);
    CallNative(kNativeSetCameraRelativeHeading, &headingArg, 1);
    CallNative(kNativeSetCameraHeading2, &headingArg, 1);
}
