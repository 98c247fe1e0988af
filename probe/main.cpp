// headview-probe: shows players what their head tracker publishes and what
// headview would do with it, checks their set-up, and sets the offset and
// the gain in headview.ini from their head.
#include "probe/calibrate.h"
#include "probe/menu.h"
#include "probe/options.h"
#include "probe/watch.h"

#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc == 1 && ConsoleIsOwn()) {
        return RunMenu(Options().ini);
    }
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        printf("headview-probe: %s\n\n", error.c_str());
        PrintUsage();
        return 2;
    }
    switch (options.use) {
    case Use::kHelp:
        PrintUsage();
        return 0;
    case Use::kCentre:
        return RunCentre(options.ini);
    case Use::kGain:
        return RunGain(options.ini, options.degrees);
    default:
        return RunWatch(options.ini, options.seconds);
    }
}
