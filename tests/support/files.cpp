#include "tests/support/files.h"

#include "settings/utf8.h"

#include <stdio.h>

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = _wfopen(WideFromUtf8(path).c_str(), L"rb");
    if (file == nullptr) {
        return bytes;
    }
    char buffer[65536];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    fclose(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* file = _wfopen(WideFromUtf8(path).c_str(), L"wb");
    if (file != nullptr) {
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }
}

std::string Utf16Le(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii) {
        bytes += std::string{c, '\0'};
    }
    return bytes;
}
