#include "settings/number_text.h"

namespace xvf {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Sign and digits of text, accumulated modulo 2^64 (unsigned: no overflow).
uint64_t ParseBits(const std::string& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  uint64_t total = 0;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) total = total * 10u + uint64_t(text[i] - '0');
  return negative ? 0u - total : total;
}

}  // namespace

int32_t ParseInt32(const std::string& text) {
  // Two's complement of the low 32 bits, without an implementation-defined cast.
  const uint32_t bits = uint32_t(ParseBits(text));
  return bits <= 0x7FFFFFFFu ? int32_t(bits) : -int32_t(~bits) - 1;
}

int64_t ParseInt64(const std::string& text) {
  const uint64_t bits = ParseBits(text);
  return bits <= 0x7FFFFFFFFFFFFFFFull ? int64_t(bits) : -int64_t(~bits) - 1;
}

std::string FormatUnsigned(uint64_t value) {
  char digits[24];
  size_t n = 0;
  do {
    digits[n++] = char('0' + value % 10u);
    value /= 10u;
  } while (value != 0);
  std::string text;
  while (n > 0) text.push_back(digits[--n]);
  return text;
}

std::string FormatSigned(int64_t value) {
  if (value >= 0) return FormatUnsigned(uint64_t(value));
  return "-" + FormatUnsigned(0u - uint64_t(value));
}

}  // namespace xvf
