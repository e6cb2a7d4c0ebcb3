#pragma once
#include <cstdint>
#include <string>

namespace xvf {

// Settings numbers, parsed as the C runtime's atoi and _atoi64 do: optional
// leading white space (space, tab, CR, LF, VT, FF), an optional sign, then
// decimal digits up to the first other character; no digits gives 0.
// Overflow is defined and the same in every build: the digits accumulate
// modulo 2^32 (2^64), so every value the store writes, "%u" included, reads
// back as the same bits.
int32_t ParseInt32(const std::string& text);
int64_t ParseInt64(const std::string& text);

// Decimal text, as "%d", "%u", "%I64d" and "%I64u" give it.
std::string FormatSigned(int64_t value);
std::string FormatUnsigned(uint64_t value);

}  // namespace xvf
