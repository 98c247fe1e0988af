// headview-probe: shows players what their head tracker publishes and what
// headview would do with it, checks their set-up, and sets the offset and
// the gain in headview.ini from their head. Every use ends in one report.
#include "probe/console.h"
#include "probe/edit.h"
#include "settings/utf8.h"

#include <vector>

namespace {

Findings Watch(const std::wstring& iniOption, int seconds)
{
    Facts facts = GatherSetUpFacts(iniOption);
    WriteOut("Watching the tracker for " + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds") +
             ": turn your head left and right.\n");
    const Settings settings = JudgedSettings(facts);
    facts.tracker =
        WatchTracker(seconds, settings, facts.ini.exists && !facts.ini.tooLong && settings.enabled == 1, true);
    facts.watched = true;
    return JudgeAll(facts);
}

int Run(const Options& options)
{
    const std::wstring ini = WideFromUtf8(options.ini);
    switch (options.use) {
    case Use::kHelp:
        PrintUsage();
        return 0;
    case Use::kCentre:
        return Report(RunCentre(ini));
    case Use::kGain:
        return Report(RunGain(ini, options.degrees));
    case Use::kWatch:
        return Report(Watch(ini, options.seconds));
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
        WriteOut(line.empty() ? "" : "Type 1, 2, 3 or 4, then Enter: ");
        if (!ReadLine(&line)) {
            return 0;
        }
        line = line.empty() ? " " : line;
    }
    if (options.use == Use::kQuit) {
        return 0;
    }
    options.seconds = kMenuWatchSeconds;
    const int code = Run(options);
    WriteOut("\nPress Enter to close this window.\n");
    ReadLine(&line);
    return code;
}

}  // namespace

// The arguments in UTF-16, so that --ini may name a folder in any letters.
int wmain(int argc, wchar_t** wideArgv)
{
    TurnQuickEditOff();
    if (argc == 1 && ConsoleIsOwn()) {
        return RunMenu();
    }
    std::vector<std::string> arguments;
    std::vector<const char*> argv;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(Utf8FromWide(wideArgv[i]));
    }
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv.data(), &options, &error)) {
        WriteOut("headview-probe: " + error + "\n\n");
        PrintUsage();
        return 2;
    }
    return Run(options);
}
