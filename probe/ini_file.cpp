#include "probe/ini_file.h"

#include "probe/ini_encoding.h"
#include "probe/ini_text.h"
#include "settings/utf8.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

constexpr ULONGLONG kRetryForMs = 2000;
constexpr DWORD kRetryEveryMs = 10;

bool ReadBytes(const std::string& path, std::string* bytes)
{
    bytes->clear();
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes->append(buffer, got);
    }
    const bool ok = ferror(file) == 0;
    fclose(file);
    return ok;
}

// Another program may hold the file for a moment: `touch` is tried again
// for up to kRetryForMs.
template <typename Touch>
bool Retrying(Touch touch)
{
    const ULONGLONG start = GetTickCount64();
    while (!touch()) {
        if (GetTickCount64() - start >= kRetryForMs) {
            return false;
        }
        Sleep(kRetryEveryMs);
    }
    return true;
}

std::string SystemError(const std::string& what)
{
    return what + " (Windows error " + std::to_string(GetLastError()) + ")";
}

bool WriteNewFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

// Removes a temporary file; a failure is added to `error`.
bool RemoveTemporary(const std::string& path, std::string* error)
{
    if (DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    *error += (error->empty() ? "" : "; ") + SystemError("the temporary file " + path + " could not be removed");
    return false;
}

// What the plugin's reader makes of `bytes`, through a temporary file at
// `temporary`, removed after.
bool ReadTextsOf(const std::string& bytes, const std::string& temporary, SettingTexts* texts, Settings* settings,
                 std::string* error)
{
    if (!WriteNewFile(temporary, bytes)) {
        *error = SystemError("cannot write " + temporary);
        RemoveTemporary(temporary, error);
        return false;
    }
    ReadSettingTexts(WideFromUtf8(temporary).c_str(), texts);
    if (settings != nullptr) {
        ReadAllSettings(WideFromUtf8(temporary).c_str(), settings);
    }
    return RemoveTemporary(temporary, error);
}

std::string TemporaryPathFor(const std::string& path)
{
    return path + ".probe-new";
}

// A name for a file of the probe's own in the user's temporary folder.
std::string OwnTemporaryPath()
{
    char folder[MAX_PATH], name[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH || GetTempFileNameA(folder, "hvp", 0, name) == 0) {
        return "";
    }
    return name;
}

// For a missing file: the name of one beside it that the player likely meant.
std::string FindNearMiss(const std::string& path)
{
    for (const char* const name : {"headview.ini.txt", "headview.txt", "headview.ini.ini"}) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((FolderOf(path) + name).c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            return data.cFileName;
        }
    }
    return "";
}

// The values as Windows reads them, from a copy of the bytes read: the text
// as it is where every reader agrees, else as Windows takes it.
void ReadAsWindowsDoes(const std::string& bytes, IniFacts* ini)
{
    std::string text, view, error;
    const bool decoded = DecodeIniText(bytes, &ini->encoding, &text);
    ini->windows = decoded ? ReadAsWindows(text, ini->encoding, &view, &ini->header) : WindowsReading::kSame;
    const IniEncoding saved =
        ini->encoding == IniEncoding::kEightBit ? IniEncoding::kEightBit : IniEncoding::kUtf16LittleEndian;
    SettingTexts texts = {};
    if (!ReadTextsOf(decoded ? EncodeIniText(view, saved) : bytes, OwnTemporaryPath(), &texts, &ini->settings,
                     &error)) {
        ReadSettingTexts(WideFromUtf8(ini->path).c_str(), &texts);  // no copy could be made: the file itself
        ReadAllSettings(WideFromUtf8(ini->path).c_str(), &ini->settings);
    }
    for (int key = 0; key < kSettingKeyCount; ++key) {
        ini->present[key] = texts.present[key];
        ini->texts[key] = texts.text[key];
    }
}

}  // namespace

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

IniFacts GatherIniFacts(const std::string& path)
{
    IniFacts ini = {};
    wchar_t full[kSettingsPathSize];
    ResolveSettingsPathOf(WideFromUtf8(path).c_str(), full);
    ini.path = full[0] != L'\0' ? Utf8FromWide(full) : path;
    const DWORD attributes = GetFileAttributesA(ini.path.c_str());
    ini.exists = attributes != INVALID_FILE_ATTRIBUTES;
    ini.isFolder = ini.exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    ini.readOnly = ini.exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    std::string bytes;
    if (!ini.exists) {
        ini.nearMiss = FindNearMiss(ini.path);
    } else if (ini.isFolder) {
        ReadAllSettings(WideFromUtf8(ini.path).c_str(), &ini.settings);  // the plugin takes a folder for a file of fallbacks
    } else if (Retrying([&] { return ReadBytes(ini.path, &bytes); })) {
        ReadAsWindowsDoes(bytes, &ini);
    }
    return ini;
}

bool CheckIniWritable(const IniFacts& ini, std::string* error)
{
    if (!ini.exists) {
        *error = "there is no file " + ini.path;
    } else if (ini.isFolder) {
        *error = ini.path + " is a folder, not a file";
    } else if (ini.readOnly) {
        *error = ini.path + " is read-only";
    } else {
        const std::string temporary = TemporaryPathFor(ini.path);
        if (WriteNewFile(temporary, "")) {
            return RemoveTemporary(temporary, error);
        }
        *error = SystemError("cannot make a file beside it, " + temporary);
        RemoveTemporary(temporary, error);
    }
    return false;
}

