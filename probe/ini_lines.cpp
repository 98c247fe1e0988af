#include "probe/ini_lines.h"

#include "settings/utf8.h"

#include <stdio.h>
#include <wctype.h>

#include <algorithm>

namespace {

std::wstring Trimmed(const std::wstring& units, size_t from, size_t to)
{
    while (from < to && (units[from] == L' ' || units[from] == L'\t')) {
        ++from;
    }
    while (to > from && (units[to - 1] == L' ' || units[to - 1] == L'\t')) {
        --to;
    }
    return units.substr(from, to - from);
}

IniLine LineAt(const std::wstring& units, size_t start, int settings)
{
    const size_t end = std::min(units.find_first_of(L"\r\n", start), units.size());
    IniLine line = {start,
                    end,
                    end + (units.compare(end, 2, L"\r\n") == 0 ? 2
                           : end < units.size()                ? 1
                                                               : 0),
                    false,
                    false,
                    L"",
                    std::wstring::npos,
                    settings};
    const std::wstring content = Trimmed(units, start, end);
    const size_t close = content.find(L']');
    if (!content.empty() && content[0] == L'[' && close != std::wstring::npos) {
        line.header = true;
        line.odd = close + 1 < content.size();
        line.name = Trimmed(content, 1, close);
        return line;
    }
    const size_t equals = std::min(units.find(L'=', start), end);
    line.value = equals < end ? std::min(units.find_first_not_of(L" \t", equals + 1), end) : std::wstring::npos;
    line.name = Trimmed(units, start, equals);
    return line;
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
    const bool little = bytes.compare(0, 2, "\xFF\xFE") == 0, big = bytes.compare(0, 2, "\xFE\xFF") == 0;
    IniText text = {little ? kUtf16Le : big ? kUtf16Be : kEightBit, L"", ""};
    for (size_t at = 0; at < bytes.size(); at += little || big ? 2 : 1) {
        const unsigned first = static_cast<unsigned char>(bytes[at]);
        if (!little && !big) {
            text.units += static_cast<wchar_t>(first);
        } else if (at + 1 < bytes.size()) {
            const unsigned second = static_cast<unsigned char>(bytes[at + 1]);
            text.units += static_cast<wchar_t>(little ? second << 8 | first : first << 8 | second);
        } else {
            text.tail = bytes.substr(at);
        }
    }
    return text;
}

std::string EncodeIni(const IniText& text)
{
    std::string bytes;
    for (const wchar_t unit : text.units) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes += text.encoding == kEightBit  ? std::string{low}
                 : text.encoding == kUtf16Le ? std::string{low, high}
                                             : std::string{high, low};
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
            settings = lines.back().settings = SameName(lines.back().name, "Settings") ? ++seen : -1;
        }
    }
    return lines;
}

bool SameName(const std::wstring& name, const char* key)
{
    size_t i = 0;
    while (i < name.size() && key[i] != '\0' && towlower(name[i]) == towlower(static_cast<wchar_t>(key[i]))) {
        ++i;
    }
    return i == name.size() && key[i] == '\0';
}

std::string TextOf(const IniText& text, const IniLine& line)
{
    const std::wstring units = text.units.substr(line.start, line.end - line.start);
    return text.encoding == kEightBit ? std::string(units.begin(), units.end()) : Utf8FromWide(units);
}
