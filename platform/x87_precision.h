#pragma once
// Double arithmetic on the x87 unit rounds to the precision control of its
// control word, which the host may leave at 24 or 64 bits. While a guard
// lives the precision control is 53 bits and rounding is to nearest, so
// + - * / and conversions give the IEEE binary64 results of SSE2; the
// caller's control word comes back on every way out. Builds whose doubles do
// not use the x87 unit (x86-64, SSE2 maths) need nothing: the guard is empty.
#include <cstdint>

namespace xvf {

#if defined(__i386__) && !defined(__SSE2_MATH__)
#define XVF_X87_MATH 1
#else
#define XVF_X87_MATH 0
#endif

class X87DoublePrecision {
 public:
#if XVF_X87_MATH
  X87DoublePrecision() {
    __asm__ __volatile__("fnstcw %0" : "=m"(saved_));
    // Precision control (bits 8-9) 10b = 53 bits, rounding control (bits
    // 10-11) 00b = to nearest; the exception masks stay the caller's.
    const uint16_t binary64 = static_cast<uint16_t>((saved_ & ~0x0F00u) | 0x0200u);
    if (binary64 != saved_) __asm__ __volatile__("fldcw %0" : : "m"(binary64) : "memory");
  }
  ~X87DoublePrecision() { __asm__ __volatile__("fldcw %0" : : "m"(saved_) : "memory"); }
#else
  X87DoublePrecision() {}  // user-provided: a guard is never an unused variable
#endif
  X87DoublePrecision(const X87DoublePrecision&) = delete;
  X87DoublePrecision& operator=(const X87DoublePrecision&) = delete;

  // Makes `value` a memory operand of an ordered asm statement: arithmetic on
  // it cannot be moved before the guard's constructor, nor (for a result)
  // after its destructor. The compiler knows nothing of the control word.
  template <typename T>
  static void Pin(T& value) {
#if XVF_X87_MATH
    __asm__ __volatile__("" : "+m"(value));
#else
    (void)value;
#endif
  }

 private:
#if XVF_X87_MATH
  uint16_t saved_ = 0;
#endif
};

}  // namespace xvf
