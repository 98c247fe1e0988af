#include "probe/repair.h"

#include "settings/utf8.h"

#include <string.h>

#include <algorithm>

namespace {

// The key a line "name=value" sets, or -1.
int KeyOf(const std::string& line, std::string* value)
{
    const size_t equals = line.find('=');
    for (int key = 0; key < kSettingKeyCount && equals != std::string::npos; ++key) {
        if (line.compare(0, equals, kSettingKeys[key]) == 0) {
            *value = line.substr(equals + 1);
            return key;
        }
    }
    return -1;
}

// `line` planned, unless a worse finding's change set its key: false then.
bool Plan(const std::string& line, Repair* r)
{
    std::string value;
    const int key = KeyOf(line, &value);
    if (key < 0 || r->planned.sets[key]) {
        return false;
    }
    r->planned.sets[key] = true;
    r->planned.values[key] = value;
    return true;
}

std::string Section(const IniText& text)
{
    const std::vector<IniLine> lines = SplitIni(text);
    const bool two = std::any_of(lines.begin(), lines.end(), [](const IniLine& l) { return l.settings > 1; });
    return two ? "the first [Settings]" : "[Settings]";
}

// Replaced and moved lines, from the last up, so that each line's place
// still holds; a moved line's key then set under the first [Settings].
void ChangeLines(const IniFacts& ini, std::vector<const Finding*> changes, Repair* r)
{
    std::sort(changes.begin(), changes.end(), [](const Finding* a, const Finding* b) { return a->line < b->line; });
    const std::vector<IniLine> lines = SplitIni(r->text);
    for (const Finding* f : changes) {
        const std::string old = TextOf(r->text, lines[static_cast<size_t>(f->line)]);
        std::string value;
        const int key = KeyOf(f->lines, &value);
        if (f->change == Change::kReplaceLine) {
            r->steps.push_back("change " + old + " to " + f->lines);
        } else {
            const std::string& under = ini.under[key];
            r->steps.push_back("move " + old + " from " + (under.empty() ? "above every section" : "under " + under) +
                               " to " + Section(r->text) + (old == f->lines ? "" : ", as " + f->lines));
        }
    }
    for (auto f = changes.rbegin(); f != changes.rend(); ++f) {
        const IniLine& line = lines[static_cast<size_t>((*f)->line)];
        if ((*f)->change == Change::kReplaceLine) {
            r->text.units.replace(line.start, line.end - line.start, WideFromUtf8((*f)->lines));
        } else {
            r->text.units.erase(line.start, line.next - line.start);
        }
    }
    for (const Finding* f : changes) {
        std::string value;
        const int key = KeyOf(f->lines, &value);
        if (f->change == Change::kMoveLine) {
            r->text = WithValue(r->text, static_cast<SettingKey>(key), value);
        }
    }
}

// A [Settings] line before the first key above every section.
void AddSection(Repair* r)
{
    for (const IniLine& line : SplitIni(r->text)) {
        std::string value;
        if (line.settings == 0 && !line.header && KeyOf(Utf8FromWide(line.name) + "=", &value) >= 0) {
            r->steps.push_back("put a line [Settings] before " + TextOf(r->text, line));
            r->text.units.insert(line.start, L"[Settings]" + LineEndOf(r->text));
            r->planned.reveals = true;
            return;
        }
    }
}

// Each of `lines` that is planned set under the first [Settings].
void SetLines(const std::vector<std::string>& lines, Repair* r)
{
    for (const std::string& line : lines) {
        std::string value, old;
        const int key = KeyOf(line, &value);
        const bool there = FirstValue(r->text, kSettingKeys[key], &old);
        if (there && old == value) {
            continue;  // reads so already
        }
        if (there) {
            r->steps.push_back("change " + std::string(kSettingKeys[key]) + "=" + old + " to " + line);
        } else {
            r->steps.push_back("add " + line + " under " + Section(r->text));
        }
        r->text = WithValue(r->text, static_cast<SettingKey>(key), value);
    }
}

}  // namespace

Repair PlanRepair(const IniFacts& ini, const Findings& findings)
{
    Repair r = {};
    r.text = DecodeIni(ini.bytes);
    if (!WhyNotEditable(ini).empty() && !ini.readOnly) {
        return r;  // its findings give the cure by hand
    }
    std::vector<const Finding*> changes, lineChanges;
    for (const Finding& f : findings) {
        if (f.mark <= kFix && f.change != Change::kNone) {
            changes.push_back(&f);
        }
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Finding* a, const Finding* b) { return a->mark < b->mark; });
    // Worst first: a key set by a worse finding is left to it.
    std::vector<std::string> sets;
    bool addSection = false, breakMark = false;
    for (const Finding* f : changes) {
        if (f->change == Change::kRenameFile) {
            r.rename = true;
            r.steps = {"rename " + ini.nearMissFile + " to headview.ini"};
            return r;
        }
        if (f->change == Change::kShippedFile) {
            std::string shipped = kShippedIni;
            for (size_t at = 0; (at = shipped.find('\n', at)) != std::string::npos; at += 2) {
                shipped.insert(at, "\r");
            }
            r.text = DecodeIni(shipped);
            r.planned.reveals = true;
            r.steps = {ini.exists ? "write the shipped headview.ini into the empty one"
                                  : "write headview.ini as the headview zip holds it"};
            return r;
        }
        addSection = addSection || f->change == Change::kAddSection;
        breakMark = breakMark || f->change == Change::kBreakMark;
        const bool lineChange = f->change == Change::kReplaceLine || f->change == Change::kMoveLine;
        for (size_t at = 0, end = 0; at < f->lines.size(); at = end + 1) {
            end = std::min(f->lines.find('\n', at), f->lines.size());
            const std::string line = f->lines.substr(at, end - at);
            if (!Plan(line, &r)) {
                continue;
            }
            if (lineChange) {
                lineChanges.push_back(f);
            } else {
                sets.push_back(line);
            }
        }
    }
    ChangeLines(ini, lineChanges, &r);
    if (addSection) {
        AddSection(&r);
    }
    SetLines(sets, &r);
    const IniText before = DecodeIni(ini.bytes);
    const bool hidden = WithSectionSeen(before).units != before.units || WithSectionSeen(r.text).units != r.text.units;
    if ((breakMark || !r.steps.empty()) && hidden) {
        r.steps.push_back("put a line end after the UTF-8 mark before [Settings], so that Windows' reader sees it");
        r.text = WithSectionSeen(r.text);
        r.planned.reveals = true;
    }
    return r;
}

bool MakeRepair(const IniFacts& ini, const Repair& repair, std::string* error)
{
    *error = WhyNotEditable(ini);
    if (!error->empty()) {
        return false;
    }
    if (repair.rename) {
        const std::wstring folder = ini.path.substr(0, ini.path.find_last_of(L'\\') + 1);
        if (!MoveFileExW((folder + WideFromUtf8(ini.nearMissFile)).c_str(), ini.path.c_str(), 0)) {
            *error = "cannot rename " + ini.nearMissFile + " (Windows error " + std::to_string(GetLastError()) + ")";
            return false;
        }
        return true;
    }
    bool leftover = false;
    return WriteIni(ini, repair.text, repair.planned, &leftover, error);
}
