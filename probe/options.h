// headview-probe's command line.
#pragma once

#include <string>

enum class Use { kWatch, kCentre, kGain, kHelp, kQuit, kNone };

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

// The menu a double-click gets: what a typed line chooses ("1" to "4",
// blanks around it allowed), kNone for anything else.
Use ParseMenuChoice(const std::string& line);
constexpr int kMenuWatchSeconds = 10;
constexpr double kMenuSideWindowDegrees = 90.0;
void PrintMenu();
