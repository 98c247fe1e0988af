#include "probe/ini_text.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

namespace {

constexpr const char* kSection = "Settings";
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

struct Line {
    size_t start;  // first byte
    size_t end;    // the byte after the content, before the line end
    size_t next;   // the first byte of the next line
};

bool IsSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// [first, last) without the blanks around it.
void Trim(const std::string& text, size_t* first, size_t* last)
{
    while (*first < *last && IsSpaceOrTab(text[*first])) {
        ++*first;
    }
    while (*last > *first && IsSpaceOrTab(text[*last - 1])) {
        --*last;
    }
}

bool SameWord(const std::string& text, size_t first, size_t last, const std::string& word)
{
    return last - first == word.size() && strncasecmp(text.c_str() + first, word.c_str(), word.size()) == 0;
}

Line LineAt(const std::string& text, size_t start)
{
    size_t next = text.find('\n', start);
    next = next == std::string::npos ? text.size() : next + 1;
    size_t end = next;
    if (end > start && text[end - 1] == '\n') {
        --end;
    }
    if (end > start && text[end - 1] == '\r') {
        --end;
    }
    return Line{start, end, next};
}

// The section name of a "[name]" line, or false for any other line.
bool SectionName(const std::string& text, const Line& line, size_t* first, size_t* last)
{
    size_t from = line.start, to = line.end;
    Trim(text, &from, &to);
    if (from == to || text[from] != '[') {
        return false;
    }
    const size_t close = text.find(']', from);
    if (close == std::string::npos || close >= to) {
        return false;
    }
    *first = from + 1;
    *last = close;
    Trim(text, first, last);
    return true;
}

// Where the value of a "key = value" line starts, or npos when the line
// sets another key or none. A line of the key alone, without "=", is the
// key with an empty value: `missingEquals` then says that "=" must go
// before the value, which starts where the key ends.
size_t ValueStart(const std::string& text, const Line& line, const std::string& key, bool* missingEquals)
{
    const size_t equals = text.find('=', line.start);
    *missingEquals = equals == std::string::npos || equals >= line.end;
    size_t first = line.start, last = *missingEquals ? line.end : equals;
    Trim(text, &first, &last);
    if (!SameWord(text, first, last, key)) {
        return std::string::npos;
    }
    if (*missingEquals) {
        return last;
    }
    size_t value = equals + 1;
    while (value < line.end && IsSpaceOrTab(text[value])) {
        ++value;
    }
    return value;
}

}  // namespace

std::string SetIniValue(const std::string& text, const std::string& key, const std::string& value)
{
    const std::string lineEnd = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const size_t begin = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
    bool inSection = false;
    size_t insertAt = std::string::npos;  // after the section's last non-blank line
    for (size_t at = begin; at < text.size();) {
        const Line line = LineAt(text, at);
        at = line.next;
        size_t first = 0, last = 0;
        if (SectionName(text, line, &first, &last)) {
            if (inSection) {
                break;  // the end of the first Settings section
            }
            inSection = SameWord(text, first, last, kSection);
            insertAt = inSection ? line.next : insertAt;
            continue;
        }
        if (!inSection) {
            continue;
        }
        bool missingEquals = false;
        const size_t valueStart = ValueStart(text, line, key, &missingEquals);
        if (valueStart != std::string::npos) {
            return text.substr(0, valueStart) + (missingEquals ? "=" : "") + value + text.substr(line.end);
        }
        size_t from = line.start, to = line.end;
        Trim(text, &from, &to);
        insertAt = from < to ? line.next : insertAt;
    }
    const std::string keyLine = key + "=" + value + lineEnd;
    if (insertAt == std::string::npos) {
        const bool open = !text.empty() && text.back() != '\n';
        return text + (open ? lineEnd : "") + "[" + kSection + "]" + lineEnd + keyLine;
    }
    // The section's last line may be the file's last, without a line end.
    const bool open = insertAt == text.size() && !text.empty() && text.back() != '\n';
    return text.substr(0, insertAt) + (open ? lineEnd : "") + keyLine + text.substr(insertAt);
}

WindowsReading ReadAsWindows(const std::string& text, IniEncoding encoding, std::string* view, std::string* header)
{
    *view = text;
    if (encoding == IniEncoding::kUtf16BigEndian) {
        view->clear();
        return WindowsReading::kBigEndian;
    }
    const bool marked = text.compare(0, 3, kByteOrderMark) == 0;
    WindowsReading reading = WindowsReading::kSame;
    size_t erased = 0;  // from `view` so far
    for (size_t at = marked ? 3 : 0; at < text.size();) {
        const Line line = LineAt(text, at);
        at = line.next;
        size_t first = 0, last = 0;
        if (!SectionName(text, line, &first, &last) || !SameWord(text, first, last, kSection)) {
            continue;
        }
        if (marked && line.start == 3) {
            // Windows takes the mark as part of the line: no section starts there.
            *view = ";" + text.substr(3);
            return WindowsReading::kMarkBeforeSection;
        }
        const size_t close = text.find(']', first);
        if (text.find(']', close + 1) < line.end) {
            *header = text.substr(line.start, line.end - line.start);
            view->erase(close + 1 - erased, line.end - close - 1);
            erased += line.end - close - 1;
            reading = WindowsReading::kBracketInHeader;
        }
    }
    return reading;
}

bool IsAscii(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) > 0x7F) {
            return false;
        }
    }
    return true;
}

std::string HexValueText(int32_t value)
{
    // The magnitude in unsigned arithmetic: -0x80000000 has no positive int32.
    const uint32_t bits = static_cast<uint32_t>(value);
    char text[16];
    snprintf(text, sizeof text, "%s%X", value < 0 ? "-" : "", static_cast<unsigned>(value < 0 ? 0u - bits : bits));
    return text;
}

bool OffsetValueText(double offset, std::string* text)
{
    constexpr size_t kLongestValue = 31;  // what the settings reader keeps of a value
    // The C locale, which the probe never changes, writes a point.
    char digits[400];
    const double rounded = round(offset * 10000.0) / 10000.0;
    const int length = snprintf(digits, sizeof digits, "%.4f", rounded == 0.0 ? 0.0 : rounded);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof digits) {
        return false;
    }
    text->assign(digits, static_cast<size_t>(length));
    text->erase(text->find_last_not_of('0') + 1);  // "-0.4200" reads as "-0.42"
    *text += text->back() == '.' ? "0" : "";
    return isfinite(rounded) && text->size() <= kLongestValue;
}
