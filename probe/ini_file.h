// headview.ini as the probe sees it: read through the plugin's own settings
// reader, and one key's value changed with every other byte kept, replacing
// the file only once the change reads back through that same reader.
#pragma once

#include "settings/settings.h"

#include <string>

struct IniState {
    std::string path;   // full path
    bool exists;        // false: the plugin keeps the camera off
    Settings settings;  // what the plugin reads; all 0 when the file is missing
    bool allRead;       // false: the plugin logs a reading error
    std::string texts[kSettingKeyCount];  // each key's text as the reader returns it; empty when absent
    bool present[kSettingKeyCount];       // the key is in the file
};

IniState ReadIni(const std::string& path);

// Before any head hold: checks that the file at `path` is a regular file
// that opens for writing, beside which a temporary file can be made. False,
// with `error` saying why; the file is not touched.
bool CheckIniWritable(const std::string& path, std::string* error);

// Checks that an edit of `key` to `sampleValue` would read back as written
// (tried on a temporary copy beside the file, then removed), as
// WriteIniValue will check. False, with `error` saying why; the file is not
// touched.
bool CheckIniEditable(const std::string& path, const std::string& key, const std::string& sampleValue,
                      std::string* error);

// Sets `key` to `value` in the file at `path`, in the file's own encoding
// and line ends: writes the edited text to a temporary file beside it, reads
// that back through the plugin's reader, and moves it over the file in one
// step only when `key` reads as `value` and every other key as before,
// retrying for up to 2 s while another program has the file open. On
// failure the file is left byte for byte as it was, no temporary file
// remains, and `error` says why.
bool WriteIniValue(const std::string& path, const std::string& key, const std::string& value, std::string* error);
