// Correctly rounded conversion of a decimal significand and exponent to the
// nearest double (ties to even), on exact integer arithmetic.
#pragma once

#include <stddef.h>

// value = digits × 10^exponent, where `digits` holds `count` decimal digits
// (0 to 9, most significant first, the first one non-zero) and `inexact` says
// that non-zero digits were dropped after the last one. Count is at most
// kMaxSignificantDigits. False when the value overflows the double range or
// is non-zero but rounds to zero; `result` is then infinity or zero.
constexpr size_t kMaxSignificantDigits = 64;
bool DecimalToDouble(const unsigned char* digits, size_t count, long exponent, bool inexact, double* result);
