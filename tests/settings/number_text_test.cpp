#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "settings/number_text.h"

namespace xvf {
namespace {

TEST(NumberText, ParsesAsAtoi) {
  EXPECT_EQ(ParseInt32("0"), 0);
  EXPECT_EQ(ParseInt32("42"), 42);
  EXPECT_EQ(ParseInt32(" \t\r\n\v\f-17"), -17);
  EXPECT_EQ(ParseInt32("+8"), 8);
  EXPECT_EQ(ParseInt32("3x"), 3);
  EXPECT_EQ(ParseInt32("x3"), 0);
  EXPECT_EQ(ParseInt32(""), 0);
  EXPECT_EQ(ParseInt32(" "), 0);
  EXPECT_EQ(ParseInt32("-"), 0);
  EXPECT_EQ(ParseInt32("+-1"), 0);
  EXPECT_EQ(ParseInt32("- 1"), 0);
  EXPECT_EQ(ParseInt32("12 34"), 12);
  EXPECT_EQ(ParseInt32("0x1F"), 0);
  EXPECT_EQ(ParseInt32("-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ParseInt32("2147483647"), std::numeric_limits<int32_t>::max());
}

TEST(NumberText, OverflowWrapsSoWrittenValuesReadBack) {
  // "%u" of -1 is what the store writes for an unsigned field.
  EXPECT_EQ(ParseInt32("4294967295"), -1);
  EXPECT_EQ(ParseInt32("2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ParseInt32("4294967296"), 0);
  EXPECT_EQ(ParseInt32("-4294967297"), -1);
  EXPECT_EQ(ParseInt32(std::string(5000, '9')), ParseInt32(std::string(5000, '9')));
  EXPECT_EQ(ParseInt64("18446744073709551615"), -1);
  EXPECT_EQ(ParseInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ParseInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(ParseInt64("9223372036854775808"), std::numeric_limits<int64_t>::min());
  for (uint32_t bits : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 123456789u}) {
    EXPECT_EQ(uint32_t(ParseInt32(FormatUnsigned(bits))), bits);
    EXPECT_EQ(uint32_t(ParseInt32(FormatSigned(int32_t(bits)))), bits);
  }
}

TEST(NumberText, FormatsDecimal) {
  EXPECT_EQ(FormatSigned(0), "0");
  EXPECT_EQ(FormatSigned(-100), "-100");
  EXPECT_EQ(FormatSigned(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(FormatSigned(std::numeric_limits<int64_t>::max()), "9223372036854775807");
  EXPECT_EQ(FormatUnsigned(std::numeric_limits<uint64_t>::max()), "18446744073709551615");
  EXPECT_EQ(FormatUnsigned(4294967295u), "4294967295");
}

}  // namespace
}  // namespace xvf
