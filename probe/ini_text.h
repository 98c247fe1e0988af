// Changing one key's value in the text of an ini file, every other byte
// kept: comments, blank lines, other sections, line ends, a byte-order mark.
#pragma once

#include "probe/facts.h"

#include <stdint.h>

#include <string>

// Returns `text` with `key` in section Settings set to `value`. Section and
// key match without regard to case; the first Settings section and the
// key's first occurrence in it (a line of the key alone, without "=",
// counts) are the ones the settings reader is expected to use. A missing
// key is added at the end of that section, a missing section at the end of
// the text, with the line ends the text already uses (CR LF or LF). Only the
// reader knows what it reads: callers read the result back through it.
std::string SetIniValue(const std::string& text, const std::string& key, const std::string& value);

// How Windows' profile reader takes `text` (a file's text, UTF-16 already
// made UTF-8, a UTF-8 mark kept) where it differs from other readers, and
// `view`: the text written so that every reader takes it as Windows does.
// `header` is the section line in question for kBracketInHeader.
WindowsReading ReadAsWindows(const std::string& text, IniEncoding encoding, std::string* view, std::string* header);

// A whole number in base 16 with its sign ("-27"), as the reader reads it
// back, for every 32-bit value.
std::string HexValueText(int32_t value);

// An offset rounded to 0.0001 (far below what an eye can see), with a point
// in any locale; false when it does not fit the 31 characters the reader keeps.
bool OffsetValueText(double offset, std::string* text);

// True when `text` holds only ASCII characters.
bool IsAscii(const std::string& text);
