// headview-probe: shows players what their head tracker publishes and what
// headview would do with it, checks their set-up, sets the offset and the
// gain in headview.ini from their head, and makes the changes its findings
// carry on the player's word. Every use ends in one report.
#include "probe/calibrate.h"
#include "probe/console.h"
#include "probe/options.h"
#include "probe/repair.h"
#include "probe/report.h"
#include "settings/utf8.h"

#include <string.h>

#include <algorithm>

namespace {

Facts Watch(const std::wstring& ini, int seconds)
{
    Facts facts = GatherSetUpFacts(ini);
    const Settings settings = JudgedSettings(facts);
    WriteOut("Watching the tracker for " + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds") +
             ": turn your head left and right.\n");
    const bool cameraOn = facts.ini.exists && !facts.ini.tooLong && settings.enabled == 1;
    facts.tracker = WatchTracker(seconds, settings, cameraOn, true);
    facts.watched = true;
    facts.game.seen = LookAtGame(&facts.game.last);
    return facts;
}

// F, y, yes or fix, in any case, blanks around; Enter alone or the end of
// the input leaves the file. Anything else is asked once more.
bool Agreed()
{
    const char* const questions[] = {"F then Enter makes them; Enter alone leaves headview.ini as it is: ",
                                     "Type F (or y, yes, fix) then Enter to make them, or Enter alone to leave "
                                     "headview.ini as it is: "};
    for (const char* question : questions) {
        WriteOut(question);
        std::string answer;
        if (!ReadLine(&answer)) {
            WriteOut("\nNo answer: headview.ini is left as it was.\n");
            return false;
        }
        answer.erase(0, answer.find_first_not_of(" \t"));
        answer.erase(answer.find_last_not_of(" \t") + 1);
        if (answer.empty()) {
            break;
        }
        for (const char* yes : {"f", "y", "yes", "fix"}) {
            if (_stricmp(answer.c_str(), yes) == 0) {
                return true;
            }
        }
    }
    WriteOut("headview.ini is left as it was.\n");
    return false;
}

// After the report, the changes its findings carry: listed, made on the
// player's word (at once with --fix, or when the player asked for them),
// and the set-up checked again.
int OfferRepair(const std::wstring& iniOption, const Facts& facts, const Findings& findings, bool fix, int code)
{
    const bool asked = std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.asked; });
    const Repair repair = PlanRepair(facts, findings, asked && !fix);
    const std::string why = WhyNotEditable(facts.ini);
    if (asked && (repair.steps.empty() || !why.empty())) {
        code = Report(findings);  // nothing to write, or no file to write to: the report as it is
    }
    if (repair.steps.empty()) {
        return code;
    }
    std::string listed;
    for (const std::string& step : repair.steps) {
        listed += Listed(step);
    }
    if (!why.empty()) {
        WriteOut("\n" +
                 Paragraph("headview-probe will not change headview.ini: " + why + ". To make the changes by hand:") +
                 listed);
        return fix || asked ? 2 : code;
    }
    WriteOut("\nheadview-probe " + std::string(asked ? "makes" : "can make") + " these changes to headview.ini:\n" +
             listed);
    if (!fix && !asked && !Agreed()) {
        return code;
    }
    std::string error;
    if (!MakeRepair(facts.ini, repair, &error)) {
        if (asked) {
            Report(findings);
        }
        std::string byHand = " To make the changes by hand:";
        if (facts.ini.exists && !Exists(facts.ini.path)) {
            byHand = " Run headview-probe again to write it.";  // none of the changes has a file to be made in
            listed.clear();
        }
        WriteOut("\n" +
                 Paragraph("headview-probe could not change headview.ini safely: " + error + ". " + OnDisk(facts.ini) +
                           byHand) +
                 listed);
        return 2;
    }
    if (facts.game.seen == kHeadviewRuns) {
        Sleep(250);  // a running game's next frames, which read the file at once with headviewing_test=1
    }
    Facts again = GatherSetUpFacts(iniOption);
    again.tracker = facts.tracker;
    again.watched = facts.watched;
    again.game.last = again.game.first;  // the game's frames counted since the watch began
    again.game.first = facts.game.first;
    std::string kept;
    if (facts.ini.exists && repair.renamed.empty()) {
        kept = " The file as it was is kept as headview.ini.bak.";
    }
    WriteOut("\n" + Paragraph("headview.ini is changed." + kept + " Checked again:"));
    const Findings after = JudgeAll(again);
    if ((asked && !fix) || !repair.renamed.empty()) {  // the rest, or what the renamed file asks
        return OfferRepair(iniOption, again, after, fix, Report(after));
    }
    return Report(after);
}

int Run(const Options& options)
{
    const std::wstring ini = WideFromUtf8(options.ini);
    Facts facts = {};
    Findings findings;
    if (options.use == Use::kCentre) {
        findings = RunCentre(ini, &facts);
    } else if (options.use == Use::kGain) {
        findings = RunGain(ini, options.degrees, &facts);
    } else {
        facts = Watch(ini, options.seconds);
        findings = JudgeAll(facts);
    }
    // A value measured is written first; the report is then the new file's.
    const bool asked = std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.asked; });
    int code = 1;
    if (!asked) {
        code = Report(findings);
    }
    return OfferRepair(ini, facts, findings, options.fix, code);
}

// Started by a double-click, the window is the probe's own and closes when
// it ends: a menu, offered again after each use until the player quits.
int RunMenu()
{
    for (int code = 0;;) {
        PrintMenu();
        Options options;
        std::string line;
        while ((options.use = ParseMenuChoice(line)) == Use::kNone) {
            WriteOut(line.empty() ? "" : "Type 1, 2, 3 or 4, then Enter: ");
            if (!ReadLine(&line)) {
                return code;
            }
            if (line.empty()) {
                line = " ";
            }
        }
        if (options.use == Use::kQuit) {
            return code;
        }
        code = Run(options);
        WriteOut("\nPress Enter for the menu (q quits).\n");
        if (!ReadLine(&line) || ParseMenuChoice(line) == Use::kQuit) {
            return code;
        }
    }
}

}  // namespace

// The arguments in UTF-16, so that --ini may name a folder in any letters.
int wmain(int argc, wchar_t** argv)
{
    TurnQuickEditOff();
    if (argc == 1 && ConsoleIsOwn()) {
        return RunMenu();
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(Utf8FromWide(argv[i]));
    }
    Options options;
    std::string error;
    const bool parsed = ParseOptions(arguments, &options, &error);
    if (!parsed) {
        WriteOut("headview-probe: " + error + "; see headview-probe --help\n");
        return 2;
    }
    if (options.use == Use::kHelp) {
        PrintUsage();
        return 0;
    }
    return Run(options);
}
