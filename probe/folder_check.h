// The game folder around headview.ini: the plugin and the script hook it
// needs must stand beside it.
#pragma once

#include <string>

// The folder part of a path, with its trailing backslash; empty for a bare name.
std::string FolderOf(const std::string& path);

// Says which of headview.asi and ScriptHookV.dll are missing from the
// folder of `iniPath`; true when one is.
bool PrintMissingBesideIni(const std::string& iniPath);
