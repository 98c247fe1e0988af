// The one way headview.ini is written: every other byte and the file's
// attributes kept, the new text read back through the plugin's own reader
// before it replaces the file, and the file as it was kept as headview.ini.bak.
#pragma once

#include "probe/gather.h"

#include <windows.h>

// Why the probe will not change this file; empty when it will. A file
// Windows' and Wine's readers would read otherwise is left alone.
std::string WhyNotEditable(const IniFacts& ini);

// What headview is to read after an edit: a key the edit sets as its value;
// every other key as before, or, where the edit `reveals` keys (a section
// line put in or uncovered), as the new text's lines say.
struct Planned {
    bool sets[kSettingKeyCount];
    std::string values[kSettingKeyCount];
    bool reveals;
};

// `after` over the file `ini` describes, which must still hold `ini.bytes`
// (or still be missing): written beside it as headview.ini.probe-new, read
// back, then put in its place in one step, the old file kept as
// headview.ini.bak; each touch retried for 2 s. On failure the file is left
// as it was and no file of the probe's is left beside it.
bool WriteIni(const IniFacts& ini, const IniText& after, const Planned& planned, std::string* error);
// `name`, beside headview.ini where there is none, renamed to it.
bool RenameToIni(const IniFacts& ini, const std::string& name, std::string* error);
// After a failure: what stands on disk now, for the player.
std::string OnDisk(const IniFacts& ini);

// How the temporary file replaces headview.ini on Windows: ReplaceFileW,
// unless a test hands in a stand-in that fails as Windows can. Under Wine,
// whose ReplaceFileW leaves a moment without the file, a rename does it
// while this is null.
using ReplaceCall = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
extern ReplaceCall g_replaceFile;
