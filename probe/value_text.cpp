#include "probe/value_text.h"

#include <math.h>
#include <stdio.h>

#include <charconv>

namespace {

constexpr size_t kLongestValue = 31;  // what the settings reader keeps of a value

}  // namespace

std::string FormatHexValue(int32_t value)
{
    // The magnitude in unsigned arithmetic: -0x80000000 has no positive int32.
    const uint32_t bits = static_cast<uint32_t>(value);
    const uint32_t magnitude = value < 0 ? 0u - bits : bits;
    char text[16];
    snprintf(text, sizeof text, "%s%X", value < 0 ? "-" : "", static_cast<unsigned>(magnitude));
    return text;
}

bool FormatOffsetValue(double offset, std::string* text)
{
    char digits[64];
    const double rounded = round(offset * 10000.0) / 10000.0;
    const std::to_chars_result r =
        std::to_chars(digits, digits + sizeof digits, rounded + 0.0, std::chars_format::fixed);
    if (r.ec != std::errc() || static_cast<size_t>(r.ptr - digits) > kLongestValue) {
        return false;
    }
    text->assign(digits, r.ptr);
    return true;
}
