#include "settings/number_text.h"
#include "settings/settings.h"

#include <windows.h>

#include <string.h>

namespace {

// Returned for an absent key by the reader. No value in a file is this
// control character alone, and the reader leaves a default that is not
// blank as it is.
constexpr const wchar_t* kAbsentKey = L"\x01";
constexpr const char* kAbsentText = "\x01";

// The longest key name and its NUL.
constexpr int kKeySize = 32;

// The key's value text from section Settings, `absent` when the key is
// absent, cut to 31 characters, in UTF-8; returns its length in bytes.
size_t ReadValueText(const wchar_t* path, const char* key, const wchar_t* absent, char (&text)[kSettingTextSize])
{
    wchar_t wideKey[kKeySize];
    wchar_t value[kSettingReadSize];
    if (MultiByteToWideChar(CP_UTF8, 0, key, -1, wideKey, kKeySize) == 0) {
        wideKey[0] = L'\0';
    }
    const DWORD length = GetPrivateProfileStringW(L"Settings", wideKey, absent, value, kSettingReadSize, path);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, value, static_cast<int>(length), text, kSettingTextSize - 1, nullptr, nullptr);
    text[bytes] = '\0';
    return static_cast<size_t>(bytes);
}

// The key's text and its length; false, with the text empty, when the key
// is absent.
bool ReadPresentText(const wchar_t* path, const char* key, char (&text)[kSettingTextSize], size_t* length)
{
    *length = ReadValueText(path, key, kAbsentKey, text);
    if (strcmp(text, kAbsentText) == 0) {
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

bool ReadSettingText(const wchar_t* path, const char* key, char (&text)[kSettingTextSize])
{
    size_t length = 0;
    return ReadPresentText(path, key, text, &length);
}

void ReadSettingTexts(const wchar_t* path, SettingTexts* texts)
{
    for (int key = 0; key < kSettingKeyCount; ++key) {
        texts->present[key] = ReadSettingText(path, kSettingKeys[key], texts->text[key]);
    }
}

bool ReadHexSetting(const wchar_t* path, const char* key, int32_t fallback, int32_t* target)
{
    char text[kSettingTextSize];
    const size_t length = ReadValueText(path, key, L"", text);
    return TakeHex(text, length, fallback, target);
}

bool ReadOptionalHexSetting(const wchar_t* path, const char* key, int32_t fallback, int32_t* target)
{
    return ReadOptionalHexOrigin(path, key, fallback, target) != kOriginFallback;
}

StatusOrigin ReadOptionalHexOrigin(const wchar_t* path, const char* key, int32_t fallback, int32_t* target)
{
    char text[kSettingTextSize];
    size_t length = 0;
    if (!ReadPresentText(path, key, text, &length)) {
        *target = fallback;
        return kOriginAbsent;
    }
    return TakeHex(text, length, fallback, target) ? kOriginFile : kOriginFallback;
}

bool ReadFloatSetting(const wchar_t* path, const char* key, float* target)
{
    char text[kSettingTextSize];
    const size_t length = ReadValueText(path, key, L"", text);
    *target = 0.0f;
    return ConvertFloatSettingText(text, length, target);
}
