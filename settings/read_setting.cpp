#include "settings/number_text.h"
#include "settings/settings.h"

#include <windows.h>

#include <string.h>

namespace {

// Returned for an absent key by the reader. No value in a file is this
// control character alone, and the reader leaves a default that is not
// blank as it is.
constexpr const char* kAbsentKey = "\x01";

// The key's value text from section Settings, `absent` when the key is
// absent, cut to 31 characters; returns its length.
size_t ReadValueText(const char* path, const char* key, const char* absent, char (&buffer)[kSettingTextSize])
{
    return GetPrivateProfileStringA("Settings", key, absent, buffer, kSettingTextSize, path);
}

// The key's text and its length; false, with the text empty, when the key
// is absent.
bool ReadPresentText(const char* path, const char* key, char (&text)[kSettingTextSize], size_t* length)
{
    *length = ReadValueText(path, key, kAbsentKey, text);
    if (strcmp(text, kAbsentKey) == 0) {
        text[0] = '\0';
        return false;
    }
    return true;
}

// Takes the whole text as a base-16 integer, or `fallback`.
bool TakeHex(const char* text, size_t length, int32_t fallback, int32_t* target)
{
    *target = fallback;
    return ConvertHexSettingText(text, length, target);
}

}  // namespace

bool ConvertHexSettingText(const char* text, size_t length, int32_t* value)
{
    int32_t converted = 0;
    size_t consumed = 0;
    if (!ConvertHex32(text, &converted, &consumed) || consumed != length) {
        return false;
    }
    *value = converted;
    return true;
}

bool ConvertFloatSettingText(const char* text, size_t length, float* value)
{
    double converted = 0.0;
    size_t consumed = 0;
    if (!ConvertDecimal(text, &converted, &consumed) || consumed != length) {
        return false;
    }
    *value = static_cast<float>(converted);
    return true;
}

bool ReadSettingText(const char* path, const char* key, char (&text)[kSettingTextSize])
{
    size_t length = 0;
    return ReadPresentText(path, key, text, &length);
}

void ReadSettingTexts(const char* path, SettingTexts* texts)
{
    for (int key = 0; key < kSettingKeyCount; ++key) {
        texts->present[key] = ReadSettingText(path, kSettingKeys[key], texts->text[key]);
    }
}

bool ReadHexSetting(const char* path, const char* key, int32_t fallback, int32_t* target)
{
    char text[kSettingTextSize];
    const size_t length = ReadValueText(path, key, "", text);
    return TakeHex(text, length, fallback, target);
}

bool ReadOptionalHexSetting(const char* path, const char* key, int32_t fallback, int32_t* target)
{
    char text[kSettingTextSize];
    size_t length = 0;
    if (!ReadPresentText(path, key, text, &length)) {
        *target = fallback;
        return true;
    }
    return TakeHex(text, length, fallback, target);
}

bool ReadFloatSetting(const char* path, const char* key, float* target)
{
    char text[kSettingTextSize];
    const size_t length = ReadValueText(path, key, "", text);
    *target = 0.0f;
    return ConvertFloatSettingText(text, length, target);
}
