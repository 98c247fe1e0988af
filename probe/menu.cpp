#include "probe/menu.h"

#include "probe/calibrate.h"
#include "probe/watch.h"

#include <windows.h>

#include <stdio.h>

namespace {

constexpr int kWatchSeconds = 10;
constexpr double kSideWindowDegrees = 90.0;

// The first character of a line typed on standard input; 0 at its end.
char ReadChoice()
{
    char line[64];
    return fgets(line, sizeof line, stdin) != nullptr ? line[0] : '\0';
}

int RunChoice(char choice, const std::string& iniPath)
{
    switch (choice) {
    case '1':
        return RunWatch(iniPath, kWatchSeconds);
    case '2':
        return RunCentre(iniPath);
    case '3':
        return RunGain(iniPath, kSideWindowDegrees);
    default:
        return 0;
    }
}

}  // namespace

bool ConsoleIsOwn()
{
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

int RunMenu(const std::string& iniPath)
{
    printf(
        "headview-probe: start your head tracker first. Then choose:\n"
        "  1  watch the tracker for %d seconds and say what to change\n"
        "  2  centre the view (look straight ahead)\n"
        "  3  set the gain: a look out of the side window turns the camera %g degrees\n"
        "  4  quit\n"
        "(From a command prompt, headview-probe --help shows more.)\n"
        "Your choice, then Enter: ",
        kWatchSeconds, kSideWindowDegrees);
    fflush(stdout);
    char choice = ReadChoice();
    while (choice != '\0' && (choice < '1' || choice > '4')) {
        printf("Type 1, 2, 3 or 4, then Enter: ");
        fflush(stdout);
        choice = ReadChoice();
    }
    const int code = RunChoice(choice, iniPath);
    printf("\nPress Enter to close this window.\n");
    fflush(stdout);
    ReadChoice();
    return code;
}
