#include "probe/report.h"

#include "probe/console.h"
#include "settings/utf8.h"

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
        columns += c >= 0xDC00 && c <= 0xDFFF ? 0 : wide ? 2 : 1;  // a surrogate pair counts once
    }
    return columns;
}

// `words` after `mark`, broken between words within kColumns, unless one
// word alone is longer.
std::string Wrapped(const std::string& mark, const std::string& words)
{
    std::string out = mark;
    size_t column = mark.size();
    for (size_t at = 0, end = 0; at < words.size(); at = end + 1) {
        end = std::min(words.find(' ', at), words.size());
        const std::string word = words.substr(at, end - at);
        const bool first = column == kIndent.size();
        if (!first && column + 1 + Columns(word) > kColumns) {
            out += "\n" + kIndent;
            column = kIndent.size();
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
    for (const Finding& f : findings) {
        out += Wrapped(kMarks[static_cast<int>(f.mark)], f.says);
        for (size_t at = 0, end = 0; at < f.lines.size(); at = end + 1) {
            end = std::min(f.lines.find('\n', at), f.lines.size());
            out += kIndent + "  " + f.lines.substr(at, end - at) + "\n";
        }
    }
    if (std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.away; })) {
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
    return out + "\nAll is well.\n";
}

int ExitCodeOf(const Findings& findings)
{
    const bool refused = std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.refused; });
    if (refused) {
        return 2;
    }
    return HasMark(findings, kStop) || HasMark(findings, kFix) ? 1 : 0;
}

int Report(const Findings& findings)
{
    WriteOut("\n" + FormatReport(findings));
    return ExitCodeOf(findings);
}
