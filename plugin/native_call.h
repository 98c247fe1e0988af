// Calling game natives: argument packing and result reading.
#pragma once

#include <stdint.h>

// A 32-bit integer or handle goes in the low 32 bits, upper bits zero.
uint64_t PackInt(uint32_t value);
// A float goes as its IEEE-754 single-precision bits, upper bits zero.
uint64_t PackFloat(float value);

// Calls the native with the given packed arguments and returns the low
// 32 bits of its result slot.
uint32_t CallNative(uint64_t hash, const uint64_t* args, int argCount);
