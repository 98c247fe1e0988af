// Text-to-number conversions for the settings file, independent of the C
// runtime's locale. Both report how many characters they consumed from the
// start of the text, leading blanks, sign and prefix included.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Base 16: blanks, optional sign, optional 0x/0X, hexadecimal digits.
// False when no digit was converted or the value lies outside the signed
// 32-bit range; `consumed` is set either way (0 when nothing converted).
bool ConvertHex32(const char* text, int32_t* value, size_t* consumed);

// Decimal floating point in double precision, correctly rounded: blanks,
// optional sign, digits with an optional '.', optional exponent introduced by
// e, E, d or D. No inf, nan or hexadecimal floats. False when nothing was
// converted (`value` 0) or the value overflows (`value` ±infinity) or is
// non-zero but rounds to zero (`value` ±0); subnormal results are taken.
// `consumed` is set either way.
bool ConvertDecimal(const char* text, double* value, size_t* consumed);
