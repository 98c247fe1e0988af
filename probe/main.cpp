// headview-probe: shows players what their head tracker publishes and what
// headview would do with it, checks their set-up, and sets the offset and
// the gain in headview.ini from their head. Every use ends in one report.
#include "probe/console.h"
#include "probe/edit.h"
#include "settings/utf8.h"

namespace {

int Run(const Options& options)
{
    const std::wstring ini = WideFromUtf8(options.ini);
    if (options.use == Use::kCentre || options.use == Use::kGain) {
        return Report(options.use == Use::kCentre ? RunCentre(ini) : RunGain(ini, options.degrees));
    }
    Facts facts = GatherSetUpFacts(ini);
    const Settings settings = JudgedSettings(facts);
    WriteOut("Watching the tracker for " + std::to_string(options.seconds) +
             (options.seconds == 1 ? " second" : " seconds") + ": turn your head left and right.\n");
    facts.tracker =
        WatchTracker(options.seconds, settings, facts.ini.exists && !facts.ini.tooLong && settings.enabled == 1, true);
    facts.watched = true;
    return Report(JudgeAll(facts));
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
            line = line.empty() ? " " : line;
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
