// The stand-in script hook's native side: nativeInit / nativePush64 /
// nativeCall build a call, which is answered from the world state the game
// host sets and recorded for inspection.
#include "sim/scripthook/sim_state.h"

#include <string.h>

namespace {

// Results carry these bits above the low 32, as a slot's stale upper half
// may: a caller must read only the low 32 bits.
constexpr uint64_t kResultUpperJunk = 0xC0DE5EED00000000ull;

// The game's natives, written out here again on purpose: the stand-in must
// not take the plugin's word for which hash does what.
constexpr uint64_t kPlayerCharacter = 0xD80958FC74E988A6ull;
constexpr uint64_t kCharacterFrame = 0x6094AD011A2EA87Dull;
constexpr uint64_t kIsInAnyVehicle = 0x997ABD671D25CA0Bull;
constexpr uint64_t kDoesExist = 0x7239B21A38F536BAull;
constexpr uint64_t kSetCameraRelativeHeading = 0xB4EC2312F4E5B1F1ull;
constexpr uint64_t kSetCameraHeading2 = 0x103991D4A307D472ull;

uint64_t g_callHash = 0;
uint64_t g_callArgs[kSimMaxArgs];
uint32_t g_callArgCount = 0;
uint64_t g_resultSlot = 0;
float g_cameraHeading = 0.0f;
uint32_t g_cameraCalls = 0;

// A handle argument names the player's character only when all 64 bits
// match: a handle with its upper half set names nothing.
bool IsPlayer(const uint64_t* args, uint32_t argCount)
{
    return argCount >= 1 && args[0] == g_world.playerCharacter;
}

float FloatArg(const uint64_t* args, uint32_t argCount)
{
    const uint32_t bits = argCount >= 1 ? static_cast<uint32_t>(args[0]) : 0;
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

uint64_t AnswerNative(uint64_t hash, const uint64_t* args, uint32_t argCount)
{
    uint32_t low = 0;
    switch (hash) {
    case kPlayerCharacter:
        low = g_world.playerCharacter;
        break;
    case kIsInAnyVehicle:
        low = IsPlayer(args, argCount) && g_world.inVehicle != 0 ? 1 : 0;
        break;
    case kDoesExist:
        low = IsPlayer(args, argCount) && g_world.exists != 0 ? 1 : 0;
        break;
    case kSetCameraRelativeHeading:
    case kSetCameraHeading2:
        g_cameraHeading = FloatArg(args, argCount);
        ++g_cameraCalls;
        break;
    case kCharacterFrame:
    default:
        break;
    }
    return kResultUpperJunk | low;
}

extern "C" void HookNativeInit(uint64_t hash)
{
    g_callHash = hash;
    g_callArgCount = 0;
}

extern "C" void HookNativePush64(uint64_t value)
{
    if (g_callArgCount < kSimMaxArgs) {
        g_callArgs[g_callArgCount] = value;
    }
    ++g_callArgCount;
}

extern "C" uint64_t* HookNativeCall()
{
    const uint32_t kept = g_callArgCount < kSimMaxArgs ? g_callArgCount : kSimMaxArgs;
    g_resultSlot = AnswerNative(g_callHash, g_callArgs, kept);
    SimEvent event = {};
    event.kind = kSimNativeCall;
    event.frame = g_frame;
    event.hash = g_callHash;
    event.argCount = g_callArgCount;
    memcpy(event.args, g_callArgs, kept * sizeof(uint64_t));
    event.result = g_resultSlot;
    g_events.push_back(event);
    return &g_resultSlot;
}

SIM_API float SimCameraHeading()
{
    return g_cameraHeading;
}

SIM_API uint32_t SimCameraCalls()
{
    return g_cameraCalls;
}
