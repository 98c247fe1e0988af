// headview.ini as the probe sees it: read through the plugin's own settings
// reader, and one key's value changed with every other byte kept.
#pragma once

#include "settings/settings.h"

#include <string>

struct IniState {
    std::string path;   // full path
    bool exists;        // false: the plugin keeps the camera off
    Settings settings;  // what the plugin reads; all 0 when the file is missing
    bool allRead;       // false: the plugin logs a reading error
};

IniState ReadIni(const std::string& path);

// Sets `key` to `value` in the existing file at `path`: writes the new text
// beside it and moves it over the old file in one step, so a reader sees
// either file whole. On failure the file is left as it was and `error` says
// why.
bool WriteIniValue(const std::string& path, const std::string& key, const std::string& value, std::string* error);
