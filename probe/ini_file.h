// headview.ini on disk: its facts as Windows reads them, and one key's value
// changed with every other byte kept, replacing the file only once the
// change reads back through the plugin's own reader.
#pragma once

#include "probe/facts.h"

#include <string>

// The folder part of a path, with its trailing backslash; empty for a bare name.
std::string FolderOf(const std::string& path);

// Gathers the file's facts; prints nothing and changes nothing.
IniFacts GatherIniFacts(const std::string& path);

// Before any head hold: false, with `error` saying why, when the file is
// missing, a folder or read-only, or no temporary file can be made beside
// it. The file itself is never opened for writing.
bool CheckIniWritable(const IniFacts& ini, std::string* error);

// The bytes of `bytes` with `key` set to `value`, in the file's own encoding
// and line ends, or converted without loss where Windows could not read the
// result (`converted` then says how); false, with `error` saying why, when
// neither is possible. Touches no file.
bool PlanIniEdit(const std::string& bytes, const std::string& key, const std::string& value, std::string* edited,
                 std::string* converted, std::string* error);

// True when every key of `is` reads as in `was`, but `key`, which must read
// as `value`; else `error` names the first key that does not.
bool ReadsAsEdited(const SettingTexts& was, const SettingTexts& is, SettingKey key, const std::string& value,
                   std::string* error);

// Checks that an edit of `key` would read back as written (on a temporary
// copy beside the file, then removed), as WriteIniValue will check.
bool CheckIniEditable(const std::string& path, SettingKey key, const std::string& sampleValue, std::string* error);

// Sets `key` to `value` in the file at `path`: the plan above, written to a
// temporary file beside it, read back through the plugin's reader, and moved
// over the file only when it reads as planned. Every touch of the file
// retries for up to 2 s while another program holds it. On failure the file
// is left byte for byte as it was and `error` says why; the temporary file
// is removed on every path.
bool WriteIniValue(const std::string& path, SettingKey key, const std::string& value, std::string* converted,
                   std::string* error);
