// The encodings players' editors save headview.ini in, and back: ANSI and
// UTF-8 (with or without a byte-order mark) are edited as they are; UTF-16
// with a byte-order mark, little- or big-endian, is edited as UTF-8 and
// written back in its own byte order.
#pragma once

#include "probe/facts.h"

#include <string>

// The file's text to edit, and its encoding. False when the bytes would not
// come back the same from EncodeIniText (UTF-16 of odd length or with an
// unpaired surrogate): such a file is not to be edited.
bool DecodeIniText(const std::string& bytes, IniEncoding* encoding, std::string* text);

// The bytes of `text` in `encoding`, with its byte-order mark.
std::string EncodeIniText(const std::string& text, IniEncoding encoding);
