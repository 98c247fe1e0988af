#include "probe/gather.h"

#include "settings/utf8.h"

#include <windows.h>

#include <tlhelp32.h>

#include <ctype.h>
#include <string.h>
#include <wctype.h>

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

// The key `line` names, exactly or nearly: the nearest of those the reader
// missed, within three letters; -1 for none. One key a line, however near
// it is to others.
int KeyNamed(const IniLine& line, const IniFacts& ini, bool* exactly)
{
    size_t nearest = 4;
    int key = -1;
    for (int k = 0; k < kSettingKeyCount; ++k) {
        if (SameName(line.name, kSettingKeys[k])) {
            *exactly = true;
            return k;
        }
        const size_t distance = Distance(line.name, kSettingKeys[k]);
        if (!ini.present[k] && distance < nearest) {
            nearest = distance;
            key = k;
        }
    }
    *exactly = false;
    return key;
}

void Explain(const IniText& text, IniFacts* ini)
{
    ini->encoding = text.encoding;
    ini->controls = std::any_of(text.units.begin(), text.units.end(),
                                [](wchar_t c) { return c < L' ' && c != L'\t' && c != L'\r' && c != L'\n'; });
    ini->noSection = true;
    ini->empty = true;
    bool seen[kSettingKeyCount] = {};  // a line of the key under the first [Settings], the one the reader takes
    const std::vector<IniLine> lines = SplitIni(text);
    for (size_t at = 0; at < lines.size(); ++at) {
        const IniLine& line = lines[at];
        const std::string shown = TextOf(text, line);
        ini->empty = ini->empty && shown.find_first_not_of(" \t") == std::string::npos;
        if (line.header && line.settings > 0) {
            ini->noSection = false;
            ini->sections = line.settings;
        }
        if (line.header && line.odd && ini->oddHeader.empty()) {
            ini->oddHeader = shown;
        }
        ini->markBeforeSection |= line.header && MarkLength(text) == 3 && line.start == 3;
        bool exactly = false;
        const int key = line.header || line.comment ? -1 : KeyNamed(line, *ini, &exactly);
        if (key < 0) {
            continue;
        }
        ini->keyAbove = ini->keyAbove || (exactly && line.settings == 0);
        // Not read: outside the first [Settings] (another section's own keys aside, when the key is
        // read), or after the key's first line there.
        const bool elsewhere = line.settings == 0 || line.settings > 1 || (line.settings < 0 && !ini->present[key]);
        if (exactly && (elsewhere || (line.settings == 1 && seen[key])) && ini->misplaced[key].empty()) {
            ini->misplaced[key] = shown;
            ini->misplacedLine[key] = static_cast<int>(at);
            ini->place[key] = PlaceOf(text, lines, at);
        } else if (exactly && line.settings == 1 && !seen[key] && line.value == std::wstring::npos) {
            ini->bare[key] = shown;
        } else if (!exactly && line.settings == 1 && ini->nearMiss[key].empty()) {
            ini->nearMiss[key] = shown;
            ini->nearMissLine[key] = static_cast<int>(at);
        }
        seen[key] = seen[key] || (exactly && line.settings == 1);
    }
}

// What the reader and the lines make of `bytes`, into `ini`.
void ReadText(const std::string& bytes, const SettingTexts& texts, IniFacts* ini)
{
    for (int key = 0; key < kSettingKeyCount; ++key) {
        ini->present[key] = texts.present[key];
        ini->texts[key] = texts.text[key];
    }
    ini->bytes = bytes;
    Explain(DecodeIni(bytes), ini);
}

