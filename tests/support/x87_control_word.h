#pragma once
// The x87 unit's control word, read and set as a caller of the plug-in
// leaves it (x86; only 32-bit builds do their doubles there).
#include <cstdint>

namespace xvf::test {

inline uint16_t X87ControlWord() {
  uint16_t word;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}
inline void SetX87ControlWord(uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

}  // namespace xvf::test
