#include "probe/edit.h"

#include "settings/utf8.h"

#include <windows.h>

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

// Every key of `is` as in `was`, but `key`, which must read as `value`.
bool ReadsAsPlanned(const SettingTexts& was, const SettingTexts& is, SettingKey key, const std::string& value,
                    std::string* error)
{
    for (int k = 0; k < kSettingKeyCount; ++k) {
        if (k == key ? !is.present[k] || value != is.text[k]
                     : was.present[k] != is.present[k] || std::string(was.text[k]) != is.text[k]) {
            *error =
                std::string("headview would not read ") + kSettingKeys[k] + (k == key ? " as written" : " as before");
            return false;
        }
    }
    return true;
}

// `temporary` over `path`, unless `path` no longer holds `old` (the player
// saved it meanwhile: theirs stands); its attributes kept. Wine's ReplaceFileW
// leaves a moment without the file, in which a game reading it every frame
// finds none: there a rename replaces it in one step.
bool Replace(const std::wstring& temporary, const std::wstring& path, const std::string& old, std::string* error)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes & FILE_ATTRIBUTE_READONLY) {  // Wine's rename would replace it all the same
        *error = Utf8FromWide(path) + " is read-only";
        return false;
    }
    const bool wine = UnderWine();
    std::string now;
    bool changed = false;
    if (!Retrying([&] {
            return ReadBytes(path, &now) &&
                   ((changed = now != old) || (wine ? MoveFileExW(temporary.c_str(), path.c_str(),
                                                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                                                    : ReplaceFileW(path.c_str(), temporary.c_str(), nullptr,
                                                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)));
        }) ||
        changed) {
        *error = changed ? Utf8FromWide(path) + " changed while the probe worked on it"
                         : SystemError("cannot replace ", path, ": is it open in another program?");
        return false;
    }
    if (GetFileAttributesW(path.c_str()) != attributes) {
        SetFileAttributesW(path.c_str(), attributes);
    }
    return true;
}

std::wstring LineEndOf(const std::wstring& units)
{
    return units.find(L'\n') == std::wstring::npos || units.find(L"\r\n") != std::wstring::npos ? L"\r\n" : L"\n";
}

IniText WithSectionSeen(IniText text)
{
    const std::vector<IniLine> lines = SplitIni(text);
    if (MarkLength(text) == 3 && !lines.empty() && lines[0].header) {
        text.units.insert(3, LineEndOf(text.units));
    }
    return text;
}

}  // namespace

std::string WhyNotEditable(const IniFacts& ini)
{
    return !ini.exists    ? "there is no such file"
           : ini.isFolder ? "it is a folder, not a file"
           : ini.readOnly ? "it is read-only. To clear that: right-click headview.ini, Properties, untick Read-only, OK"
           : ini.encoding == kUtf16Be ? "it is saved as UTF-16 big-endian, which Windows' reader does not read"
           : !ini.oddHeader.empty()   ? "Windows' reader and Wine's read its line " + ini.oddHeader + " otherwise"
                                      : "";
}

IniText WithValue(IniText text, SettingKey key, const std::string& value)
{
    std::wstring& units = text.units;
    const std::wstring lineEnd = LineEndOf(units);
    size_t insertAt = std::wstring::npos;  // after the first section's last line that is not blank
    for (const IniLine& line : SplitIni(text)) {
        if (line.settings == 1 && !line.header && SameName(line.name, kSettingKeys[key])) {
            const size_t at = line.value == std::wstring::npos ? line.end : line.value;
            units.replace(at, line.end - at, (line.value == std::wstring::npos ? L"=" : L"") + WideFromUtf8(value));
            return WithSectionSeen(text);
        }
        const bool blank = line.name.empty() && line.value == std::wstring::npos;
        insertAt = line.settings == 1 && !blank ? line.next : insertAt;
    }
    const size_t at = insertAt == std::wstring::npos ? units.size() : insertAt;
    const bool open = at == units.size() && !units.empty() && units.back() != L'\n' && units.back() != L'\r';
    units.insert(at, (open ? lineEnd : L"") + (insertAt == std::wstring::npos ? L"[Settings]" + lineEnd : L"") +
                         WideFromUtf8(std::string(kSettingKeys[key]) + "=" + value) + lineEnd);
    return WithSectionSeen(text);
}

bool WriteIniValue(const std::wstring& path, SettingKey key, const std::string& value, bool* leftover,
                   std::string* error)
{
    const std::wstring temporary = path + L".probe-new";
    *leftover = DeleteFileW(temporary.c_str()) != 0;
    std::string old;
    if (!Retrying([&] { return ReadBytes(path, &old); })) {
        *error = SystemError("cannot read ", path);
        return false;
    }
    // The other keys are held against the file as the edit saves it, so that
    // a line end put after a mark is not taken for a change.
    SettingTexts was = {}, is = {};
    const bool done = ReadAs(temporary, EncodeIni(WithSectionSeen(DecodeIni(old))), &was, error) &&
                      ReadAs(temporary, EncodeIni(WithValue(DecodeIni(old), key, value)), &is, error) &&
                      ReadsAsPlanned(was, is, key, value, error) && Replace(temporary, path, old, error);
    if (!DeleteFileW(temporary.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        *error += (error->empty() ? "" : "; ") + SystemError("could not remove ", temporary);
    }
    return done;
}
