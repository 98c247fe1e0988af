// Changing one key's value in the text of an ini file, every other byte
// kept: comments, blank lines, other sections, line ends, a byte-order mark.
#pragma once

#include <string>

// Returns `text` with `key` in section Settings set to `value`. Section and
// key match without regard to case; the first Settings section and the
// key's first occurrence in it (a line of the key alone, without "=",
// counts) are the ones the settings reader is expected to use. A missing
// key is added at the end of that section, a missing section at the end of
// the text, with the line ends the text already uses (CR LF or LF). Only the
// reader knows what it reads: callers read the result back through it.
std::string SetIniValue(const std::string& text, const std::string& key, const std::string& value);
