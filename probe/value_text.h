// Values as headview.ini holds them, written so that the settings reader
// reads them back exactly.
#pragma once

#include <stdint.h>

#include <string>

// A whole number in base 16 with its sign ("-27"), for every 32-bit value.
std::string FormatHexValue(int32_t value);

// An offset rounded to 0.0001 (far below what an eye can see), as a decimal
// with a point in any locale; false when it does not fit the 31 characters
// the reader keeps.
bool FormatOffsetValue(double offset, std::string* text);
