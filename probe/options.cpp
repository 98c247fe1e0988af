#include "probe/options.h"

#include "probe/console.h"
#include "probe/gather.h"
#include "settings/utf8.h"

#include <stdlib.h>

namespace {

// `text` as a number from `low` to `high`, a whole one when `whole`.
bool Number(const std::string& text, double low, double high, bool whole, double* number)
{
    char* end = nullptr;
    *number = strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && *number >= low && *number <= high &&
           (!whole || *number == static_cast<int>(*number));
}

// headview reads headview.ini in the game's folder only: --ini names that
// folder (an existing one, or one written with its last \) or that file.
bool NamesGameIni(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return name.empty() || folder || _stricmp(name.c_str(), "headview.ini") == 0;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& arguments, Options* options, std::string* error)
{
    for (const std::string& arg : arguments) {
        if (arg == "-h" || arg == "--help" || arg == "/?") {
            options->use = Use::kHelp;
            return true;
        }
    }
    const char* const names[] = {"the watch (--seconds)", "--centre", "--gain"};
    Use chosen = Use::kNone;
    for (size_t i = 0; i < arguments.size() && error->empty(); ++i) {
        const std::string& arg = arguments[i];
        const bool takesValue = arg == "--gain" || arg == "--seconds" || arg == "--ini";
        const std::string value = takesValue && i + 1 < arguments.size() ? arguments[++i] : "";
        Use use = Use::kNone;
        for (const auto& named : {std::make_pair("--centre", Use::kCentre), std::make_pair("--center", Use::kCentre),
                                  std::make_pair("--gain", Use::kGain), std::make_pair("--seconds", Use::kWatch)}) {
            use = arg == named.first ? named.second : use;
        }
        double number = 0.0;
        if (takesValue && value.empty()) {
            *error = arg + ": give its value after it";
        } else if (arg == "--gain" && !Number(value, 1, 180, false, &number)) {
            *error = arg + " " + value + ": DEGREES is a number from 1 to 180";
        } else if (arg == "--seconds" && !Number(value, 1, 600, true, &number)) {
            *error = arg + " " + value + ": N is a whole number from 1 to 600";
        } else if (arg == "--ini" && !NamesGameIni(value) && !Exists(WideFromUtf8(value))) {
            *error = arg + " " + value + ": there is no such folder or file";
        } else if (arg == "--ini" && !NamesGameIni(value)) {
            *error = arg + " " + value +
                     ": headview reads only headview.ini in the game's folder: name that folder, "
                     "or its headview.ini";
        } else if (use == Use::kNone && arg != "--ini" && arg != "--fix") {
            *error = arg + ": not an option of headview-probe";
        } else if (use != Use::kNone && chosen != Use::kNone && use != chosen) {
            *error = std::string(names[static_cast<int>(chosen)]) + " and " + names[static_cast<int>(use)] +
                     ": choose one of the watch, --centre and --gain";
        }
        if (use == Use::kGain) {
            options->degrees = number;
        }
        if (use == Use::kWatch) {
            options->seconds = static_cast<int>(number);
        }
        if (arg == "--ini") {
            options->ini = value;
        }
        options->fix = options->fix || arg == "--fix";
        if (use != Use::kNone) {
            chosen = use;
        }
    }
    options->use = chosen != Use::kNone ? chosen : Use::kWatch;
    return error->empty();
}

void PrintUsage()
{
    WriteOut(
        "usage: headview-probe [--seconds N] [--fix] [--ini PATH]\n"
        "       headview-probe --centre [--fix] [--ini PATH]\n"
        "       headview-probe --gain DEGREES [--fix] [--ini PATH]\n"
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
        "                  camera DEGREES (1 to 180)\n"
        "  --fix           make the changes to headview.ini that the report lists,\n"
        "                  without asking (else F then Enter makes them)\n"
        "  --ini PATH      the game's folder, or its headview.ini, when the probe is\n"
        "                  not run from there\n"
        "  -h, --help, /?  show this text\n"
        "\n"
        "Exit code: 0 all is well, 1 something to fix or the game to start again (for\n"
        "--centre and --gain also: nothing written), 2 bad usage, or a file the probe\n"
        "did not change.\n");
}

Use ParseMenuChoice(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    const bool one = first != std::string::npos && line.find_first_not_of(" \t", first + 1) == std::string::npos;
    const size_t at = one ? std::string("1234qQ").find(line[first]) : std::string::npos;
    const Use uses[] = {Use::kWatch, Use::kCentre, Use::kGain, Use::kQuit, Use::kQuit, Use::kQuit};
    return at == std::string::npos ? Use::kNone : uses[at];
}

void PrintMenu()
{
    WriteOut(
        "headview-probe: start your head tracker first. Run it while the game runs and\n"
        "your character sits in a vehicle, and it checks everything at once. Choose:\n"
        "  1  watch the tracker for 10 seconds and say what to change\n"
        "  2  centre the view (look straight ahead)\n"
        "  3  set the gain: a look out of the side window turns the camera 90 degrees\n"
        "  4  quit (or q)\n"
        "(From a command prompt, headview-probe --help shows more.)\n"
        "Your choice, then Enter: ");
}
