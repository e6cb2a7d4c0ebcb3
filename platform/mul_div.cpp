#include "platform/mul_div.h"

#include <cstdint>
#include <limits>

namespace xvf {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  // |a * b| <= 2^62 and |c| <= 2^31: both fit their unsigned 64-bit forms.
  const int64_t product = static_cast<int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const uint64_t magnitude = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
  const uint64_t divisor = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  const uint64_t quotient = (magnitude + divisor / 2) / divisor;
  const uint64_t limit = negative ? uint64_t{1} << 31 : uint64_t{std::numeric_limits<int32_t>::max()};
  if (quotient > limit) return -1;
  return negative ? static_cast<int32_t>(0 - quotient) : static_cast<int32_t>(quotient);
}

}  // namespace xvf
