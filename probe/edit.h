// Changing headview.ini: one value set, every other byte and the file's
// attributes kept, the change read back through the plugin's own reader
// before it replaces the file; and --centre and --gain, which measure it.
#pragma once

#include "probe/ini_lines.h"
#include "probe/judge.h"

// Why the probe will not change this file; empty when it will. A file
// Windows' and Wine's readers would read otherwise is left alone.
std::string WhyNotEditable(const IniFacts& ini);

// `key` set under the first [Settings] (its line added at the section's end,
// or the section at the text's end); a UTF-8 mark right before a section
// line gets a line end after it, so that Windows' reader sees the section.
IniText WithValue(IniText text, SettingKey key, const std::string& value);

// Through headview.ini.probe-new beside the file (one left by a stopped
// probe removed first: `leftover`), read back as planned, then ReplaceFileW;
// each touch retried for 2 s. On failure the file is left as it was.
bool WriteIniValue(const std::wstring& path, SettingKey key, const std::string& value, bool* leftover,
                   std::string* error);

Findings RunCentre(const std::wstring& iniOption);
Findings RunGain(const std::wstring& iniOption, double degrees);
