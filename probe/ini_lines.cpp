#include "probe/ini_lines.h"

#include "settings/utf8.h"

#include <stdio.h>

#include <algorithm>

namespace {

std::wstring Trimmed(std::wstring text)
{
    text.erase(0, text.find_first_not_of(L" \t"));
    text.erase(text.find_last_not_of(L" \t") + 1);
    return text;
}

IniLine LineAt(const std::wstring& units, size_t start, int settings)
{
    IniLine line = {};
    line.start = start;
    line.end = std::min(units.find_first_of(L"\r\n", start), units.size());
    line.next = line.end;
    if (units.compare(line.end, 2, L"\r\n") == 0) {
        line.next += 2;
    } else if (line.end < units.size()) {
        line.next += 1;
    }
    line.settings = settings;
    line.value = std::wstring::npos;
    const std::wstring content = Trimmed(units.substr(start, line.end - start));
    line.comment = !content.empty() && (content[0] == L';' || content[0] == L'#');
    const size_t close = content.find(L']');
    line.header = !content.empty() && content[0] == L'[' && close != std::wstring::npos;
    if (line.header) {
        line.odd = content.find(L']', close + 1) != std::wstring::npos;
        line.name = Trimmed(content.substr(1, close - 1));
        return line;
    }
    if (line.comment) {
        return line;
    }
    const size_t equals = std::min(units.find(L'=', start), line.end);
    if (equals < line.end) {
        line.value = std::min(units.find_first_not_of(L" \t", equals + 1), line.end);
    }
    line.name = Trimmed(units.substr(start, equals - start));
    return line;
}

// "a second [Settings]", "a third", up to "a tenth", then "a later".
std::string Ordinal(int settings, const std::string& header)
{
    const char* const names[] = {"second", "third", "fourth", "fifth", "sixth", "seventh", "eighth", "ninth", "tenth"};
    if (settings > 10) {
        return "a later " + header;
    }
    return std::string("a ") + names[settings - 2] + " " + header;
}

}  // namespace

bool ReadBytes(const std::wstring& path, std::string* bytes)
{
    bytes->clear();
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[4096];
    for (size_t got = 0; (got = fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes->append(buffer, got);
    }
    const bool read = ferror(file) == 0;
    fclose(file);
    return read;
}

IniText DecodeIni(const std::string& bytes)
{
    IniText text = {kEightBit, L"", ""};
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        text.encoding = kUtf16Le;
    } else if (bytes.compare(0, 2, "\xFE\xFF") == 0) {
        text.encoding = kUtf16Be;
    }
    const size_t unit = text.encoding == kEightBit ? 1 : 2;
    for (size_t at = 0; at + unit <= bytes.size(); at += unit) {
        const unsigned first = static_cast<unsigned char>(bytes[at]);
        const unsigned second = static_cast<unsigned char>(bytes[at + unit - 1]);
        unsigned value = first;
        if (text.encoding == kUtf16Le) {
            value = second << 8 | first;
        } else if (text.encoding == kUtf16Be) {
            value = first << 8 | second;
        }
        text.units += static_cast<wchar_t>(value);
    }
    text.tail = bytes.substr(bytes.size() - bytes.size() % unit);
    return text;
}

std::string EncodeIni(const IniText& text)
{
    std::string bytes;
    for (const wchar_t unit : text.units) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        if (text.encoding == kEightBit) {
            bytes += low;
        } else if (text.encoding == kUtf16Le) {
            bytes += {low, high};
        } else {
            bytes += {high, low};
        }
    }
    return bytes + text.tail;
}

size_t MarkLength(const IniText& text)
{
    if (text.encoding == kEightBit) {
        return text.units.compare(0, 3, L"\xEF\xBB\xBF") == 0 ? 3 : 0;
    }
    return text.units.compare(0, 1, L"\xFEFF") == 0 ? 1 : 0;
}

std::vector<IniLine> SplitIni(const IniText& text)
{
    std::vector<IniLine> lines;
    int settings = 0, seen = 0;
    for (size_t at = MarkLength(text); at < text.units.size(); at = lines.back().next) {
        lines.push_back(LineAt(text.units, at, settings));
        if (lines.back().header) {
            settings = SameName(lines.back().name, "Settings") ? ++seen : -1;
            lines.back().settings = settings;
        }
    }
    return lines;
}

bool SameName(const std::wstring& name, const char* key)
{
    return _wcsicmp(name.c_str(), WideFromUtf8(key).c_str()) == 0;
}

