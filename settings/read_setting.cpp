#include "settings/number_text.h"
#include "settings/settings.h"

#include <windows.h>

#include <string.h>

namespace {

constexpr DWORD kValueBufferSize = 32;

// Returned for an absent key by ReadOptionalHexSetting's read. No value in a
// file is this control character alone, and the reader leaves a default that
// is not blank as it is.
constexpr const char* kAbsentKey = "\x01";

// The key's value text from section Settings, `absent` when the key is
// absent, cut to 31 characters; returns its length.
size_t ReadValueText(const char* key, const char* absent, char (&buffer)[kValueBufferSize])
{
    return GetPrivateProfileStringA("Settings", key, absent, buffer, kValueBufferSize, g_settingsPath);
}

// Takes the whole text as a base-16 integer, or `fallback`.
bool TakeHex(const char* text, size_t length, int32_t fallback, int32_t* target)
{
    int32_t value = 0;
    size_t consumed = 0;
    if (!ConvertHex32(text, &value, &consumed) || consumed != length) {
        *target = fallback;
        return false;
    }
    *target = value;
    return true;
}

}  // namespace

bool ReadHexSetting(const char* key, int32_t fallback, int32_t* target)
{
    char text[kValueBufferSize];
    const size_t length = ReadValueText(key, "", text);
    return TakeHex(text, length, fallback, target);
}

bool ReadOptionalHexSetting(const char* key, int32_t fallback, int32_t* target)
{
    char text[kValueBufferSize];
    const size_t length = ReadValueText(key, kAbsentKey, text);
    if (strcmp(text, kAbsentKey) == 0) {
        *target = fallback;
        return true;
    }
    return TakeHex(text, length, fallback, target);
}

bool ReadFloatSetting(const char* key, float* target)
{
    char text[kValueBufferSize];
    const size_t length = ReadValueText(key, "", text);
    double value = 0.0;
    size_t consumed = 0;
    if (!ConvertDecimal(text, &value, &consumed) || consumed != length) {
        *target = 0.0f;
        return false;
    }
    *target = static_cast<float>(value);
    return true;
}
