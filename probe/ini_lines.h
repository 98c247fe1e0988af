// headview.ini as code units (each byte of an 8-bit file, each unit of a
// UTF-16 one) and its lines: to explain a key the reader did not return, and
// to change one value with every other byte kept.
#pragma once

#include "probe/facts.h"

#include <vector>

struct IniText {
    Encoding encoding;
    std::wstring units;
    std::string tail;  // the odd last byte of a UTF-16 file
};
bool ReadBytes(const std::wstring& path, std::string* bytes);
IniText DecodeIni(const std::string& bytes);
std::string EncodeIni(const IniText& text);
size_t MarkLength(const IniText& text);  // its byte-order mark

struct IniLine {
    size_t start, end, next;  // without the line end; where the next line starts
    bool header, odd;         // "[name]", its name ending at the first "]"; odd: more after it
    std::wstring name;        // a header's, or the name before "=", trimmed
    size_t value;             // after "=" and blanks; npos without "="
    int settings;             // 0 above every section, n under the nth [Settings], -1 under another
};
std::vector<IniLine> SplitIni(const IniText& text);
bool SameName(const std::wstring& name, const char* key);      // letters in any case
std::string TextOf(const IniText& text, const IniLine& line);  // UTF-8, for the player
// The value of `key`'s first line under the first [Settings], as the reader
// keeps it: trimmed, 31 characters; false when there is none.
bool FirstValue(const IniText& text, const char* key, std::string* value);
