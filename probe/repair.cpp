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

// `line` set under the first [Settings]; said as `step`, else as added or changed there.
void SetLine(const std::string& line, std::string step, Repair* r)
{
    std::string value, old;
    const int key = KeyOf(line, &value);
    const bool there = FirstValue(r->text, kSettingKeys[key], &old);
    if (step.empty() && there && old == value) {
        return;  // reads so already
    }
    if (step.empty() && there) {
        step = "change " + std::string(kSettingKeys[key]) + "=" + old + " to " + line;
    } else if (step.empty()) {
        step = "add " + line + " under " + Section(r->text);
    }
    r->steps.push_back(step);
    r->text = WithValue(r->text, static_cast<SettingKey>(key), value);
}

// Lines that stand where headview does not read them taken out, and
// misspelt ones mended, from the last up; then each set under the first [Settings].
void MoveLines(const IniFacts& ini, std::vector<const Finding*> moves, Repair* r)
{
    std::sort(moves.begin(), moves.end(), [](const Finding* a, const Finding* b) { return a->line > b->line; });
    const std::vector<IniLine> lines = SplitIni(r->text);
    std::vector<std::string> steps;
    for (const Finding* f : moves) {
        const IniLine& line = lines[static_cast<size_t>(f->line)];
        const std::string old = TextOf(r->text, line);
        std::string value;
        const std::string& under = ini.under[KeyOf(f->lines, &value)];
        if (line.settings == 1) {  // misspelt: mended where it stands
            steps.push_back("change " + old + " to " + f->lines);
            r->text.units.replace(line.start, line.end - line.start, WideFromUtf8(f->lines));
            continue;
        }
        steps.push_back("move " + old + " from " + (under.empty() ? "above every section" : "under " + under) + " to " +
                        Section(r->text) + (old == f->lines ? "" : ", as " + f->lines));
        r->text.units.erase(line.start, line.next - line.start);
    }
    for (size_t i = 0; i < moves.size(); ++i) {
        SetLine(moves[i]->lines, steps[i], r);
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

}  // namespace

Repair PlanRepair(const IniFacts& ini, const Findings& findings)
{
    Repair r = {};
    r.text = DecodeIni(ini.bytes);
    if (!WhyNotEditable(ini).empty() && !ini.readOnly) {
        return r;  // its findings give the cure by hand
    }
    std::vector<const Finding*> changes;
    for (const Finding& f : findings) {
        if (f.mark <= kFix && f.change != Change::kNone) {
            changes.push_back(&f);
        }
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Finding* a, const Finding* b) { return a->mark < b->mark; });
    // Worst first: a key set by a worse finding is left to it.
    std::vector<const Finding*> moves;
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
        for (size_t at = 0, end = 0; at < f->lines.size(); at = end + 1) {
            end = std::min(f->lines.find('\n', at), f->lines.size());
            const std::string line = f->lines.substr(at, end - at);
            if (!Plan(line, &r)) {
                continue;
            }
            if (f->change == Change::kMoveLine) {
                moves.push_back(f);
            } else {
                sets.push_back(line);
            }
        }
    }
    MoveLines(ini, moves, &r);
    if (addSection) {
        AddSection(&r);
    }
    for (const std::string& line : sets) {
        SetLine(line, "", &r);
    }
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
