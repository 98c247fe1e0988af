#include "probe/repair.h"

#include "probe/report.h"
#include "settings/utf8.h"

#include <algorithm>

namespace {

constexpr int kRounds = 4;  // judged again at most this often: a plan that still asks is left to the re-check

// One key's change in a round: the value set, and the line it is made on.
struct KeyChange {
    bool set;
    KeyValue kv;
    Edit onLine;  // kMoveLine or kRenameKey: made on line `line`; kNone: the key's own line, or a new one
    int line;
    bool asked;  // the player's own: no later round changes it
};

struct Round {
    KeyChange keys[kSettingKeyCount];
    std::vector<int> order;  // the keys, worst change first
    bool addSection, breakMark;
};

struct Plan {
    Edit whole;  // kShippedFile or kRenameFile: the file as a whole, first
    std::string renamed;
    std::vector<Round> rounds;  // each judged on the text the ones before left
};

// The player's own changes first, then the worst.
int Rank(const Finding* f)
{
    if (f->asked) {
        return -1;
    }
    return f->mark;
}

// The changes of `findings` as one round: a key set by one is left to it,
// and a line changes once.
Round Collect(const Findings& findings, bool askedOnly, Plan* plan)
{
    std::vector<const Finding*> changes;
    for (const Finding& f : findings) {
        if (f.asked || (!askedOnly && f.mark <= kFix && f.change.edit != Edit::kNone)) {
            changes.push_back(&f);
        }
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Finding* a, const Finding* b) { return Rank(a) < Rank(b); });
    // A note's change goes along with the changes the player says yes to, never alone.
    for (const Finding& f : findings) {
        if (f.alongside && !askedOnly && !changes.empty()) {
            changes.push_back(&f);
        }
    }
    Round round = {};
    for (const Finding* f : changes) {
        const Edit edit = f->change.edit;
        if ((edit == Edit::kShippedFile || edit == Edit::kRenameFile) && plan->whole == Edit::kNone) {
            plan->whole = edit;
            plan->renamed = f->change.file;
        }
        round.addSection = round.addSection || edit == Edit::kAddSection;
        round.breakMark = round.breakMark || edit == Edit::kBreakMark;
        for (const KeyValue& kv : f->change.sets) {
            KeyChange& k = round.keys[kv.key];
            bool lineTaken = false;
            for (const KeyChange& other : round.keys) {
                lineTaken = lineTaken || (other.onLine != Edit::kNone && other.line == f->change.line);
            }
            if ((edit == Edit::kMoveLine || edit == Edit::kRenameKey) && k.onLine == Edit::kNone && !lineTaken) {
                k.onLine = edit;
                k.line = f->change.line;
            }
            if (!k.set) {
                k.set = true;
                k.kv = kv;
                k.asked = f->asked;
                round.order.push_back(kv.key);
            }
        }
    }
    return round;
}

// A later round's value for a key an earlier round set goes to that round,
// whose line already holds the key. False when the round brings nothing new.
bool Merge(Round round, Plan* plan)
{
    bool news = round.addSection || round.breakMark;
    for (int key = 0; key < kSettingKeyCount; ++key) {
        KeyChange& later = round.keys[key];
        for (Round& earlier : plan->rounds) {
            KeyChange& k = earlier.keys[key];
            if (later.set && k.set && later.onLine == Edit::kNone) {
                news = news || (!k.asked && k.kv.value != later.kv.value);
                if (!k.asked) {
                    k.kv = later.kv;
                }
                later.set = false;
            }
        }
        news = news || later.set;
    }
    if (news) {
        plan->rounds.push_back(round);
    }
    return news;
}

std::string Section(const IniText& text)
{
    const std::vector<IniLine> lines = SplitIni(text);
    if (std::any_of(lines.begin(), lines.end(), [](const IniLine& l) { return l.settings > 1; })) {
        return "the first [Settings]";
    }
    return "[Settings]";
}

// A step with what the player should know of it: why a value of theirs is
// not kept, and where their comment goes.
std::string Noted(std::string step, const std::string& why, const std::wstring& comment)
{
    if (!why.empty()) {
        step += " (" + why + ")";
    }
    if (!comment.empty()) {
        step += ", its comment kept on the line above";
    }
    return step;
}

void PlanKey(const KeyValue& kv, Repair* r)
{
    r->planned.sets[kv.key] = true;
    r->planned.values[kv.key] = kv.value;
}

// The near misses mended and the misplaced lines taken out, from the last
// up (the lines above keep their places); then each line taken out, with the
// comments right above it, set under the first [Settings] in their order.
void EditLines(const Round& round, Repair* r)
{
    std::vector<const KeyChange*> onLines;
    for (const KeyChange& k : round.keys) {
        if (k.onLine != Edit::kNone) {
            onLines.push_back(&k);
        }
    }
    std::sort(onLines.begin(), onLines.end(), [](const KeyChange* a, const KeyChange* b) { return a->line > b->line; });
    const std::vector<IniLine> lines = SplitIni(r->text);
    const std::string section = Section(r->text);
    const std::wstring lineEnd = LineEndOf(r->text);
    std::vector<std::string> steps;
    std::vector<std::pair<const KeyChange*, std::wstring>> moved;  // with the comments that go with it
    for (const KeyChange* k : onLines) {
        const IniLine& line = lines[static_cast<size_t>(k->line)];
        const std::string old = TextOf(r->text, line), now = LineOf(k->kv);
        const std::wstring comment = CommentOf(r->text, line);
        std::wstring above;
        if (!comment.empty()) {
            above = comment + lineEnd;
        }
        PlanKey(k->kv, r);
        if (k->onLine == Edit::kRenameKey) {
            steps.insert(steps.begin(), Noted("change " + old + " to " + now, k->kv.why, comment));
            r->text.units.replace(line.start, line.end - line.start, above + WideFromUtf8(now));
            continue;
        }
        std::string step =
            "move " + old + " from " + PlaceOf(r->text, lines, static_cast<size_t>(k->line)) + " to " + section;
        if (old != now) {
            step += ", as " + now;
        }
        steps.insert(steps.begin(), Noted(step, k->kv.why, comment));
        const size_t first = lines[CommentsAbove(lines, static_cast<size_t>(k->line))].start;
        moved.insert(moved.begin(), {k, r->text.units.substr(first, line.start - first) + above});
        r->text.units.erase(first, line.next - first);
    }
    for (const auto& m : moved) {
        const KeyValue& kv = m.first->kv;
        const std::vector<IniLine> now = SplitIni(r->text);
        const int at = KeyLine(now, kSettingKeys[kv.key]);  // a line of the key without "="
        if (at < 0) {
            r->text = WithLinesAdded(r->text, m.second + WideFromUtf8(LineOf(kv)) + lineEnd);
        } else {
            r->text = WithValue(r->text, kv.key, kv.value);
            r->text.units.insert(now[static_cast<size_t>(at)].start, m.second);
        }
    }
    r->steps.insert(r->steps.end(), steps.begin(), steps.end());
}

