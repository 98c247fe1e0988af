// The plugin's settings, read from headview.ini in the game's working
// directory (section Settings; integers in base 16).
#pragma once

#include <stdint.h>

struct Settings {
    int32_t enabled;     // headviewing: steering is on only when exactly 1
    int32_t test;        // headviewing_test: reload every frame when exactly 1
    int32_t multiplier;  // headviewing_multiplier: gain applied to the yaw
    float offset;        // headviewing_offset: added to the yaw before the gain
    int32_t source;      // headviewing_source: 1 steers from the processed yaw, else the raw yaw
};

// All zero until the first load.
extern Settings g_settings;

// Full path of headview.ini; empty until resolved.
constexpr int kSettingsPathSize = 260;
extern char g_settingsPath[kSettingsPathSize];

// Start-up: resolves the settings path, then loads the settings.
void StartSettings();

// Frame stage: reloads the settings while test is exactly 1.
void RefreshSettings();

// Resolves "headview.ini" against the current directory into g_settingsPath.
void ResolveSettingsPath();
// The same for another file name or path (the probe's --ini).
void ResolveSettingsPathOf(const char* fileName);

// Reads all five keys into g_settings; logs a missing file or unreadable keys.
void LoadSettings();

// True when something exists at the settings path (a directory counts).
bool SettingsFileExists();

// Reads the five keys from the file at the settings path into `settings`,
// key by key, each unreadable one taking its fallback; true when all read.
// Logs nothing: shared with the probe.
bool ReadAllSettings(Settings* settings);

// Reads `key` as a base-16 integer into `target`; on any failure stores
// `fallback` and returns false.
bool ReadHexSetting(const char* key, int32_t fallback, int32_t* target);

// As ReadHexSetting, but a key absent from the file takes `fallback`
// silently: true. Only a value present and unreadable returns false.
bool ReadOptionalHexSetting(const char* key, int32_t fallback, int32_t* target);

// Reads `key` as a decimal float into `target`; on any failure stores 0.0
// and returns false.
bool ReadFloatSetting(const char* key, float* target);
