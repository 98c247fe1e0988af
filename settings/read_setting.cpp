#include "settings/number_text.h"
#include "settings/settings.h"

#include <windows.h>

namespace {

constexpr DWORD kValueBufferSize = 32;

// The key's value text from section Settings, empty when absent, cut to 31
// characters; returns its length.
size_t ReadValueText(const char* key, char (&buffer)[kValueBufferSize])
{
    return GetPrivateProfileStringA("Settings", key, "", buffer, kValueBufferSize, g_settingsPath);
}

}  // namespace

bool ReadHexSetting(const char* key, int32_t fallback, int32_t* target)
{
    char text[kValueBufferSize];
    const size_t length = ReadValueText(key, text);
    int32_t value = 0;
    size_t consumed = 0;
    if (!ConvertHex32(text, &value, &consumed) || consumed != length) {
        *target = fallback;
        return false;
    }
    *target = value;
    return true;
}

bool ReadFloatSetting(const char* key, float* target)
{
    char text[kValueBufferSize];
    const size_t length = ReadValueText(key, text);
    double value = 0.0;
    size_t consumed = 0;
    if (!ConvertDecimal(text, &value, &consumed) || consumed != length) {
        *target = 0.0f;
        return false;
    }
    *target = static_cast<float>(value);
    return true;
}
