#include "plugin/native_call.h"

#include "plugin/host/script_hook.h"

#include <string.h>

uint64_t PackInt(uint32_t value)
{
    return value;
}

uint64_t PackFloat(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits;
}

uint32_t CallNative(uint64_t hash, const uint64_t* args, int argCount)
{
    nativeInit(hash);
    for (int i = 0; i < argCount; ++i) {
        nativePush64(args[i]);
    }
    return static_cast<uint32_t>(*nativeCall());
}
