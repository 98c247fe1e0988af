// headview.ini checked key by key, with the plugin's own conversions, and a
// missing headview.ini looked for under the names Explorer hides.
#pragma once

#include "probe/ini_file.h"

#include <string>

// One key that headview cannot read, with what it uses instead.
struct UnreadableKey {
    SettingKey key;
    std::string corrected;  // the whole line to put in instead
};

// The keys of `ini` that headview cannot read (a value that does not
// convert whole, or one of the four required keys missing), in file order.
int FindUnreadableKeys(const IniState& ini, UnreadableKey (&found)[kSettingKeyCount]);

// Names each unreadable key with its text, the value headview uses instead
// and the corrected line; true when there was one.
bool PrintUnreadableKeys(const IniState& ini);

// For a missing headview.ini: the name of a file beside it that the player
// likely meant (headview.ini.txt, headview.txt, headview.ini.ini), or empty.
std::string FindNearMissIni(const std::string& iniPath);

// Says how to rename a near miss; true when there was one.
bool PrintNearMissIni(const std::string& iniPath);
