// headview-probe: shows players what their head tracker publishes and what
// headview would do with it, and sets the offset and the gain in
// headview.ini from their head.
#include "probe/calibrate.h"
#include "probe/watch.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

enum class Use { kWatch, kCentre, kGain };

struct Options {
    Use use = Use::kWatch;
    int seconds = 10;
    double degrees = 0.0;
    std::string ini = "headview.ini";
};

void PrintUsage()
{
    printf(
        "usage: headview-probe [--seconds N] [--ini PATH]\n"
        "       headview-probe --centre [--ini PATH]\n"
        "       headview-probe --gain DEGREES [--ini PATH]\n"
        "\n"
        "Run it from the game's folder, where headview.ini is, while your head tracker runs.\n"
        "\n"
        "  (no option)     watch the tracker for N seconds (1 to 600, default 10), show what it\n"
        "                  sends and what the camera would do, and say what to change\n"
        "  --centre        look straight ahead: sets headviewing_offset so that the view is centred\n"
        "                  (also --center)\n"
        "  --gain DEGREES  look ahead, then out of the side window: sets headviewing_multiplier so\n"
        "                  that this head turn turns the camera DEGREES (1 to 360)\n"
        "  --ini PATH      the settings file (default: headview.ini in this folder)\n"
        "\n"
        "Exit code: 0 all is well or the file was written, 1 something to fix or nothing written,\n"
        "2 bad usage or a file that cannot be read or written.\n");
}

// A whole decimal number within [low, high].
bool ParseNumber(const char* text, double low, double high, double* value)
{
    char* end = nullptr;
    *value = strtod(text, &end);
    return end != text && *end == '\0' && *value >= low && *value <= high;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        double number = 0.0;
        if (arg == "--centre" || arg == "--center") {
            options->use = Use::kCentre;
        } else if (arg == "--gain" && value != nullptr && ParseNumber(value, 1, 360, &number)) {
            options->use = Use::kGain;
            options->degrees = number;
            ++i;
        } else if (arg == "--seconds" && value != nullptr && ParseNumber(value, 1, 600, &number) &&
                   number == static_cast<int>(number)) {
            options->seconds = static_cast<int>(number);
            ++i;
        } else if (arg == "--ini" && value != nullptr && value[0] != '\0') {
            options->ini = value;
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "/?") == 0)) {
        PrintUsage();
        return 0;
    }
    if (!ParseOptions(argc, argv, &options)) {
        PrintUsage();
        return 2;
    }
    switch (options.use) {
    case Use::kCentre:
        return RunCentre(options.ini);
    case Use::kGain:
        return RunGain(options.ini, options.degrees);
    default:
        return RunWatch(options.ini, options.seconds);
    }
}
