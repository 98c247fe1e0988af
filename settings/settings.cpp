#include "settings/settings.h"

#include "log/log.h"

Settings g_settings = {};
uint8_t g_settingOrigins[kSettingKeyCount] = {};
bool g_iniFound = false;

void LoadSettings()
{
    g_iniFound = SettingsFileExists(g_settingsPath);
    if (!g_iniFound) {
        LogLine("headview: (Error) could not find ini file!");
        return;
    }
    if (!ReadAllSettingsNoting(g_settingsPath, &g_settings, g_settingOrigins)) {
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