std::string Shown(const IniText& text, const std::wstring& units)
{
    if (text.encoding != kEightBit) {
        return Utf8FromWide(units);
    }
    const std::string bytes(units.begin(), units.end());
    if (MarkLength(text) == 3) {
        return Utf8FromWide(WideFromUtf8(bytes));  // a broken sequence shown as U+FFFD
    }
    const int size = static_cast<int>(bytes.size());
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, &wide[0], static_cast<int>(wide.size()));
    return Utf8FromWide(wide);
}

std::string TextOf(const IniText& text, const IniLine& line)
{
    return Shown(text, text.units.substr(line.start, line.end - line.start));
}

std::string PlaceOf(const IniText& text, const std::vector<IniLine>& lines, size_t at)
{
    size_t header = at;
    while (header > 0 && !lines[header].header) {
        --header;
    }
    if (!lines[header].header || lines[at].settings == 0) {
        return "above every section";
    }
    const std::string shown = TextOf(text, lines[header]);
    if (lines[at].settings > 1) {
        return "under " + Ordinal(lines[at].settings, shown);
    }
    return "under " + shown;
}

int KeyLine(const std::vector<IniLine>& lines, const char* key)
{
    for (size_t at = 0; at < lines.size(); ++at) {
        if (lines[at].settings == 1 && !lines[at].header && SameName(lines[at].name, key)) {
            return static_cast<int>(at);
        }
    }
    return -1;
}

bool FirstValue(const IniText& text, const char* key, std::string* value)
{
    value->clear();
    const std::vector<IniLine> lines = SplitIni(text);
    const int at = KeyLine(lines, key);
    if (at < 0 || lines[at].value == std::wstring::npos) {
        return false;  // none, or a name without "=": the reader gives the default, as for no key
    }
    const IniLine& line = lines[at];
    *value = Shown(text, Trimmed(text.units.substr(line.value, line.end - line.value)).substr(0, kSettingReadSize - 1));
    return true;
}

std::wstring LineEndOf(const IniText& text)
{
    const std::wstring& units = text.units;
    if (units.find(L'\n') == std::wstring::npos || units.find(L"\r\n") != std::wstring::npos) {
        return L"\r\n";
    }
    return L"\n";
}

std::wstring CommentOf(const IniText& text, const IniLine& line)
{
    if (line.value == std::wstring::npos) {
        return L"";
    }
    const size_t mark = text.units.find_first_of(L";#", line.value);
    if (mark >= line.end) {
        return L"";
    }
    return Trimmed(text.units.substr(mark, line.end - mark));
}

size_t CommentsAbove(const std::vector<IniLine>& lines, size_t at)
{
    while (at > 0 && lines[at - 1].comment) {
        --at;
    }
    return at;
}

IniText WithLinesAdded(IniText text, const std::wstring& lines)
{
    std::wstring& units = text.units;
    const std::wstring lineEnd = LineEndOf(text);
    size_t at = std::wstring::npos;  // after the first section's last line that is not blank
    for (const IniLine& line : SplitIni(text)) {
        const bool blank = !line.header && !line.comment && line.name.empty() && line.value == std::wstring::npos;
        if (line.settings == 1 && !blank) {
            at = line.next;
        }
    }
    std::wstring added = lines;
    if (at == std::wstring::npos) {
        at = units.size();
        added = L"[Settings]" + lineEnd + lines;
    }
    if (at == units.size() && !units.empty() && units.back() != L'\n' && units.back() != L'\r') {
        added = lineEnd + added;
    }
    units.insert(at, added);
    return text;
}

IniText WithValue(IniText text, SettingKey key, const std::string& value)
{
    const std::vector<IniLine> lines = SplitIni(text);
    const int at = KeyLine(lines, kSettingKeys[key]);
    if (at < 0) {
        return WithLinesAdded(text, WideFromUtf8(std::string(kSettingKeys[key]) + "=" + value) + LineEndOf(text));
    }
    const IniLine& line = lines[at];
    const std::wstring comment = CommentOf(text, line);
    if (line.value == std::wstring::npos) {
        text.units.insert(line.end, L"=" + WideFromUtf8(value));
    } else {
        text.units.replace(line.value, line.end - line.value, WideFromUtf8(value));
    }
    if (!comment.empty()) {
        text.units.insert(line.start, comment + LineEndOf(text));
    }
    return text;
}

bool SectionHidden(const IniText& text)
{
    const std::vector<IniLine> lines = SplitIni(text);
    return MarkLength(text) == 3 && !lines.empty() && lines[0].header;
}

IniText WithSectionSeen(IniText text)
{
    if (SectionHidden(text)) {
        text.units.insert(3, LineEndOf(text));
    }
    return text;
}
