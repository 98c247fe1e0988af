#include "probe/options.h"

#include "probe/console.h"

#include <stdlib.h>

namespace {

// A number within [low, high], whole when `whole`.
bool ParseNumber(const char* text, double low, double high, bool whole, double* value)
{
    char* end = nullptr;
    *value = strtod(text, &end);
    return end != text && *end == '\0' && *value >= low && *value <= high &&
           (!whole || *value == static_cast<int>(*value));
}

const char* NameOf(Use use)
{
    return use == Use::kCentre ? "--centre" : use == Use::kGain ? "--gain" : "the watch (--seconds)";
}

// Takes one use; false when another was asked for already.
bool TakeUse(Use use, bool* chosen, Options* options, std::string* error)
{
    if (*chosen && options->use != use) {
        *error = std::string(NameOf(options->use)) + " and " + NameOf(use) +
                 ": choose one of the watch, --centre and --gain";
        return false;
    }
    *chosen = true;
    options->use = use;
    return true;
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error)
{
    bool chosen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help" || arg == "/?") {
            options->use = Use::kHelp;
            return true;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--gain" || arg == "--seconds" || arg == "--ini";
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (takesValue && value == nullptr) {
            *error = arg + ": give its value after it, as in " +
                     (arg == "--gain"      ? "--gain 90"
                      : arg == "--seconds" ? "--seconds 20"
                                           : "--ini C:\\Games\\headview.ini");
            return false;
        }
        i += takesValue ? 1 : 0;
        double number = 0.0;
        if (arg == "--centre" || arg == "--center") {
            if (!TakeUse(Use::kCentre, &chosen, options, error)) {
                return false;
            }
        } else if (arg == "--gain") {
            if (!ParseNumber(value, 1, 360, false, &number)) {
                *error = arg + " " + value + ": DEGREES is 1 to 360";
                return false;
            }
            options->degrees = number;
            if (!TakeUse(Use::kGain, &chosen, options, error)) {
                return false;
            }
        } else if (arg == "--seconds") {
            if (!ParseNumber(value, 1, 600, true, &number)) {
                *error = arg + " " + value + ": N is a whole number from 1 to 600";
                return false;
            }
            options->seconds = static_cast<int>(number);
            if (!TakeUse(Use::kWatch, &chosen, options, error)) {
                return false;
            }
        } else if (arg == "--ini") {
            if (value[0] == '\0') {
                *error = "--ini: give the path of headview.ini";
                return false;
            }
            options->ini = value;
        } else {
            *error = arg + ": not an option of headview-probe";
            return false;
        }
    }
    return true;
}

void PrintUsage()
{
    WriteOut(
        "usage: headview-probe [--seconds N] [--ini PATH]\n"
        "       headview-probe --centre [--ini PATH]\n"
        "       headview-probe --gain DEGREES [--ini PATH]\n"
        "\n"
        "Run it from the game's folder, where headview.ini is, while your head tracker runs.\n"
        "Started by a double-click, it offers these as a menu.\n"
        "\n"
        "  (no option)     watch the tracker for N seconds (1 to 600, default 10), show what it\n"
        "                  sends and what the camera would do, check headview.ini, the game's\n"
        "                  folder and headview.log, and say what to change\n"
        "  --centre        look straight ahead: sets headviewing_offset so that the view is centred\n"
        "                  (also --center)\n"
        "  --gain DEGREES  look ahead, then out of the side window: sets headviewing_multiplier so\n"
        "                  that this head turn turns the camera DEGREES (1 to 360)\n"
        "  --ini PATH      the settings file (default: headview.ini in this folder)\n"
        "  -h, --help, /?  show this text\n"
        "\n"
        "Exit code: 0 all is well, 1 something to fix (for --centre and --gain also: nothing\n"
        "written), 2 bad usage or a file that cannot be written safely.\n");
}

Use ParseMenuChoice(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line.find_first_not_of(" \t", first + 1) != std::string::npos) {
        return Use::kNone;
    }
    switch (line[first]) {
    case '1':
        return Use::kWatch;
    case '2':
        return Use::kCentre;
    case '3':
        return Use::kGain;
    case '4':
        return Use::kQuit;
    default:
        return Use::kNone;
    }
}

void PrintMenu()
{
    Print(
        "headview-probe: start your head tracker first. Then choose:\n"
        "  1  watch the tracker for %d seconds and say what to change\n"
        "  2  centre the view (look straight ahead)\n"
        "  3  set the gain: a look out of the side window turns the camera %g degrees\n"
        "  4  quit\n"
        "(From a command prompt, headview-probe --help shows more.)\n"
        "Your choice, then Enter: ",
        kMenuWatchSeconds, kMenuSideWindowDegrees);
}
