// The plugin's settings, read from headview.ini in the game's working
// directory (section Settings; integers in base 16).
#pragma once

#include <stddef.h>
#include <stdint.h>

struct Settings {
    int32_t enabled;     // headviewing: steering is on only when exactly 1
    int32_t test;        // headviewing_test: reload every frame when exactly 1
    int32_t multiplier;  // headviewing_multiplier: gain applied to the yaw
    float offset;        // headviewing_offset: added to the yaw before the gain
    int32_t source;      // headviewing_source: 1 steers from the processed yaw, else the raw yaw
    int32_t status;      // headviewing_status: 1 publishes what headview does for headview-probe
};

// All zero until the first load.
extern Settings g_settings;

// Full path of headview.ini, in UTF-16 for the wide platform calls, so that
// the game's folder may hold any letters; empty until resolved.
constexpr int kSettingsPathSize = 260;
extern wchar_t g_settingsPath[kSettingsPathSize];

// The six keys, in the order they are read: kSettingKeys[kOffsetKey] is
// "headviewing_offset".
enum SettingKey { kEnabledKey, kTestKey, kMultiplierKey, kOffsetKey, kSourceKey, kStatusKey, kSettingKeyCount };
extern const char* const kSettingKeys[kSettingKeyCount];

// What the profile reader keeps of a value: 31 characters and a NUL. The
// value's text is handed on in UTF-8, at most three bytes a character.
constexpr size_t kSettingReadSize = 32;
constexpr size_t kSettingTextSize = 3 * (kSettingReadSize - 1) + 1;

// Start-up: resolves the settings path, then loads the settings.
void StartSettings();

// Frame stage: reloads the settings while test is exactly 1.
void RefreshSettings();

// Resolves "headview.ini" against the current directory into g_settingsPath.
void ResolveSettingsPath();
// Resolves `fileName` against the current directory into `path`; `path` is
// left empty when the resolution fails or does not fit.
void ResolveSettingsPathOf(const wchar_t* fileName, wchar_t (&path)[kSettingsPathSize]);

// Where a setting's value came from, at the last load that found the file.
enum StatusOrigin : uint8_t {
    kOriginNotRead,   // no load has found headview.ini yet: the value is 0
    kOriginFile,      // read from headview.ini
    kOriginFallback,  // unreadable or missing: the key's fallback, with the log's error line
    kOriginAbsent,    // a later key (headviewing_source, headviewing_status) left out: its default, no error
};

// Where each value in g_settings came from (a StatusOrigin, by SettingKey),
// at the last load that found headview.ini; all kOriginNotRead before one.
extern uint8_t g_settingOrigins[kSettingKeyCount];
// True when the last load found headview.ini.
extern bool g_iniFound;

// Reads all six keys from g_settingsPath into g_settings, noting their
// origins; logs a missing file or unreadable keys.
void LoadSettings();

// True when something exists at `path` (a directory counts).
bool SettingsFileExists(const wchar_t* path);

// Reads the six keys from the file at `path` into `settings`, key by key,
// each unreadable one taking its fallback; true when all read. Logs
// nothing: shared with the probe.
bool ReadAllSettings(const wchar_t* path, Settings* settings);
// As ReadAllSettings, noting where each value came from (a StatusOrigin, by
// SettingKey) in `origins`.
bool ReadAllSettingsNoting(const wchar_t* path, Settings* settings, uint8_t (&origins)[kSettingKeyCount]);

// The text of `key` in section Settings of the file at `path`, as the
// profile reader returns it (trimmed, cut to 31 characters), in UTF-8; false, with
// `text` empty, when the key is absent.
bool ReadSettingText(const wchar_t* path, const char* key, char (&text)[kSettingTextSize]);

// Every key's text as ReadSettingText returns it, by SettingKey.
struct SettingTexts {
    char text[kSettingKeyCount][kSettingTextSize];
    bool present[kSettingKeyCount];
};
void ReadSettingTexts(const wchar_t* path, SettingTexts* texts);

// Reads `key` as a base-16 integer into `target`; on any failure stores
// `fallback` and returns false.
bool ReadHexSetting(const wchar_t* path, const char* key, int32_t fallback, int32_t* target);

// As ReadHexSetting, but a key absent from the file takes `fallback`
// silently: true. Only a value present and unreadable returns false.
bool ReadOptionalHexSetting(const wchar_t* path, const char* key, int32_t fallback, int32_t* target);
// As ReadOptionalHexSetting, saying where the value came from: kOriginFile,
// kOriginFallback, or kOriginAbsent for a key absent from the file.
StatusOrigin ReadOptionalHexOrigin(const wchar_t* path, const char* key, int32_t fallback, int32_t* target);

// Reads `key` as a decimal float into `target`; on any failure stores 0.0
// and returns false.
bool ReadFloatSetting(const wchar_t* path, const char* key, float* target);

// The conversions of those readers on a value's UTF-8 text of `length`
// bytes (a character beyond ASCII is never part of a number): true when the whole text converts; `value` is then the
// number, else untouched.
bool ConvertHexSettingText(const char* text, size_t length, int32_t* value);
bool ConvertFloatSettingText(const char* text, size_t length, float* value);
