// The probe's command line and the menu a double-click gets.
#pragma once

#include <string>
#include <vector>

enum class Use { kWatch, kCentre, kGain, kHelp, kQuit, kNone };  // the first three in the menu's order

struct Options {
    Use use = Use::kWatch;
    int seconds = 10;
    double degrees = 90.0;
    bool fix = false;  // --fix: the changes made without asking
    std::string ini;   // UTF-8: the game's folder or its headview.ini; empty: found as usual
};

// The arguments after the program's name; false, with `error` naming the
// argument and what is wrong with it.
bool ParseOptions(const std::vector<std::string>& arguments, Options* options, std::string* error);
void PrintUsage();
// The menu a double-click gets: "1" to "4", blanks around allowed; kNone for anything else.
Use ParseMenuChoice(const std::string& line);
void PrintMenu();
