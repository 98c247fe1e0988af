#include "probe/ini_file.h"

#include "probe/ini_encoding.h"
#include "probe/ini_text.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

constexpr ULONGLONG kReplaceForMs = 2000;
constexpr DWORD kReplaceRetryMs = 10;

bool ReadBytes(const std::string& path, std::string* bytes)
{
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

bool WriteNewFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file);
    const DWORD failure = GetLastError();
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(path.c_str());
        SetLastError(failure);
    }
    return ok;
}

std::string SystemError(const std::string& what)
{
    return what + " (Windows error " + std::to_string(GetLastError()) + ")";
}

std::string TemporaryPathFor(const std::string& path)
{
    return path + ".probe-new";
}

// True when every key reads the same from both files, but `key`, which
// must read as `value`; else `error` names the first key that does not.
bool ReadsAsEdited(const std::string& before, const std::string& after, const std::string& key,
                   const std::string& value, std::string* error)
{
    SettingTexts was, is;
    ReadSettingTexts(before.c_str(), &was);
    ReadSettingTexts(after.c_str(), &is);
    for (int k = 0; k < kSettingKeyCount; ++k) {
        const bool edited = key == kSettingKeys[k];
        if (edited ? (!is.present[k] || value != is.text[k])
                   : (was.present[k] != is.present[k] || strcmp(was.text[k], is.text[k]) != 0)) {
            *error = std::string("headview would not read ") + kSettingKeys[k] + (edited ? " as written" : " as before");
            return false;
        }
    }
    return true;
}

// Writes the file's text with `key` set to `value` to the temporary file
// beside it and checks that it reads back as it should. On success the
// temporary file is left for the caller, and `old` holds the file's bytes.
bool WriteEditedCopy(const std::string& path, const std::string& key, const std::string& value, std::string* old,
                     std::string* error)
{
    if (!ReadBytes(path, old)) {
        *error = "cannot read " + path;
        return false;
    }
    IniEncoding encoding = IniEncoding::kEightBit;
    std::string text;
    if (!DecodeIniText(*old, &encoding, &text)) {
        *error = "its text is in an encoding the probe cannot write back exactly";
        return false;
    }
    const std::string temporary = TemporaryPathFor(path);
    if (!WriteNewFile(temporary, EncodeIniText(SetIniValue(text, key, value), encoding))) {
        *error = SystemError("cannot write " + temporary);
        return false;
    }
    if (!ReadsAsEdited(path, temporary, key, value, error)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

// Moves `from` over `to`, trying again while another program holds `to`
// open, for up to kReplaceForMs.
bool ReplaceFile(const std::string& from, const std::string& to)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        if (GetTickCount64() - start >= kReplaceForMs) {
            return false;
        }
        Sleep(kReplaceRetryMs);
    }
}

// A regular file that this process may open for writing.
bool IsWritableFile(const std::string& path, std::string* error)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *error = "there is no file " + path;
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *error = path + " is a folder, not a file";
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        *error = path + " is read-only";
        return false;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = SystemError("cannot open " + path + " for writing");
        return false;
    }
    CloseHandle(file);
    return true;
}

}  // namespace

IniState ReadIni(const std::string& path)
{
    IniState ini = {};
    char full[kSettingsPathSize];
    ResolveSettingsPathOf(path.c_str(), full);
    ini.path = full[0] != '\0' ? full : path;
    ini.exists = SettingsFileExists(full);
    ini.allRead = ini.exists && ReadAllSettings(full, &ini.settings);
    if (ini.exists) {
        SettingTexts texts;
        ReadSettingTexts(full, &texts);
        for (int key = 0; key < kSettingKeyCount; ++key) {
            ini.present[key] = texts.present[key];
            ini.texts[key] = texts.text[key];
        }
    }
    return ini;
}

bool CheckIniWritable(const std::string& path, std::string* error)
{
    if (!IsWritableFile(path, error)) {
        return false;
    }
    const std::string temporary = TemporaryPathFor(path);
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = SystemError("cannot write " + temporary);
        return false;
    }
    CloseHandle(file);
    return true;
}

bool CheckIniEditable(const std::string& path, const std::string& key, const std::string& sampleValue,
                      std::string* error)
{
    std::string old;
    if (!WriteEditedCopy(path, key, sampleValue, &old, error)) {
        return false;
    }
    DeleteFileA(TemporaryPathFor(path).c_str());
    return true;
}

bool WriteIniValue(const std::string& path, const std::string& key, const std::string& value, std::string* error)
{
    std::string old;
    if (!IsWritableFile(path, error) || !WriteEditedCopy(path, key, value, &old, error)) {
        return false;
    }
    const std::string temporary = TemporaryPathFor(path);
    std::string now;
    if (!ReadBytes(path, &now) || now != old) {
        *error = path + " changed while the probe worked on it";
        DeleteFileA(temporary.c_str());
        return false;
    }
    if (!ReplaceFile(temporary, path)) {
        *error = SystemError("cannot replace " + path + " (is it open in another program?)");
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}
