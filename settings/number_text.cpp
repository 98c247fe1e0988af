#include "settings/number_text.h"

#include <math.h>
#include <string.h>

#include <charconv>
#include <string>
#include <system_error>

// std::from_chars does the conversions: locale-free and, for doubles,
// correctly rounded. The front end here adds what the settings grammar has
// beyond it (leading blanks, a '+' sign, the 0x prefix, d/D exponents) and
// refuses what from_chars takes but the grammar does not (inf, nan, hex
// floats are cut short by the first-character test or the whole-text rule).

namespace {

// Blanks as the C locale's isspace knows them.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Skips blanks and an optional sign; returns the position after them.
const char* SkipBlanksAndSign(const char* p, bool* negative)
{
    while (IsBlank(*p)) {
        ++p;
    }
    *negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    return p;
}

}  // namespace

bool ConvertHex32(const char* text, int32_t* value, size_t* consumed)
{
    bool negative = false;
    const char* p = SkipBlanksAndSign(text, &negative);
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && IsHexDigit(p[2])) {
        p += 2;
    }
    uint64_t magnitude = 0;
    const std::from_chars_result read = std::from_chars(p, p + strlen(p), magnitude, 16);
    if (read.ec == std::errc::invalid_argument) {
        *consumed = 0;
        return false;
    }
    *consumed = static_cast<size_t>(read.ptr - text);
    const uint64_t largest = negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF};
    if (read.ec == std::errc::result_out_of_range || magnitude > largest) {
        return false;
    }
    const int64_t signedValue = static_cast<int64_t>(magnitude);
    *value = static_cast<int32_t>(negative ? -signedValue : signedValue);
    return true;
}

bool ConvertDecimal(const char* text, double* value, size_t* consumed)
{
    bool negative = false;
    const char* p = SkipBlanksAndSign(text, &negative);
    if (!IsDigit(p[0]) && !(p[0] == '.' && IsDigit(p[1]))) {
        *consumed = 0;
        *value = 0.0;
        return false;
    }
    // from_chars knows only e/E as exponent letters: read a copy in which
    // d, D and E all stand for e. Only a letter right after the digits can be
    // taken as an exponent, so the copy reads as the text would.
    std::string number(p);
    for (char& c : number) {
        c = (c == 'd' || c == 'D' || c == 'E') ? 'e' : c;
    }
    const char* first = number.data();
    const char* last = first + number.size();
    double magnitude = 0.0;
    const std::from_chars_result read = std::from_chars(first, last, magnitude, std::chars_format::general);
    *consumed = static_cast<size_t>(p - text) + static_cast<size_t>(read.ptr - first);
    const bool inRange = read.ec == std::errc();
    if (!inRange) {
        // Out of the double range. from_chars leaves the value alone: give
        // infinity for a positive exponent and zero otherwise, which tells an
        // overflow from an underflow for every text the settings reader sees
        // (at most 31 characters).
        const char* exponent = static_cast<const char*>(memchr(first, 'e', static_cast<size_t>(read.ptr - first)));
        const bool overflow = exponent != nullptr && exponent[1] != '-';
        magnitude = overflow ? HUGE_VAL : 0.0;
    }
    *value = negative ? -magnitude : magnitude;
    return inRange;
}
