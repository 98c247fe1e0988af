#include "settings/settings.h"

#include <windows.h>

char g_settingsPath[kSettingsPathSize] = "";

void ResolveSettingsPathOf(const char* fileName)
{
    // A resolution that fails or does not fit leaves the path empty, which
    // reads as a missing file, rather than a stale path from an earlier call.
    const DWORD length = GetFullPathNameA(fileName, kSettingsPathSize, g_settingsPath, nullptr);
    if (length == 0 || length >= kSettingsPathSize) {
        g_settingsPath[0] = '\0';
    }
}

void ResolveSettingsPath()
{
    ResolveSettingsPathOf("headview.ini");
}

bool SettingsFileExists()
{
    return g_settingsPath[0] != '\0' && GetFileAttributesA(g_settingsPath) != INVALID_FILE_ATTRIBUTES;
}

bool ReadAllSettings(Settings* settings)
{
    bool allRead = true;
    allRead &= ReadHexSetting("headviewing", 1, &settings->enabled);
    allRead &= ReadHexSetting("headviewing_test", 1, &settings->test);
    allRead &= ReadHexSetting("headviewing_multiplier", 35, &settings->multiplier);
    allRead &= ReadFloatSetting("headviewing_offset", &settings->offset);
    // Added after the other four: files written before it existed read as
    // they always did, with no error line for the missing key.
    allRead &= ReadOptionalHexSetting("headviewing_source", 0, &settings->source);
    return allRead;
}