bool PlanIniEdit(const std::string& bytes, const std::string& key, const std::string& value, std::string* edited,
                 std::string* converted, std::string* error)
{
    IniEncoding encoding = IniEncoding::kEightBit;
    std::string text, view, header;
    if (!DecodeIniText(bytes, &encoding, &text)) {
        *error = "its text is in an encoding the probe cannot write back exactly";
        return false;
    }
    if (!key.empty()) {
        text = SetIniValue(text, key, value);
    }
    converted->clear();
    for (WindowsReading reading; (reading = ReadAsWindows(text, encoding, &view, &header)) != WindowsReading::kSame;) {
        if (reading == WindowsReading::kMarkBeforeSection && IsAscii(text.substr(3))) {
            text.erase(0, 3);
            *converted = "saved without the UTF-8 mark before [Settings], which Windows does not read past";
        } else if (reading == WindowsReading::kBigEndian) {
            encoding = IniEncoding::kUtf16LittleEndian;
            *converted = "saved as UTF-16 little-endian: Windows reads no big-endian file";
        } else {
            *error = reading == WindowsReading::kMarkBeforeSection
                         ? "Windows does not read a [Settings] line right after a UTF-8 mark, and the file holds "
                           "letters beyond ASCII that the mark is needed for"
                         : "Windows reads the line " + header + " otherwise than other readers do";
            return false;
        }
    }
    *edited = EncodeIniText(text, encoding);
    return true;
}

bool ReadsAsEdited(const SettingTexts& was, const SettingTexts& is, SettingKey key, const std::string& value,
                   std::string* error)
{
    for (int k = 0; k < kSettingKeyCount; ++k) {
        const bool mine = k == key;
        if (mine ? (!is.present[k] || value != is.text[k])
                 : (was.present[k] != is.present[k] || strcmp(was.text[k], is.text[k]) != 0)) {
            *error = std::string("headview would not read ") + kSettingKeys[k] + (mine ? " as written" : " as before");
            return false;
        }
    }
    return true;
}

namespace {

// Writes the edit of the file at `live` to `temporary` and checks that it
// reads as planned; `old` holds the file's bytes. The temporary file is
// kept only on success.
bool StageEdit(const std::string& live, const std::string& temporary, SettingKey key, const std::string& value,
               std::string* old, std::string* converted, std::string* error)
{
    std::string edited, unedited, unused;
    SettingTexts was = {}, is = {};
    if (!Retrying([&] { return ReadBytes(live, old); })) {
        *error = "cannot read " + live;
        return false;
    }
    // The other keys are compared with the unedited text as the edit saves
    // it, so that a conversion Windows needs is not taken for a change.
    if (!PlanIniEdit(*old, kSettingKeys[key], value, &edited, converted, error) ||
        !PlanIniEdit(*old, "", "", &unedited, &unused, error) ||
        !ReadTextsOf(unedited, temporary, &was, nullptr, error)) {
        return false;
    }
    if (!WriteNewFile(temporary, edited)) {
        *error = SystemError("cannot write " + temporary);
        RemoveTemporary(temporary, error);
        return false;
    }
    ReadSettingTexts(WideFromUtf8(temporary).c_str(), &is);
    if (!ReadsAsEdited(was, is, key, value, error)) {
        RemoveTemporary(temporary, error);
        return false;
    }
    return true;
}

// One try at moving `temporary` over `path`: true once moved, or once
// `path` is found changed since it read `old` (the player saved it
// meanwhile: theirs stands); else false, with the failure's code.
bool TryReplace(const std::string& temporary, const std::string& path, const std::string& old, bool* changed,
                DWORD* failure)
{
    std::string now;
    if (!ReadBytes(path, &now)) {
        *failure = GetLastError();
        return false;
    }
    *changed = now != old;
    if (*changed || MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    *failure = GetLastError();
    return false;
}

}  // namespace

bool CheckIniEditable(const std::string& path, SettingKey key, const std::string& sampleValue, std::string* error)
{
    std::string old, converted;
    const std::string temporary = TemporaryPathFor(path);
    return StageEdit(path, temporary, key, sampleValue, &old, &converted, error) && RemoveTemporary(temporary, error);
}

bool WriteIniValue(const std::string& path, SettingKey key, const std::string& value, std::string* converted,
                   std::string* error)
{
    const std::string temporary = TemporaryPathFor(path);
    std::string old;
    if (!StageEdit(path, temporary, key, value, &old, converted, error)) {
        return false;
    }
    bool changed = false;
    DWORD failure = 0;
    const bool moved = Retrying([&] { return TryReplace(temporary, path, old, &changed, &failure); }) && !changed;
    if (!moved) {
        SetLastError(failure);
        *error = changed ? path + " changed while the probe worked on it"
                         : SystemError("cannot replace " + path + " (is it open in another program?)");
        RemoveTemporary(temporary, error);
    }
    return moved;
}
