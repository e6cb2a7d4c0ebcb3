// MMX row blend of the fast paths: 16 bytes a step in two quadwords, the
// rule on 16-bit lanes. Clears the MMX state (EMMS) before it returns.
#include <mmintrin.h>

#include <cstring>

#include "engine/fast_row_kernels.h"
#include "engine/lerp_row_dispatch.h"
#include "engine/mmx_memory.h"

namespace xvf {
namespace {

// a + floor((b - a) * w / 4096) on 8 bytes, the even and the odd bytes in
// the low and high halves of the 16-bit lanes, so nothing is unpacked.
// `scaled` is 16w as a signed 16-bit value: below w = 2048 the high half of
// (b - a) * 16w is the exact floor, added to a; from w = 2048 on, 16w reads
// as -16 (4096 - w) and the rule is b + that high half of (b - a) * scaled.
// Each correction keeps its byte within 0..255, and the odd one is shifted
// into the high byte.
template <bool kFromB>
inline __m64 Blend8(__m64 a, __m64 b, __m64 scaled) {
  const __m64 low = _mm_set1_pi16(0x00FF);
  const __m64 even = _mm_mulhi_pi16(_mm_sub_pi16(_mm_and_si64(b, low), _mm_and_si64(a, low)), scaled);
  const __m64 odd = _mm_mulhi_pi16(_mm_sub_pi16(_mm_srli_pi16(b, 8), _mm_srli_pi16(a, 8)), scaled);
  return _mm_add_pi16(_mm_add_pi16(kFromB ? b : a, even), _mm_slli_pi16(odd, 8));
}

template <bool kFromB>
void LerpRows(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst, const uint8_t*) {
  const __m64 scaled = _mm_set1_pi16(static_cast<int16_t>(static_cast<uint16_t>(weight << 4)));
  // The last 8 bytes are blended before any store: dst may be a or b.
  const int32_t last = bytes - 8;
  const __m64 tail = Blend8<kFromB>(Load64(a + last), Load64(b + last), scaled);
  int32_t i = 0;
  for (; i + 16 <= last; i += 16) {
    const __m64 first = Blend8<kFromB>(Load64(a + i), Load64(b + i), scaled);
    const __m64 second = Blend8<kFromB>(Load64(a + i + 8), Load64(b + i + 8), scaled);
    Store64(dst + i, first);
    Store64(dst + i + 8, second);
  }
  for (; i < last; i += 8) Store64(dst + i, Blend8<kFromB>(Load64(a + i), Load64(b + i), scaled));
  Store64(dst + last, tail);
  _mm_empty();
}

}  // namespace

void LerpRow_MMX(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst,
                 const uint8_t* next) {
  LerpRowByWeight<8, LerpRowBytes, LerpRows<false>, LerpRows<true>>(a, b, weight, bytes, dst, next);
}

void LerpRowPair_MMX(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1, int32_t bytes,
                      uint8_t* dst0, uint8_t* dst1, const uint8_t* next) {
  LerpRowPairAsTwoRows<LerpRow_MMX>(a, b, weight0, weight1, bytes, dst0, dst1, next);
}

}  // namespace xvf
