// The probe's console: output in any letters, whole input lines, and a
// window that a click cannot freeze.
#pragma once

#include <string>

// UTF-8 text: as UTF-16 to a console (its OEM code page may lack a folder's
// letters), as UTF-8 to a file or a pipe.
void WriteOut(const std::string& text);
bool OutputIsConsole();
bool ReadLine(std::string* line);  // one whole line, without its end; false at the end of input
bool ConsoleIsOwn();               // started by a double-click
// So that a click in the window cannot stop the probe mid-watch; restored at exit.
void TurnQuickEditOff();
