#pragma once
// Number conversions shared by every subsystem. All of them are total: no input,
// however large, NaN or infinite, leads to undefined behaviour.

#include <cstdint>

// Floating point to 32-bit integer, truncating toward zero. NaN gives 0; values
// beyond the 32-bit range saturate at its limits.
int32_t truncateToInt(double value);

// Round a double once to single precision (to nearest, ties to even), the way
// stored positions and factors are kept. Overflow gives the infinity of the sign,
// exactly as the hardware conversion does, but without leaving the defined range.
float roundToSingle(double value);

// Clamp a wide integer into the 32-bit signed range.
int32_t saturateToInt32(int64_t value);
