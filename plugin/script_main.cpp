#include "plugin/script_main.h"

#include "plugin/camera.h"
#include "plugin/host/natives.h"
#include "plugin/host/script_hook.h"
#include "plugin/native_call.h"
#include "plugin/status.h"
#include "settings/settings.h"
#include "tracker/tracker_link.h"

namespace {

// Fetches the player's character and makes the per-frame call on it.
uint32_t QueryCharacter()
{
    const uint32_t character = CallNative(kNativePlayerCharacter, nullptr, 0);
    const uint64_t characterArg = PackInt(character);
    CallNative(kNativeCharacterFrame, &characterArg, 1);
    return character;
}

}  // namespace

void ScriptMain()
{
    StartStatus();
    StartSettings();
    FTPose pose = {};  // all zero until the first fresh pose
    for (;;) {
        ++g_status.frames;
        RefreshSettings();
        const uint32_t character = QueryCharacter();
        const bool readResult = FTReadPose(&pose);
        SteerCamera(readResult, character, &pose);
        PublishStatus(pose);
        scriptWait(0);
    }
}
