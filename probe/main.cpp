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
    return facts;
}

// After the report, the changes its findings carry: listed, made on F then
// Enter (at once with --fix), and the set-up checked again.
int OfferRepair(const std::wstring& iniOption, const Facts& facts, const Findings& findings, bool fix, int code)
{
    const Repair repair = PlanRepair(facts.ini, findings);
    if (repair.steps.empty()) {
        return code;
    }
    std::string steps, listed;  // for the report's lines, and as a list
    for (const std::string& step : repair.steps) {
        steps += (steps.empty() ? "" : "\n") + step;
        listed += "  - " + step + "\n";
    }
    WriteOut("\nheadview-probe can make these changes to headview.ini:\n" + listed);
    if (!fix) {
        WriteOut("F then Enter makes them; Enter alone leaves headview.ini as it is: ");
        std::string answer;
        const bool read = ReadLine(&answer);
        answer.erase(0, answer.find_first_not_of(" \t"));
        answer.erase(answer.find_last_not_of(" \t") + 1);
        if (answer != "F" && answer != "f") {
            WriteOut(read ? "headview.ini is left as it was.\n" : "\nNo answer: headview.ini is left as it was.\n");
            return code;
        }
    }
    std::string error;
    if (!MakeRepair(facts.ini, repair, &error)) {
        return Report({{kFix,
                        "headview-probe could not change headview.ini safely: " + error +
                            ". It is left as it was. To make the changes by hand:",
                        steps, true}});
    }
    Facts again = GatherSetUpFacts(iniOption);
    again.tracker = facts.tracker;
    again.watched = facts.watched;
    WriteOut("\nheadview.ini is changed. Checked again:\n");
    return Report(JudgeAll(again));
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
    const int code = Report(findings);
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
        WriteOut("\nPress Enter for the menu.\n");
        if (!ReadLine(&line)) {
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
    if (!parsed || options.use == Use::kHelp) {
        PrintUsage();  // the error after it, where the eye is
        WriteOut(parsed ? "" : "\nheadview-probe: " + error + "\n");
        return parsed ? 0 : 2;
    }
    return Run(options);
}
