#include "probe/edit.h"

#include "settings/utf8.h"

ReplaceCall g_replaceFile = nullptr;

namespace {

// Another program may hold the file for a moment: `touch` is tried again for 2 s.
template <typename Touch>
bool Retrying(Touch touch)
{
    for (const ULONGLONG start = GetTickCount64(); !touch(); Sleep(10)) {
        if (GetTickCount64() - start >= 2000) {
            return false;
        }
    }
    return true;
}

std::string SystemError(const std::string& what, const std::wstring& path, const char* hint = "")
{
    return what + Utf8FromWide(path) + " (Windows error " + std::to_string(GetLastError()) + ")" + hint;
}

// What the plugin's reader makes of `bytes`, written to `temporary`.
bool ReadAs(const std::wstring& temporary, const std::string& bytes, SettingTexts* texts, std::string* error)
{
    HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file);
    if (file == INVALID_HANDLE_VALUE || !CloseHandle(file) || !ok) {
        *error = SystemError("cannot write ", temporary);
        return false;
    }
    ReadSettingTexts(temporary.c_str(), texts);
    return true;
}

// Each key of `is` as `planned` says, against `was`, what the reader made of the file before.
bool ReadsAsPlanned(const SettingTexts& was, const SettingTexts& is, const IniText& after, const Planned& planned,
                    std::string* error)
{
    for (int k = 0; k < kSettingKeyCount; ++k) {
        bool present = was.present[k];
        std::string value = was.text[k];
        if (planned.sets[k]) {
            present = true;
            value = planned.values[k];
        } else if (planned.reveals && !was.present[k]) {
            present = FirstValue(after, kSettingKeys[k], &value);
        }
        if (is.present[k] != present || value != is.text[k]) {
            *error = std::string("headview would not read ") + kSettingKeys[k] +
                     (planned.sets[k] ? " as planned" : " as before");
            return false;
        }
    }
    return true;
}