// A [Settings] line before the first key above every section.
void AddSection(Repair* r)
{
    for (const IniLine& line : SplitIni(r->text)) {
        bool key = false;
        for (int k = 0; k < kSettingKeyCount; ++k) {
            key = key || SameName(line.name, kSettingKeys[k]);
        }
        if (line.settings == 0 && !line.header && key) {
            r->steps.push_back("put a line [Settings] before " + TextOf(r->text, line));
            r->text.units.insert(line.start, L"[Settings]" + LineEndOf(r->text));
            r->planned.reveals = true;
            return;
        }
    }
}

// `kv` set on the key's line under the first [Settings], or on a line added there.
void SetKey(const KeyValue& kv, Repair* r)
{
    const char* const key = kSettingKeys[kv.key];
    std::string old;
    const bool there = FirstValue(r->text, key, &old);
    if (there && old == kv.value) {
        return;  // reads so already
    }
    const std::vector<IniLine> lines = SplitIni(r->text);
    const int at = KeyLine(lines, key);
    std::wstring comment;
    if (at >= 0) {
        comment = CommentOf(r->text, lines[static_cast<size_t>(at)]);
    }
    if (there) {
        r->steps.push_back(Noted("change " + std::string(key) + "=" + old + " to " + LineOf(kv), kv.why, comment));
    } else if (at >= 0) {  // the key's line without "=", which the reader stops at: mended, not added below
        r->steps.push_back("change " + TextOf(r->text, lines[static_cast<size_t>(at)]) + " to " + LineOf(kv));
    } else {
        r->steps.push_back("add " + LineOf(kv) + " under " + Section(r->text));
    }
    r->text = WithValue(r->text, kv.key, kv.value);
    PlanKey(kv, r);
}

std::string ShippedFile()
{
    std::string shipped = kShippedIni;
    for (size_t at = 0; (at = shipped.find('\n', at)) != std::string::npos; at += 2) {
        shipped.insert(at, "\r");
    }
    return shipped;
}

Repair Apply(const IniFacts& ini, const Plan& plan)
{
    Repair r = {};
    r.text = DecodeIni(ini.bytes);
    if (plan.whole == Edit::kRenameFile) {
        r.renamed = plan.renamed;
        r.steps = {"rename " + plan.renamed + " to headview.ini"};
        return r;
    }
    if (plan.whole == Edit::kShippedFile) {
        r.text = DecodeIni(ShippedFile());
        r.planned.reveals = true;
        r.steps = {"write headview.ini as the headview zip holds it"};
        if (ini.exists) {
            r.steps = {"write the shipped headview.ini into the empty one"};
        }
    }
    for (const Round& round : plan.rounds) {
        EditLines(round, &r);
        if (round.addSection) {
            AddSection(&r);
        }
        for (const int key : round.order) {
            if (round.keys[key].set && round.keys[key].onLine == Edit::kNone) {
                SetKey(round.keys[key].kv, &r);
            }
        }
        // Any change, and the mark that hides the section from Windows' reader goes: at the round's end,
        // so that the next round is judged on the very text it is made on.
        if ((round.breakMark || !r.steps.empty()) && SectionHidden(r.text)) {
            r.steps.push_back("put a line end after the UTF-8 mark before [Settings], so that Windows' reader sees it");
            r.text = WithSectionSeen(r.text);
            r.planned.reveals = true;
        }
    }
    return r;
}

}  // namespace

Repair PlanRepair(const Facts& facts, const Findings& findings, bool askedOnly)
{
    Plan plan = {};
    Findings judged = findings;
    for (int round = 0; round < kRounds; ++round) {
        const Edit whole = plan.whole;
        const bool news = Merge(Collect(judged, askedOnly, &plan), &plan);
        if ((!news && plan.whole == whole) || askedOnly || plan.whole == Edit::kRenameFile) {
            break;
        }
        Facts planned = facts;
        planned.ini = IniFactsOfText(facts.ini, EncodeIni(Apply(facts.ini, plan).text));
        judged = JudgeAll(planned);
    }
    return Apply(facts.ini, plan);
}

bool MakeRepair(const IniFacts& ini, const Repair& repair, std::string* error)
{
    *error = WhyNotEditable(ini);
    if (!error->empty()) {
        return false;
    }
    if (!repair.renamed.empty()) {
        return RenameToIni(ini, repair.renamed, error);
    }
    return WriteIni(ini, repair.text, repair.planned, error);
}
