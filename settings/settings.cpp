#include "settings/settings.h"

#include "log/log.h"

#include <windows.h>

Settings g_settings = {};
char g_settingsPath[kSettingsPathSize] = "";

namespace {

bool SettingsFileExists()
{
    return g_settingsPath[0] != '\0' && GetFileAttributesA(g_settingsPath) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void ResolveSettingsPath()
{
    // A resolution that fails or does not fit leaves the path empty, which
    // reads as a missing file, rather than a stale path from an earlier call.
    const DWORD length = GetFullPathNameA("headview.ini", kSettingsPathSize, g_settingsPath, nullptr);
    if (length == 0 || length >= kSettingsPathSize) {
        g_settingsPath[0] = '\0';
    }
}

void LoadSettings()
{
    if (!SettingsFileExists()) {
        LogLine("headview: (Error) could not find ini file!");
        return;
    }
    bool allRead = true;
    allRead &= ReadHexSetting("headviewing", 1, &g_settings.enabled);
    allRead &= ReadHexSetting("headviewing_test", 1, &g_settings.test);
    allRead &= ReadHexSetting("headviewing_multiplier", 35, &g_settings.multiplier);
    allRead &= ReadFloatSetting("headviewing_offset", &g_settings.offset);
    // Added after the other four: files written before it existed read as
    // they always did, with no error line for the missing key.
    allRead &= ReadOptionalHexSetting("headviewing_source", 0, &g_settings.source);
    if (!allRead) {
        LogLine("headview: (Error) reading settings from ini file!");
    }
}

void StartSettings()
{
    ResolveSettingsPath();
    LoadSettings();
}

void RefreshSettings()
{
    if (g_settings.test == 1) {
        ResolveSettingsPath();
        LoadSettings();
    }
}
