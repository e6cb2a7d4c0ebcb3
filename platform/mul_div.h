#pragma once
#include <cstdint>

namespace xvf {

// a * b / c with a 64-bit intermediate, rounded to the nearest integer with
// halves away from zero; -1 when c is 0 or the result does not fit 32 bits.
// Bit-exact with the Win32 MulDiv, which the geometry depends on.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

}  // namespace xvf
