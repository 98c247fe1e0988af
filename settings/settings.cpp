#include "settings/settings.h"

#include "log/log.h"

Settings g_settings = {};

void LoadSettings()
{
    if (!SettingsFileExists(g_settingsPath)) {
        LogLine("headview: (Error) could not find ini file!");
        return;
    }
    if (!ReadAllSettings(g_settingsPath, &g_settings)) {
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
