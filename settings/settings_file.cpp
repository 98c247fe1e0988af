#include "settings/settings.h"

#include <windows.h>

wchar_t g_settingsPath[kSettingsPathSize] = L"";

const char* const kSettingKeys[kSettingKeyCount] = {
    "headviewing",        "headviewing_test",   "headviewing_multiplier",
    "headviewing_offset", "headviewing_source", "headviewing_status"};

void ResolveSettingsPathOf(const wchar_t* fileName, wchar_t (&path)[kSettingsPathSize])
{
    // A resolution that fails or does not fit leaves the path empty, which
    // reads as a missing file, rather than a stale path from an earlier call.
    const DWORD length = GetFullPathNameW(fileName, kSettingsPathSize, path, nullptr);
    if (length == 0 || length >= kSettingsPathSize) {
        path[0] = L'\0';
    }
}

void ResolveSettingsPath()
{
    ResolveSettingsPathOf(L"headview.ini", g_settingsPath);
}

bool SettingsFileExists(const wchar_t* path)
{
    return path[0] != L'\0' && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

namespace {

StatusOrigin OriginOf(bool read)
{
    return read ? kOriginFile : kOriginFallback;
}

}  // namespace

bool ReadAllSettings(const wchar_t* path, Settings* settings)
{
    uint8_t origins[kSettingKeyCount];
    return ReadAllSettingsNoting(path, settings, origins);
}

bool ReadAllSettingsNoting(const wchar_t* path, Settings* settings, uint8_t (&origins)[kSettingKeyCount])
{
    origins[kEnabledKey] = OriginOf(ReadHexSetting(path, "headviewing", 1, &settings->enabled));
    origins[kTestKey] = OriginOf(ReadHexSetting(path, "headviewing_test", 1, &settings->test));
    origins[kMultiplierKey] = OriginOf(ReadHexSetting(path, "headviewing_multiplier", 35, &settings->multiplier));
    origins[kOffsetKey] = OriginOf(ReadFloatSetting(path, "headviewing_offset", &settings->offset));
    // Added after the other four, as was headviewing_status: files written before it existed read as
    // they always did, with no error line for the missing key.
    origins[kSourceKey] = ReadOptionalHexOrigin(path, "headviewing_source", 0, &settings->source);
    origins[kStatusKey] = ReadOptionalHexOrigin(path, "headviewing_status", 0, &settings->status);
    for (const uint8_t origin : origins) {
        if (origin == kOriginFallback) {
            return false;
        }
    }
    return true;
}
