#include "probe/report.h"

#include "probe/console.h"

#include <algorithm>

namespace {

const char* const kMarks[] = {"[ok]   ", "[note] ", "[fix]  ", "[stop] "};
constexpr const char* kIndent = "       ";

// `text` with every line after the first indented under the mark.
std::string Indented(const std::string& text, const std::string& indent)
{
    std::string out;
    for (const char c : text) {
        out += c;
        out += c == '\n' ? indent : "";
    }
    return out;
}

int Count(const Findings& findings, Mark mark)
{
    return static_cast<int>(
        std::count_if(findings.begin(), findings.end(), [&](const Finding& f) { return f.mark == mark; }));
}

}  // namespace

std::string FormatReport(Findings findings)
{
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.check < b.check; });
    std::string out;
    for (const Finding& f : findings) {
        if (f.says.empty()) {
            continue;
        }
        out += kMarks[static_cast<int>(f.mark)] + Indented(f.says, kIndent) + "\n";
        if (!f.lines.empty()) {
            out += std::string(kIndent) + "  " + Indented(f.lines, std::string(kIndent) + "  ") + "\n";
        }
    }
    if (Count(findings, Mark::kStop) > 0) {
        out +=
            "\nheadview cannot turn the camera as it is: fix what is marked [stop], then run headview-probe again.\n";
    } else if (Count(findings, Mark::kFix) > 0) {
        out += "\nFix what is marked [fix], then run headview-probe again.\n";
    } else {
        out += "\nAll is well.\n";
    }
    return out;
}

int ExitCodeOf(const Findings& findings)
{
    return Count(findings, Mark::kStop) + Count(findings, Mark::kFix) > 0 ? 1 : 0;
}

int Report(const Findings& findings)
{
    WriteOut("\n" + FormatReport(findings));
    return ExitCodeOf(findings);
}
