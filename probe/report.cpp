#include "probe/report.h"

#include "probe/console.h"
#include "settings/utf8.h"

#include <windows.h>

#include <math.h>
#include <stdio.h>

#include <algorithm>

namespace {

constexpr size_t kColumns = 79;  // an 80th would leave a blank line on an 80-column console
const char* const kMarks[] = {"[stop] ", "[fix]  ", "[note] ", "[ok]   "};
const std::string kIndent(7, ' ');

// Columns on a console: two for the wide letters of East Asian scripts.
size_t Columns(const std::string& text)
{
    size_t columns = 0;
    for (const wchar_t c : WideFromUtf8(text)) {
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
        if (wide) {
            columns += 2;
        } else if (c < 0xDC00 || c > 0xDFFF) {  // a surrogate pair counts once
            columns += 1;
        }
    }
    return columns;
}

// `words` after `mark`, broken between words within kColumns, unless one
// word alone is longer; each line after the first starts with `indent`.
std::string Wrapped(const std::string& mark, const std::string& words, const std::string& indent = kIndent)
{
    std::string out = mark;
    size_t column = mark.size();
    for (size_t at = 0, end = 0; at < words.size(); at = end + 1) {
        end = std::min(words.find(' ', at), words.size());
        const std::string word = words.substr(at, end - at);
        const bool first = column == indent.size();
        if (!first && column + 1 + Columns(word) > kColumns) {
            out += "\n" + indent;
            column = indent.size();
        } else if (!first) {
            out += " ";
            ++column;
        }
        out += word;
        column += Columns(word);
        std::replace(out.end() - static_cast<std::ptrdiff_t>(word.size()), out.end(), kKeptBlank, ' ');
    }
    return out + "\n";
}

}  // namespace

std::string FormatReport(Findings findings)
{
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.mark < b.mark; });
    std::string out;
    bool away = false, pending = false;
    for (const Finding& f : findings) {
        out += Wrapped(kMarks[static_cast<int>(f.mark)], f.says);
        for (const KeyValue& set : f.change.sets) {
            out += kIndent + "  " + LineOf(set) + "\n";
        }
        away = away || f.away;
        pending = pending || f.pending;
    }
    if (away) {
        return out + "\nRun headview-probe in the game's folder: only there can it tell what headview does.\n";
    }
    if (HasMark(findings, kStop)) {
        return out +
               "\nheadview cannot turn the camera as it is: fix what is marked [stop], then run\nheadview-probe "
               "again.\n";
    }
    if (HasMark(findings, kFix)) {
        return out + "\nFix what is marked [fix], then run headview-probe again.\n";
    }
    if (pending) {
        return out +
               "\nNothing to fix. What is left: start the game once, get into a vehicle, then run\n"
               "headview-probe again.\n";
    }
    return out + "\nAll is well.\n";
}

int ExitCodeOf(const Findings& findings)
{
    bool refused = false, pending = false;
    for (const Finding& f : findings) {
        refused = refused || f.refused;
        pending = pending || f.pending;
    }
    if (refused) {
        return 2;
    }
    if (pending || HasMark(findings, kStop) || HasMark(findings, kFix)) {
        return 1;
    }
    return 0;
}

int Report(const Findings& findings)
{
    WriteOut("\n" + FormatReport(findings));
    return ExitCodeOf(findings);
}

std::string Paragraph(const std::string& words)
{
    return Wrapped("", words, "");
}

std::string Listed(const std::string& step)
{
    return Wrapped("  - ", step, "    ");
}

std::string Plain(double value, int decimals)
{
    char text[32] = "no usable number of";
    if (isfinite(value) && fabs(value) < 1e9) {
        snprintf(text, sizeof text, "%.*f", decimals, value + 0.0);
    }
    return text;
}

std::string Path(const std::wstring& path)
{
    return Unbroken(Utf8FromWide(path));
}

std::string Unbroken(std::string text)
{
    std::replace(text.begin(), text.end(), ' ', kKeptBlank);
    return text;
}

std::string LocalTime(int64_t milliseconds)
{
    const int64_t units = milliseconds * 10000;
    const FILETIME utc = {static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
    SYSTEMTIME universal = {}, local = {};
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
        return "at a time the log does not give";
    }
    char text[32];
    snprintf(text, sizeof text, "%02u.%02u.%04u at %02u:%02u", local.wDay, local.wMonth, local.wYear, local.wHour,
             local.wMinute);
    return text;
}

std::string LineOf(const KeyValue& set)
{
    return std::string(kSettingKeys[set.key]) + "=" + set.value;
}
