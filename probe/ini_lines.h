// headview.ini as code units (each byte of an 8-bit file, each unit of a
// UTF-16 one) and its lines: to explain a key the reader did not return, and
// the text transforms an edit is made of, every other byte kept.
#pragma once

#include "settings/settings.h"

#include <string>
#include <vector>

enum Encoding { kEightBit, kUtf16Le, kUtf16Be };

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
    bool header, odd;         // "[name]"; odd: a second "]", where Windows' reader and Wine's end the name apart
    bool comment;             // its first letter ";" or "#": never a key of headview's
    std::wstring name;        // a header's, or the name before "=", trimmed
    size_t value;             // after "=" and blanks; npos without "="
    int settings;             // 0 above every section, n under the nth [Settings], -1 under another
};
std::vector<IniLine> SplitIni(const IniText& text);
bool SameName(const std::wstring& name, const char* key);  // letters in any case
// Units as the player reads them, in UTF-8: an 8-bit file's bytes as the
// reader takes them, from the ANSI code page unless a UTF-8 mark leads.
std::string Shown(const IniText& text, const std::wstring& units);
std::string TextOf(const IniText& text, const IniLine& line);
// Where line `at` stands: "above every section", "under [Other]", "under a second [Settings]".
std::string PlaceOf(const IniText& text, const std::vector<IniLine>& lines, size_t at);
// The line the reader takes `key` from: its first under the first [Settings]; -1 for none.
int KeyLine(const std::vector<IniLine>& lines, const char* key);
// The value of `key`'s first line under the first [Settings], as the reader
// keeps it: trimmed, 31 characters; false when there is none, or it has no "=".
bool FirstValue(const IniText& text, const char* key, std::string* value);

// The text transforms of an edit.
std::wstring LineEndOf(const IniText& text);
// The comment after a line's value (from its ";" or "#"), to keep on a line of its own.
std::wstring CommentOf(const IniText& text, const IniLine& line);
// The first of the comment lines right above line `at` (`at` when there are none).
size_t CommentsAbove(const std::vector<IniLine>& lines, size_t at);
// `lines` (each with its line end) put after the first [Settings]' last line
// that is not blank, or under a [Settings] line added at the end.
IniText WithLinesAdded(IniText text, const std::wstring& lines);
// `key` set to `value` under the first [Settings]: on its first line there,
// the comment after the old value put on the line above; else a line added.
IniText WithValue(IniText text, SettingKey key, const std::string& value);
// A UTF-8 mark right before a section line, where Windows' reader does not see the section.
bool SectionHidden(const IniText& text);
IniText WithSectionSeen(IniText text);  // a line end after that mark
