#include "probe/ini_encoding.h"

#include <windows.h>

namespace {

constexpr const char* kLittleEndianMark = "\xFF\xFE";
constexpr const char* kBigEndianMark = "\xFE\xFF";

bool StartsWith(const std::string& bytes, const char* mark)
{
    return bytes.compare(0, 2, mark) == 0;
}

// UTF-16 code units from bytes in either order, or the reverse.
std::wstring UnitsOf(const std::string& bytes, size_t from, bool bigEndian)
{
    std::wstring units;
    for (size_t at = from; at + 1 < bytes.size(); at += 2) {
        const unsigned char first = static_cast<unsigned char>(bytes[at]);
        const unsigned char second = static_cast<unsigned char>(bytes[at + 1]);
        units.push_back(static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first));
    }
    return units;
}

std::string BytesOf(const std::wstring& units, bool bigEndian)
{
    std::string bytes;
    for (const wchar_t unit : units) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// Strict conversions: an unpaired surrogate or a bad UTF-8 sequence fails.
bool Utf8Of(const std::wstring& units, std::string* text)
{
    text->clear();
    if (units.empty()) {
        return true;
    }
    const int size = static_cast<int>(units.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return false;
    }
    text->resize(static_cast<size_t>(length));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units.data(), size, &(*text)[0], length, nullptr,
                               nullptr) == length;
}

std::wstring UnitsOfUtf8(const std::string& text)
{
    std::wstring units;
    if (text.empty()) {
        return units;
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length > 0) {
        units.resize(static_cast<size_t>(length));
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, &units[0], length);
    }
    return units;
}

}  // namespace

bool DecodeIniText(const std::string& bytes, IniEncoding* encoding, std::string* text)
{
    if (!StartsWith(bytes, kLittleEndianMark) && !StartsWith(bytes, kBigEndianMark)) {
        *encoding = IniEncoding::kEightBit;
        *text = bytes;
        return true;
    }
    const bool bigEndian = StartsWith(bytes, kBigEndianMark);
    *encoding = bigEndian ? IniEncoding::kUtf16BigEndian : IniEncoding::kUtf16LittleEndian;
    return Utf8Of(UnitsOf(bytes, 2, bigEndian), text) && EncodeIniText(*text, *encoding) == bytes;
}

std::string EncodeIniText(const std::string& text, IniEncoding encoding)
{
    if (encoding == IniEncoding::kEightBit) {
        return text;
    }
    const bool bigEndian = encoding == IniEncoding::kUtf16BigEndian;
    return (bigEndian ? kBigEndianMark : kLittleEndianMark) + BytesOf(UnitsOfUtf8(text), bigEndian);
}
