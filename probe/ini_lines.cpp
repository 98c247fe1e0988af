#include "probe/ini_lines.h"

#include "settings/utf8.h"

#include <stdio.h>
#include <string.h>

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
    line.next = line.end + (units.compare(line.end, 2, L"\r\n") == 0 ? 2 : line.end < units.size() ? 1 : 0);
    line.settings = settings;
    const std::wstring content = Trimmed(units.substr(start, line.end - start));
    const size_t close = content.find(L']');
    line.header = !content.empty() && content[0] == L'[' && close != std::wstring::npos;
    line.odd = line.header && close + 1 < content.size();
    const size_t equals = line.header ? line.end : std::min(units.find(L'=', start), line.end);
    line.value =
        equals < line.end ? std::min(units.find_first_not_of(L" \t", equals + 1), line.end) : std::wstring::npos;
    line.name = Trimmed(line.header ? content.substr(1, close - 1) : units.substr(start, equals - start));
    return line;
}

}  // namespace

bool ReadBytes(const std::wstring& path, std::string* bytes)
{
    bytes->clear();
    FILE* file = _wfopen(path.c_str(), L"rb");
    char buffer[4096];
    for (size_t got = 0; file != nullptr && (got = fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes->append(buffer, got);
    }
    const bool read = file != nullptr && ferror(file) == 0;
    if (file != nullptr) {
        fclose(file);
    }
    return read;
}

IniText DecodeIni(const std::string& bytes)
{
    const bool little = bytes.compare(0, 2, "\xFF\xFE") == 0, big = bytes.compare(0, 2, "\xFE\xFF") == 0;
    IniText text = {little ? kUtf16Le : big ? kUtf16Be : kEightBit, L"", ""};
    const size_t unit = little || big ? 2 : 1;
    for (size_t at = 0; at + unit <= bytes.size(); at += unit) {
        const unsigned first = static_cast<unsigned char>(bytes[at]),
                       second = static_cast<unsigned char>(bytes[at + unit - 1]);
        text.units += static_cast<wchar_t>(unit == 1 ? first : little ? second << 8 | first : first << 8 | second);
    }
    text.tail = bytes.substr(bytes.size() - bytes.size() % unit);
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
    return text.encoding == kEightBit ? (text.units.compare(0, 3, L"\xEF\xBB\xBF") == 0 ? 3 : 0)
                                      : (text.units.compare(0, 1, L"\xFEFF") == 0 ? 1 : 0);
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
    return _wcsicmp(name.c_str(), WideFromUtf8(key).c_str()) == 0;
}

std::string TextOf(const IniText& text, const IniLine& line)
{
    const std::wstring units = text.units.substr(line.start, line.end - line.start);
    return text.encoding == kEightBit ? std::string(units.begin(), units.end()) : Utf8FromWide(units);
}

bool FirstValue(const IniText& text, const char* key, std::string* value)
{
    for (const IniLine& line : SplitIni(text)) {
        if (line.settings == 1 && !line.header && SameName(line.name, key)) {
            const size_t from = line.value == std::wstring::npos ? line.end : line.value;
            const std::wstring units =
                Trimmed(text.units.substr(from, line.end - from)).substr(0, kSettingReadSize - 1);
            *value = text.encoding == kEightBit ? std::string(units.begin(), units.end()) : Utf8FromWide(units);
            return true;
        }
    }
    value->clear();
    return false;
}