// Whether a process of this name runs; only its name in the process list is looked at.
bool ProcessRuns(const wchar_t* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        found = _wcsicmp(entry.szExeFile, name) == 0;
    }
    CloseHandle(snapshot);
    return found;
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
    f.fromIni = !iniOption.empty();
    f.startedIn = f.fromIni ? FolderNamed(iniOption) : FullPath(L".\\");
    for (const std::wstring& folder : {f.startedIn, f.fromIni ? f.startedIn : f.own}) {
        const bool game = Exists(folder + L"ScriptHookV.dll") || Exists(folder + L"headview.asi");
        if (f.judged.empty() && game) {
            f.judged = folder;
        }
    }
    f.plugin = Exists(f.judged + L"headview.asi");
    f.scriptHook = Exists(f.judged + L"ScriptHookV.dll");
    f.asiLoader = Exists(f.judged + L"dinput8.dll");
    const std::wstring above = FolderOf(f.judged.substr(0, f.judged.size() - 1));
    if (!f.scriptHook && !f.judged.empty() && Exists(above + L"ScriptHookV.dll")) {
        f.gameAbove = above;
    }
    f.leftover = !f.judged.empty() && Exists(f.judged + L"headview.ini.probe-new");
    f.probeOld = !f.judged.empty() && Exists(f.judged + L"headview.ini.probe-old");
    f.wine = UnderWine();
    f.trackIR = ProcessRuns(L"TrackIR5.exe");
    return f;
}

IniFacts GatherIniFacts(const std::wstring& path)
{
    IniFacts ini = {};
    ini.path = path;
    ini.tooLong = path.size() >= kSettingsPathSize;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        attributes = data.dwFileAttributes;
    }
    ini.written = (int64_t{data.ftLastWriteTime.dwHighDateTime} << 32 | data.ftLastWriteTime.dwLowDateTime) / 10000;
    ini.exists = attributes != INVALID_FILE_ATTRIBUTES;
    ini.isFolder = ini.exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    ini.readOnly = ini.exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // Where there is none, a copy the probe kept comes before a file named nearly so.
    const wchar_t* const copies[] = {L"headview.ini.probe-old", L"headview.ini.bak"};
    const wchar_t* const nearly[] = {L"headview.ini.txt", L"headview.txt", L"headview.ini.ini"};
    std::vector<const wchar_t*> names(std::begin(nearly), std::end(nearly));
    if (!ini.exists) {
        names.insert(names.begin(), std::begin(copies), std::end(copies));
    }
    for (const wchar_t* name : names) {
        if (ini.nearMissFile.empty() && Exists(FolderOf(path) + name)) {
            ini.nearMissFile = Utf8FromWide(name);
        }
    }
    if (!ini.exists) {
        return ini;
    }
    SettingTexts texts = {};
    ReadSettingTexts(path.c_str(), &texts);
    ReadAllSettings(path.c_str(), &ini.settings);  // a folder reads as a file of fallbacks, as in the plugin
    std::string bytes;
    if (!ini.isFolder && ReadBytes(path, &bytes)) {
        ReadText(bytes, texts, &ini);
    } else {
        ReadText("", texts, &ini);
        ini.empty = ini.noSection = false;  // nothing read from the lines: nothing to explain
        ini.locked = !ini.isFolder;
    }
    return ini;
}

bool ReadSettingsOf(const std::string& bytes, SettingTexts* texts, Settings* settings)
{
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"hvp", 0, name) == 0) {
        return false;
    }
    HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (ok) {
        ReadSettingTexts(name, texts);
        ReadAllSettings(name, settings);
    }
    DeleteFileW(name);
    return ok;
}

IniFacts IniFactsOfText(const IniFacts& ini, const std::string& bytes)
{
    IniFacts planned = {};
    planned.path = ini.path;
    planned.tooLong = ini.tooLong;
    planned.readOnly = ini.readOnly;
    planned.written = ini.written;
    planned.exists = true;
    SettingTexts texts = {};
    ReadSettingsOf(bytes, &texts, &planned.settings);
    ReadText(bytes, texts, &planned);
    return planned;
}

Facts GatherSetUpFacts(const std::wstring& iniOption)
{
    Facts facts = {};
    facts.folder = GatherFolderFacts(iniOption);
    if (!facts.folder.judged.empty()) {
        facts.ini = GatherIniFacts(facts.folder.judged + L"headview.ini");
        facts.log = GatherLogFacts(facts.folder.judged + L"headview.log");
    }
    facts.game.seen = LookAtGame(&facts.game.first);
    facts.game.last = facts.game.first;
    return facts;
}
