#include "probe/ini_file.h"

#include "probe/ini_text.h"

#include <windows.h>

#include <stdio.h>

namespace {

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
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(path.c_str());
    }
    return ok;
}

std::string SystemError(const char* what)
{
    char text[160];
    snprintf(text, sizeof text, "%s (Windows error %lu)", what, GetLastError());
    return text;
}

}  // namespace

IniState ReadIni(const std::string& path)
{
    IniState ini = {};
    ResolveSettingsPathOf(path.c_str());
    ini.path = g_settingsPath[0] != '\0' ? g_settingsPath : path;
    ini.exists = SettingsFileExists();
    ini.allRead = ini.exists && ReadAllSettings(&ini.settings);
    return ini;
}

bool WriteIniValue(const std::string& path, const std::string& key, const std::string& value, std::string* error)
{
    std::string old;
    if (!ReadBytes(path, &old)) {
        *error = "cannot read " + path;
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        *error = path + " is read-only";
        return false;
    }
    const std::string beside = path + ".probe-new";
    if (!WriteNewFile(beside, SetIniValue(old, key, value))) {
        *error = SystemError(("cannot write " + beside).c_str());
        return false;
    }
    if (!MoveFileExA(beside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = SystemError(("cannot replace " + path + " (is it open in another program?)").c_str());
        DeleteFileA(beside.c_str());
        return false;
    }
    return true;
}