// `temporary` put where `path` is. ReplaceFileW is given a backup name, so
// that on any failure both files keep a name; where the original was moved
// away all the same, the temporary takes its place, or else the original
// goes back.
bool PutInPlace(const std::wstring& temporary, const std::wstring& path)
{
    if (g_replaceFile == nullptr && UnderWine()) {
        return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    const std::wstring backup = path + L".probe-old";
    const ReplaceCall replace = g_replaceFile != nullptr ? g_replaceFile : ReplaceFileW;
    bool done = replace(path.c_str(), temporary.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr) != 0;
    const DWORD error = GetLastError();
    if (!done && !Exists(path)) {
        done = MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        if (!done) {
            MoveFileExW(backup.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
        }
    }
    if (done) {
        DeleteFileW(backup.c_str());
    }
    SetLastError(error);
    return done;
}

// `temporary` over the file, unless the file no longer is what the probe
// read (the player saved it meanwhile: theirs stands); its attributes kept.
bool Replace(const std::wstring& temporary, const IniFacts& ini, std::string* error)
{
    const std::wstring& path = ini.path;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (ini.exists && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        *error = Utf8FromWide(path) + " is read-only";  // Wine's rename would replace it all the same
        return false;
    }
    std::string now;
    bool changed = false;
    const bool done = Retrying([&] {
        if (!ini.exists) {  // a file that appeared meanwhile is never replaced
            changed = Exists(path);
            return changed || MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
        }
        if (!ReadBytes(path, &now)) {
            return false;  // held by another program, or gone: tried again
        }
        changed = now != ini.bytes;
        return changed || PutInPlace(temporary, path);
    });
    if (changed) {
        *error = Utf8FromWide(path) + " changed while the probe worked on it";
        return false;
    }
    if (!done && !Exists(path)) {  // neither file could be put back: both kept, named to the player
        *error = SystemError("cannot replace ", path, ": your settings are kept as ") + Utf8FromWide(path) +
                 ".probe-old, the changed ones as " + Utf8FromWide(temporary) + "; rename one to headview.ini";
        return false;
    }
    if (!done) {
        *error = SystemError("cannot replace ", path, ": is it open in another program?");
        return false;
    }
    if (ini.exists && GetFileAttributesW(path.c_str()) != attributes) {
        SetFileAttributesW(path.c_str(), attributes);
    }
    return true;
}

}  // namespace

std::string WhyNotEditable(const IniFacts& ini)
{
    if (ini.isFolder) {
        return "it is a folder, not a file";
    }
    if (ini.readOnly) {
        return "it is read-only. To clear that: right-click headview.ini, Properties, untick Read-only, OK";
    }
    if (ini.encoding == kUtf16Be) {
        return "it is saved as UTF-16 big-endian, which Windows' reader does not read";
    }
    if (!ini.oddHeader.empty()) {
        return "Windows' reader and Wine's read its line " + ini.oddHeader + " otherwise";
    }
    return "";
}

std::wstring LineEndOf(const IniText& text)
{
    const std::wstring& units = text.units;
    const bool crlf = units.find(L'\n') == std::wstring::npos || units.find(L"\r\n") != std::wstring::npos;
    return crlf ? L"\r\n" : L"\n";
}

IniText WithSectionSeen(IniText text)
{
    const std::vector<IniLine> lines = SplitIni(text);
    if (MarkLength(text) == 3 && !lines.empty() && lines[0].header) {
        text.units.insert(3, LineEndOf(text));
    }
    return text;
}

IniText WithValue(IniText text, SettingKey key, const std::string& value)
{
    std::wstring& units = text.units;
    const std::wstring lineEnd = LineEndOf(text);
    size_t insertAt = std::wstring::npos;  // after the first section's last line that is not blank
    for (const IniLine& line : SplitIni(text)) {
        if (line.settings == 1 && !line.header && SameName(line.name, kSettingKeys[key])) {
            const size_t at = line.value == std::wstring::npos ? line.end : line.value;
            units.replace(at, line.end - at, (line.value == std::wstring::npos ? L"=" : L"") + WideFromUtf8(value));
            return WithSectionSeen(text);
        }
        const bool blank = line.name.empty() && line.value == std::wstring::npos;
        if (line.settings == 1 && !blank) {
            insertAt = line.next;
        }
    }
    const size_t at = insertAt == std::wstring::npos ? units.size() : insertAt;
    const bool open = at == units.size() && !units.empty() && units.back() != L'\n' && units.back() != L'\r';
    std::wstring added = WideFromUtf8(std::string(kSettingKeys[key]) + "=" + value) + lineEnd;
    if (insertAt == std::wstring::npos) {
        added = L"[Settings]" + lineEnd + added;
    }
    units.insert(at, (open ? lineEnd : L"") + added);
    return WithSectionSeen(text);
}

bool WriteIni(const IniFacts& ini, const IniText& after, const Planned& planned, bool* leftover, std::string* error)
{
    const std::wstring temporary = ini.path + L".probe-new";
    *leftover = DeleteFileW(temporary.c_str()) != 0;
    SettingTexts was = {}, is = {};
    const bool done = ReadAs(temporary, ini.bytes, &was, error) && ReadAs(temporary, EncodeIni(after), &is, error) &&
                      ReadsAsPlanned(was, is, after, planned, error) && Replace(temporary, ini, error);
    // Removed only while the file stands: else it may be the only copy of the player's settings.
    if (Exists(ini.path) && !DeleteFileW(temporary.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        *error += (error->empty() ? "" : "; ") + SystemError("could not remove ", temporary);
    }
    return done;
}

bool WriteIniValue(const std::wstring& path, SettingKey key, const std::string& value, bool* leftover,
                   std::string* error)
{
    IniFacts ini = {};
    ini.path = path;
    ini.exists = true;
    if (!Retrying([&] { return ReadBytes(path, &ini.bytes); })) {
        *error = SystemError("cannot read ", path);
        return false;
    }
    const IniText text = DecodeIni(ini.bytes);
    Planned planned = {};
    planned.sets[key] = true;
    planned.values[key] = value;
    planned.reveals = WithSectionSeen(text).units != text.units;
    return WriteIni(ini, WithValue(text, key, value), planned, leftover, error);
}
