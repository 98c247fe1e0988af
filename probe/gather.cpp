// The game folder and headview.ini, gathered once. What the plugin will read
// comes from the platform's own profile reader, through the plugin's own
// code; the file's bytes only explain a key that reader did not return.
#include "probe/ini_lines.h"
#include "settings/utf8.h"

#include <windows.h>

#include <ctype.h>
#include <wctype.h>
#include <string.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

std::wstring FullPath(const std::wstring& path)
{
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    full.resize(GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr));
    return full;
}

std::wstring FolderOf(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// The folder --ini names: itself, or the one that holds the headview.ini it names.
std::wstring FolderNamed(const std::wstring& iniOption)
{
    const std::wstring full = FullPath(iniOption);
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && full.back() != L'\\') {
        return full + L"\\";
    }
    return FolderOf(full);
}

// Levenshtein distance of two names, letters in any case.
size_t Distance(const std::wstring& a, const char* b)
{
    std::vector<size_t> row(strlen(b) + 1);
    std::iota(row.begin(), row.end(), 0);
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0]++;
        for (size_t j = 1; j < row.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (towlower(a[i - 1]) != tolower(b[j - 1]))});
            diagonal = above;
        }
    }
    return row.back();
}

// "a second [Settings]", "a third", up to "a tenth", then "a later".
std::string Ordinal(int settings, const std::string& header)
{
    const char* const names[] = {"second", "third", "fourth", "fifth", "sixth", "seventh", "eighth", "ninth", "tenth"};
    return std::string("a ") + (settings <= 10 ? names[settings - 2] : "later") + " " + header;
}

void Explain(const IniText& text, IniFacts* ini)
{
    ini->encoding = text.encoding;
    ini->noSection = true;
    ini->empty = true;
    std::string header;
    bool seen[kSettingKeyCount] = {};  // a line of the key under the first [Settings], the one the reader takes
    const std::vector<IniLine> lines = SplitIni(text);
    for (size_t at = 0; at < lines.size(); ++at) {
        const IniLine& line = lines[at];
        const std::string shown = TextOf(text, line);
        ini->empty = ini->empty && shown.find_first_not_of(" \t") == std::string::npos;
        if (line.header && line.settings > 0) {
            ini->noSection = false;
            ini->sections = line.settings;
            if (line.odd && ini->oddHeader.empty()) {
                ini->oddHeader = shown;
            }
        }
        ini->markBeforeSection |= line.header && MarkLength(text) == 3 && line.start == 3;
        if (line.header) {
            header = shown;
        }
        for (int key = 0; key < kSettingKeyCount && !line.header; ++key) {
            const bool named = SameName(line.name, kSettingKeys[key]);
            // Not read: outside the first [Settings] (another section's own keys aside, when the key is
            // read), or after the key's first line there.
            const bool elsewhere = line.settings == 0 || line.settings > 1 || (line.settings < 0 && !ini->present[key]);
            if (named && (elsewhere || (line.settings == 1 && seen[key])) && ini->misplaced[key].empty()) {
                ini->misplaced[key] = shown;
                ini->misplacedLine[key] = static_cast<int>(at);
                ini->under[key] = line.settings > 1 ? Ordinal(line.settings, header) : header;
            } else if (!named && !ini->present[key] && line.settings == 1 &&
                       Distance(line.name, kSettingKeys[key]) <= 3) {
                ini->nearMiss[key] = shown;
                ini->nearMissLine[key] = static_cast<int>(at);
            }
            seen[key] = seen[key] || (named && line.settings == 1);
        }
    }
}

}  // namespace

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

FolderFacts GatherFolderFacts(const std::wstring& iniOption)
{
    FolderFacts f = {};
    wchar_t own[MAX_PATH * 4];
    f.own = FolderOf(std::wstring(own, GetModuleFileNameW(nullptr, own, MAX_PATH * 4)));
    f.startedIn = iniOption.empty() ? FullPath(L".\\") : FolderNamed(iniOption);
    f.fromIni = !iniOption.empty();
    for (const std::wstring& folder : {f.startedIn, iniOption.empty() ? f.own : f.startedIn}) {
        const bool game = Exists(folder + L"ScriptHookV.dll") || Exists(folder + L"headview.asi");
        f.judged = f.judged.empty() && game ? folder : f.judged;
    }
    f.plugin = Exists(f.judged + L"headview.asi");
    f.scriptHook = Exists(f.judged + L"ScriptHookV.dll");
    f.asiLoader = Exists(f.judged + L"dinput8.dll");
    const std::wstring above = FolderOf(f.judged.substr(0, f.judged.size() - 1));
    if (!f.scriptHook && !f.judged.empty() && Exists(above + L"ScriptHookV.dll")) {
        f.gameAbove = above;
    }
    f.leftover = !f.judged.empty() && Exists(f.judged + L"headview.ini.probe-new");
    f.wine = UnderWine();
    return f;
}

IniFacts GatherIniFacts(const std::wstring& path)
{
    IniFacts ini = {};
    ini.path = path;
    ini.tooLong = path.size() >= kSettingsPathSize;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    const DWORD attributes = GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ? data.dwFileAttributes
                                                                                              : INVALID_FILE_ATTRIBUTES;
    ini.written = (int64_t{data.ftLastWriteTime.dwHighDateTime} << 32 | data.ftLastWriteTime.dwLowDateTime) / 10000;
    ini.exists = attributes != INVALID_FILE_ATTRIBUTES;
    ini.isFolder = ini.exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    ini.readOnly = ini.exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    for (const wchar_t* name : {L"headview.ini.txt", L"headview.txt", L"headview.ini.ini"}) {
        const bool there = !ini.exists && ini.nearMissFile.empty() && Exists(FolderOf(path) + name);
        ini.nearMissFile = there ? Utf8FromWide(name) : ini.nearMissFile;
    }
    if (!ini.exists) {
        return ini;
    }
    SettingTexts texts = {};
    ReadSettingTexts(path.c_str(), &texts);
    ReadAllSettings(path.c_str(), &ini.settings);  // a folder reads as a file of fallbacks, as in the plugin
    for (int key = 0; key < kSettingKeyCount; ++key) {
        ini.present[key] = texts.present[key];
        ini.texts[key] = texts.text[key];
    }
    if (!ini.isFolder && ReadBytes(path, &ini.bytes)) {
        Explain(DecodeIni(ini.bytes), &ini);
    }
    return ini;
}

Facts GatherSetUpFacts(const std::wstring& iniOption)
{
    Facts facts = {};
    facts.folder = GatherFolderFacts(iniOption);
    if (!facts.folder.judged.empty()) {
        facts.ini = GatherIniFacts(facts.folder.judged + L"headview.ini");
        facts.log = GatherLogFacts(facts.folder.judged + L"headview.log");
    }
    return facts;
}
