// The probe's console and command line.
#pragma once

#include <string>
#include <vector>

// UTF-8 text: as UTF-16 to a console (its OEM code page may lack a folder's
// letters), as UTF-8 to a file or a pipe.
void WriteOut(const std::string& text);
bool OutputIsConsole();
bool ReadLine(std::string* line);  // one whole line, without its end; false at the end of input
bool ConsoleIsOwn();               // started by a double-click
// So that a click in the window cannot stop the probe mid-watch; restored at exit.
void TurnQuickEditOff();

enum class Use { kWatch, kCentre, kGain, kHelp, kQuit, kNone };  // the first three in the menu's order

struct Options {
    Use use = Use::kWatch;
    int seconds = 10;
    double degrees = 90.0;
    std::string ini;  // UTF-8; empty: the game folder's headview.ini
};

// The arguments after the program's name; false, with `error` naming the
// argument and what is wrong with it.
bool ParseOptions(const std::vector<std::string>& arguments, Options* options, std::string* error);
void PrintUsage();
// The menu a double-click gets: "1" to "4", blanks around allowed; kNone for anything else.
Use ParseMenuChoice(const std::string& line);
void PrintMenu();
