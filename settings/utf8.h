// UTF-8 text and the platform's UTF-16 paths: the probe, the simulated game
// and the tests keep text in UTF-8 and turn it into UTF-16 for the wide
// platform calls, so that a folder name may hold any letters.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring WideFromUtf8(const std::string& text)
{
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], static_cast<int>(wide.size()));
    return wide;
}

inline std::string Utf8FromWide(const std::wstring& wide)
{
    const int size = static_cast<int>(wide.size());
    std::string text(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr,
                                                             nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &text[0], static_cast<int>(text.size()), nullptr, nullptr);
    return text;
}
