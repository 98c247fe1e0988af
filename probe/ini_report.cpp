#include "probe/ini_report.h"

#include "probe/folder_check.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

// What headview uses for a key it cannot read, as the file would write it.
const char* const kFallbackText[kSettingKeyCount] = {"1", "1", "23 (thirty-five)", "0.0", "0"};
// A value to suggest when the text as written gives no clue.
const char* const kSuggested[kSettingKeyCount] = {"1", "0", "39", "0.0", "1"};

bool Converts(SettingKey key, const std::string& text)
{
    int32_t whole = 0;
    float offset = 0.0f;
    return key == kOffsetKey ? ConvertFloatSettingText(text.c_str(), text.size(), &offset)
                             : ConvertHexSettingText(text.c_str(), text.size(), &whole);
}

// The value as the player most likely meant it: cut at a blank or a
// comment, a decimal comma made a point; else the suggested value.
std::string CorrectedLine(SettingKey key, const std::string& text)
{
    std::string value = text.substr(0, text.find_first_of(" \t;#"));
    if (key == kOffsetKey && value.find(',') != std::string::npos) {
        value[value.find(',')] = '.';
    }
    if (value.empty() || !Converts(key, value)) {
        value = kSuggested[key];
    }
    return std::string(kSettingKeys[key]) + "=" + value;
}

}  // namespace

int FindUnreadableKeys(const IniState& ini, UnreadableKey (&found)[kSettingKeyCount])
{
    int count = 0;
    for (int i = 0; ini.exists && i < kSettingKeyCount; ++i) {
        const SettingKey key = static_cast<SettingKey>(i);
        const bool missingIsFine = key == kSourceKey;
        const bool readable = ini.present[key] ? Converts(key, ini.texts[key]) : missingIsFine;
        if (!readable) {
            found[count++] = UnreadableKey{key, CorrectedLine(key, ini.texts[key])};
        }
    }
    return count;
}

bool PrintUnreadableKeys(const IniState& ini)
{
    UnreadableKey found[kSettingKeyCount];
    const int count = FindUnreadableKeys(ini, found);
    for (int i = 0; i < count; ++i) {
        const SettingKey key = found[i].key;
        if (ini.present[key]) {
            printf("headview cannot read %s=%s, so it uses %s instead. Write it as:\n  %s\n", kSettingKeys[key],
                   ini.texts[key].c_str(), kFallbackText[key], found[i].corrected.c_str());
        } else {
            printf("headview.ini has no %s, so headview uses %s. Add this line under [Settings]:\n  %s\n",
                   kSettingKeys[key], kFallbackText[key], found[i].corrected.c_str());
        }
    }
    if (count > 0) {
        printf("(Each of these also writes \"reading settings from ini file!\" to headview.log.)\n");
    }
    return count > 0;
}

std::string FindNearMissIni(const std::string& iniPath)
{
    const std::string folder = FolderOf(iniPath);
    const char* const nearMisses[] = {"headview.ini.txt", "headview.txt", "headview.ini.ini"};
    for (const char* const name : nearMisses) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + name).c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            return data.cFileName;
        }
    }
    return "";
}

bool PrintNearMissIni(const std::string& iniPath)
{
    const std::string nearMiss = FindNearMissIni(iniPath);
    if (nearMiss.empty()) {
        return false;
    }
    printf(
        "There is a file named %s beside it: Windows hides the end of its name. Rename it to\n"
        "headview.ini (in Explorer: View, then tick \"File name extensions\", then rename it).\n",
        nearMiss.c_str());
    return true;
}
