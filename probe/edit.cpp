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

// `path` as the file calls take it past 260 characters: headview reads a
// path of 259, and the probe's files beside it have longer names.
std::wstring Long(const std::wstring& path)
{
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        return path;
    }
    if (path.compare(0, 2, L"\\\\") == 0) {
        return L"\\\\?\\UNC\\" + path.substr(2);
    }
    return L"\\\\?\\" + path;
}

std::string SystemError(const std::string& what, const std::wstring& path, const char* hint = "")
{
    return what + Utf8FromWide(path) + " (Windows error " + std::to_string(GetLastError()) + ")" + hint;
}

// Each key of the new text as `planned` says, against what the reader made of the file before.
bool ReadsAsPlanned(const std::string& before, const IniText& after, const Planned& planned, std::string* error)
{
    SettingTexts was = {}, is = {};
    Settings unused = {};
    if (!ReadSettingsOf(before, &was, &unused) || !ReadSettingsOf(EncodeIni(after), &is, &unused)) {
        *error = "it cannot write a file in the temporary folder to read the change back";
        return false;
    }
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
            *error = std::string("headview would not read ") + kSettingKeys[k] + " as planned";
            return false;
        }
    }
    return true;
}

// `bytes` written to `temporary` and read back the same.
bool WriteBeside(const std::wstring& temporary, const std::string& bytes, std::string* error)
{
    HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && FlushFileBuffers(file);
    if (file != INVALID_HANDLE_VALUE) {
        ok = CloseHandle(file) && ok;
    }
    std::string back;
    if (!ok || !ReadBytes(temporary, &back) || back != bytes) {
        *error = SystemError("it cannot write ", temporary);
        return false;
    }
    return true;
}

// `temporary` put where `path` is. The old file goes to headview.ini.probe-old
// first (ReplaceFileW's backup name, so that on any failure both files keep
// a name; where the original was moved away all the same, the temporary
// takes its place, or else the original goes back), and becomes
// headview.ini.bak only once the change stands: a failure keeps the .bak
// there was.
bool PutInPlace(const std::wstring& temporary, const std::wstring& path)
{
    const std::wstring old = path + L".probe-old";
    bool done = false;
    DWORD error = 0;
    if (g_replaceFile == nullptr && UnderWine()) {
        done = CopyFileW(path.c_str(), old.c_str(), FALSE) &&
               MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        error = GetLastError();
    } else {
        ReplaceCall replace = ReplaceFileW;
        if (g_replaceFile != nullptr) {
            replace = g_replaceFile;
        }
        done = replace(path.c_str(), temporary.c_str(), old.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                       nullptr) != 0;
        error = GetLastError();
        if (!done && !Exists(path)) {
            done = MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
            if (!done) {
                MoveFileExW(old.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
            }
        }
    }
    if (done) {
        MoveFileExW(old.c_str(), (path + L".bak").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    } else if (Exists(path)) {
        DeleteFileW(old.c_str());
    }
    SetLastError(error);
    return done;
}

// `temporary` over the file, unless the file no longer is what the probe
// read (the player saved it meanwhile: theirs stands); its attributes kept.
bool Replace(const std::wstring& temporary, const IniFacts& ini, std::string* error)
{
    const std::wstring path = Long(ini.path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (ini.exists && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        *error = "it is read-only";  // Wine's rename would replace it all the same
        return false;
    }
    std::string now;
    bool changed = false, gone = false, tried = false;
    const bool done = Retrying([&] {
        if (!ini.exists) {  // a file that appeared meanwhile is never replaced
            changed = Exists(path);
            return changed || MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
        }
        gone = !tried && !Exists(path);  // once tried, a failed replacement may have moved it
        if (gone || !ReadBytes(path, &now)) {
            return gone;  // held by another program: tried again
        }
        changed = now != ini.bytes;
        tried = true;
        return changed || PutInPlace(temporary, path);
    });
    if (changed) {
        *error = "headview.ini changed while the probe worked on it";
    } else if (gone) {
        *error = "headview.ini was deleted or moved while the probe worked on it";
    } else if (!done) {
        *error = SystemError("it cannot replace ", ini.path, ": another program may hold it open");
    } else if (ini.exists && GetFileAttributesW(path.c_str()) != attributes) {
        SetFileAttributesW(path.c_str(), attributes);
    }
    return done && !changed && !gone;
}

}  // namespace

std::string WhyNotEditable(const IniFacts& ini)
{
    if (ini.isFolder) {
        return "it is a folder, not a file";
    }
    if (ini.locked) {
        return "another program holds it open";
    }
    if (ini.readOnly) {
        return "it is read-only. To clear that: right-click headview.ini, Properties, untick Read-only, OK";
    }
    if (ini.encoding == kUtf16Be) {
        return "it is saved as UTF-16 big-endian, which Windows' reader does not read. In Notepad: File, Save as, "
               "Encoding \"UTF-16 LE\", then Save";
    }
    if (!ini.oddHeader.empty()) {
        return "Windows' reader and Wine's read its line " + ini.oddHeader + " otherwise";
    }
    if (ini.controls) {
        return "it holds control characters, which Windows' reader and Wine's may read otherwise";
    }
    return "";
}

bool WriteIni(const IniFacts& ini, const IniText& after, const Planned& planned, std::string* error)
{
    const std::wstring temporary = Long(ini.path + L".probe-new");
    const bool done = ReadsAsPlanned(ini.bytes, after, planned, error) &&
                      WriteBeside(temporary, EncodeIni(after), error) && Replace(temporary, ini, error);
    // It holds the change alone: the player's settings stand in headview.ini, or headview.ini.bak.
    DeleteFileW(temporary.c_str());
    return done;
}

bool RenameToIni(const IniFacts& ini, const std::string& name, std::string* error)
{
    const std::wstring from = ini.path.substr(0, ini.path.find_last_of(L'\\') + 1) + WideFromUtf8(name);
    if (!MoveFileExW(Long(from).c_str(), Long(ini.path).c_str(), MOVEFILE_WRITE_THROUGH)) {
        *error = SystemError("it cannot rename ", from);
        return false;
    }
    return true;
}

std::string OnDisk(const IniFacts& ini)
{
    std::string now;
    if (ReadBytes(Long(ini.path), &now) && ini.exists && now == ini.bytes) {
        return "headview.ini is as it was.";
    }
    if (Exists(Long(ini.path))) {
        return "headview.ini stands as it is now, untouched by the probe.";
    }
    if (ini.exists && Exists(Long(ini.path + L".probe-old"))) {
        return "There is no headview.ini now: headview.ini.probe-old holds it as it was; rename that to "
               "headview.ini.";
    }
    if (ini.exists) {
        return "There is no headview.ini now.";
    }
    return "Nothing was written.";
}
