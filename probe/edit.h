// Changing headview.ini: the text of an edit, and the one way it is written:
// every other byte and the file's attributes kept, the new text read back
// through the plugin's own reader before it replaces the file.
#pragma once

#include "probe/ini_lines.h"

#include <windows.h>

// Why the probe will not change this file; empty when it will. A file
// Windows' and Wine's readers would read otherwise is left alone.
std::string WhyNotEditable(const IniFacts& ini);

// `key` set under the first [Settings] (its line added at the section's end,
// or the section at the text's end); a UTF-8 mark right before a section
// line gets a line end after it, so that Windows' reader sees the section.
IniText WithValue(IniText text, SettingKey key, const std::string& value);
IniText WithSectionSeen(IniText text);  // that line end alone
std::wstring LineEndOf(const IniText& text);

// What headview is to read after an edit: a key the edit sets as its value;
// every other key as before, or, where the edit `reveals` keys (a section
// line put in or uncovered), as the new text's lines say.
struct Planned {
    bool sets[kSettingKeyCount];
    std::string values[kSettingKeyCount];
    bool reveals;
};

// `after` over the file `ini` describes, which must still hold `ini.bytes`
// (or still be missing): through headview.ini.probe-new beside it (one left
// by a stopped probe removed first: `leftover`), read back as planned, then
// replaced in one step; each touch retried for 2 s. On failure the file is
// left as it was.
bool WriteIni(const IniFacts& ini, const IniText& after, const Planned& planned, bool* leftover, std::string* error);
// One value set in the file at `path`, as it is now.
bool WriteIniValue(const std::wstring& path, SettingKey key, const std::string& value, bool* leftover,
                   std::string* error);

// How the temporary file replaces headview.ini on Windows: ReplaceFileW,
// unless a test hands in a stand-in that fails as Windows can. Under Wine,
// whose ReplaceFileW leaves a moment without the file, a rename does it
// while this is null.
using ReplaceCall = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
extern ReplaceCall g_replaceFile;
