#include "settings/number_text.h"

#include "settings/decimal_rounding.h"

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

int HexDigitValue(char c)
{
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
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

bool IsExponentLetter(char c)
{
    return c == 'e' || c == 'E' || c == 'd' || c == 'D';
}

// The significant digits of a decimal number and the power of ten that
// scales them.
struct DecimalDigits {
    unsigned char digit[kMaxSignificantDigits];
    size_t count;
    long exponent;
    bool inexact;  // non-zero digits beyond the ones kept
    bool any;      // at least one digit was seen
};

void AddDigit(DecimalDigits* d, char c, bool afterPoint)
{
    const unsigned char value = static_cast<unsigned char>(c - '0');
    d->any = true;
    if (d->count == 0 && value == 0) {
        d->exponent -= afterPoint ? 1 : 0;  // leading zero
        return;
    }
    if (d->count < kMaxSignificantDigits) {
        d->digit[d->count++] = value;
        d->exponent -= afterPoint ? 1 : 0;
        return;
    }
    d->inexact = d->inexact || value != 0;
    d->exponent += afterPoint ? 0 : 1;  // dropped digit
}

// Reads [eEdD][+-]digits at p; returns p unchanged when no digit follows.
const char* ScanExponent(const char* p, long* exponent)
{
    constexpr long kExponentLimit = 1000000;  // far beyond any double
    if (!IsExponentLetter(*p)) {
        return p;
    }
    const char* q = p + 1;
    const bool negative = *q == '-';
    if (*q == '+' || *q == '-') {
        ++q;
    }
    if (!IsDigit(*q)) {
        return p;
    }
    long value = 0;
    for (; IsDigit(*q); ++q) {
        value = value < kExponentLimit ? value * 10 + (*q - '0') : value;
    }
    *exponent += negative ? -value : value;
    return q;
}

}  // namespace

bool ConvertHex32(const char* text, int32_t* value, size_t* consumed)
{
    constexpr uint64_t kLimit = uint64_t{1} << 32;  // saturation point for the magnitude
    bool negative = false;
    const char* p = SkipBlanksAndSign(text, &negative);
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0) {
        p += 2;
    }
    if (HexDigitValue(*p) < 0) {
        *consumed = 0;
        return false;
    }
    uint64_t magnitude = 0;
    for (; HexDigitValue(*p) >= 0; ++p) {
        magnitude = magnitude < kLimit ? magnitude * 16 + static_cast<uint64_t>(HexDigitValue(*p)) : magnitude;
    }
    *consumed = static_cast<size_t>(p - text);
    const uint64_t largest = negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF};
    if (magnitude > largest) {
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
    DecimalDigits d = {};
    for (; IsDigit(*p); ++p) {
        AddDigit(&d, *p, false);
    }
    if (*p == '.') {
        const char* afterPoint = p + 1;
        for (; IsDigit(*afterPoint); ++afterPoint) {
            AddDigit(&d, *afterPoint, true);
        }
        p = d.any ? afterPoint : p;
    }
    if (!d.any) {
        *consumed = 0;
        *value = 0.0;
        return false;
    }
    p = ScanExponent(p, &d.exponent);
    *consumed = static_cast<size_t>(p - text);
    double magnitude = 0.0;
    const bool inRange = DecimalToDouble(d.digit, d.count, d.exponent, d.inexact, &magnitude);
    *value = negative ? -magnitude : magnitude;
    return inRange;
}
