#include "probe/console.h"

#include <stdlib.h>

bool ParseOptions(const std::vector<std::string>& arguments, Options* options, std::string* error)
{
    for (const std::string& arg : arguments) {
        options->use = arg == "-h" || arg == "--help" || arg == "/?" ? Use::kHelp : options->use;
    }
    Use chosen = Use::kNone;
    for (size_t i = 0; i < arguments.size() && options->use != Use::kHelp && error->empty(); ++i) {
        const std::string& arg = arguments[i];
        const bool takesValue = arg == "--gain" || arg == "--seconds" || arg == "--ini";
        const std::string value = takesValue && i + 1 < arguments.size() ? arguments[++i] : "";
        char* end = nullptr;
        const double number = strtod(value.c_str(), &end);
        const bool numeric = !value.empty() && *end == '\0';
        Use use = Use::kNone;
        if (takesValue && value.empty()) {
            *error = arg + ": give its value after it, as in " +
                     (arg == "--gain"      ? "--gain 90"
                      : arg == "--seconds" ? "--seconds 20"
                                           : "--ini C:\\Games\\headview.ini");
        } else if (arg == "--centre" || arg == "--center") {
            use = Use::kCentre;
        } else if (arg == "--gain" && (!numeric || number < 1 || number > 360)) {
            *error = arg + " " + value + ": DEGREES is 1 to 360";
        } else if (arg == "--gain") {
            use = Use::kGain;
            options->degrees = number;
        } else if (arg == "--seconds" &&
                   (!numeric || number < 1 || number > 600 || number != static_cast<int>(number))) {
            *error = arg + " " + value + ": N is a whole number from 1 to 600";
        } else if (arg == "--seconds") {
            use = Use::kWatch;
            options->seconds = static_cast<int>(number);
        } else if (arg == "--ini") {
            options->ini = value;
        } else {
            *error = arg + ": not an option of headview-probe";
        }
        const char* const names[] = {"the watch (--seconds)", "--centre", "--gain"};
        if (use != Use::kNone && chosen != Use::kNone && use != chosen) {
            *error = std::string(names[static_cast<int>(chosen)]) + " and " + names[static_cast<int>(use)] +
                     ": choose one of the watch, --centre and --gain";
        }
        chosen = use != Use::kNone ? use : chosen;
    }
    options->use = options->use == Use::kHelp ? Use::kHelp : chosen != Use::kNone ? chosen : Use::kWatch;
    return error->empty();
}

void PrintUsage()
{
    WriteOut(
        "usage: headview-probe [--seconds N] [--ini PATH]\n"
        "       headview-probe --centre [--ini PATH]\n"
        "       headview-probe --gain DEGREES [--ini PATH]\n"
        "\n"
        "Put it in the game's folder (the one with the game's .exe and ScriptHookV.dll)\n"
        "and run it there while your head tracker runs. Started by a double-click, it\n"
        "offers a menu.\n"
        "\n"
        "  (no option)     watch the tracker for N seconds (1 to 600, default 10), show\n"
        "                  what it sends and what the camera would do, check the game's\n"
        "                  folder, headview.ini and headview.log, and say what to change\n"
        "  --centre        look straight ahead: sets headviewing_offset so that the view\n"
        "                  is centred, when headview follows the raw yaw (also --center)\n"
        "  --gain DEGREES  look ahead, then out of the side window: sets\n"
        "                  headviewing_multiplier so that this head turn turns the\n"
        "                  camera DEGREES (1 to 360)\n"
        "  --ini PATH      the settings file (default: the game folder's headview.ini)\n"
        "  -h, --help, /?  show this text\n"
        "\n"
        "Exit code: 0 all is well, 1 something to fix (for --centre and --gain also:\n"
        "nothing written), 2 bad usage, or a file the probe did not change.\n");
}

Use ParseMenuChoice(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    const bool one = first != std::string::npos && line.find_first_not_of(" \t", first + 1) == std::string::npos;
    const char choice = one ? line[first] : ' ';
    return choice == '1'                                     ? Use::kWatch
           : choice == '2'                                   ? Use::kCentre
           : choice == '3'                                   ? Use::kGain
           : choice == '4' || choice == 'q' || choice == 'Q' ? Use::kQuit
                                                             : Use::kNone;
}

void PrintMenu()
{
    WriteOut(
        "headview-probe: start your head tracker first. Then choose:\n"
        "  1  watch the tracker for 10 seconds and say what to change\n"
        "  2  centre the view (look straight ahead)\n"
        "  3  set the gain: a look out of the side window turns the camera 90 degrees\n"
        "  4  quit (or q)\n"
        "(From a command prompt, headview-probe --help shows more.)\n"
        "Your choice, then Enter: ");
}
