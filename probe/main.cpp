// headview-probe: shows players what their head tracker publishes and what
// headview would do with it, checks their set-up, and sets the offset and
// the gain in headview.ini from their head. Every use ends in one report.
#include "probe/calibrate.h"
#include "probe/console.h"
#include "probe/options.h"
#include "probe/report.h"
#include "probe/setup_facts.h"
#include "probe/tracker_watch.h"

namespace {

int RunWatch(const std::string& iniPath, int seconds)
{
    const SetUpFacts facts = GatherSetUpFacts(iniPath);
    Print("Watching the tracker for %d second%s: turn your head left and right.\n", seconds, seconds == 1 ? "" : "s");
    const TrackerFacts tracker =
        WatchTracker(seconds, facts.ini.settings, facts.ini.exists && facts.ini.settings.enabled == 1);
    Findings findings = JudgeSetUp(facts);
    const Findings watched = JudgeTracker(tracker, facts.ini);
    findings.insert(findings.end(), watched.begin(), watched.end());
    return Report(findings);
}

int Run(const Options& options)
{
    switch (options.use) {
    case Use::kHelp:
        PrintUsage();
        return 0;
    case Use::kCentre:
        return RunCentre(options.ini);
    case Use::kGain:
        return RunGain(options.ini, options.degrees);
    case Use::kWatch:
        return RunWatch(options.ini, options.seconds);
    default:
        return 0;
    }
}

// Started by a double-click, the window is the probe's own and closes when
// it ends: a menu, and Enter before it closes. Quit ends at once.
int RunMenu()
{
    PrintMenu();
    Options options;
    std::string line;
    while ((options.use = ParseMenuChoice(line)) == Use::kNone) {
        if (!line.empty()) {
            Print("Type 1, 2, 3 or 4, then Enter: ");
        }
        if (!ReadLine(&line)) {
            return 0;
        }
        line = line.empty() ? " " : line;
    }
    if (options.use == Use::kQuit) {
        return 0;
    }
    options.seconds = kMenuWatchSeconds;
    options.degrees = kMenuSideWindowDegrees;
    const int code = Run(options);
    Print("\nPress Enter to close this window.\n");
    ReadLine(&line);
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    TurnQuickEditOff();
    if (argc == 1 && ConsoleIsOwn()) {
        return RunMenu();
    }
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        Print("headview-probe: %s\n\n", error.c_str());
        PrintUsage();
        return 2;
    }
    return Run(options);
}
