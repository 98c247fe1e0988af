// headview-probe's command line.
#pragma once

#include <string>

enum class Use { kWatch, kCentre, kGain, kHelp };

struct Options {
    Use use = Use::kWatch;
    int seconds = 10;
    double degrees = 0.0;
    std::string ini = "headview.ini";
};

// False, with `error` naming the argument and what is wrong with it, when
// the command line cannot be taken. -h, --help and /? ask for the help.
bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error);

void PrintUsage();
