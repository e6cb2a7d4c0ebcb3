#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "settings/setting_table.h"

namespace xvf {
namespace {

TEST(SettingTable, TypesReadAndWriteAsTheirCodesSay) {
  uint8_t u8 = 9;
  int16_t s16 = 9;
  uint16_t u16 = 9, u16b = 9;
  std::atomic<int32_t> u32{9}, s32{9};
  int64_t s64 = 9;
  uint64_t u64 = 9;
  std::string text = "old";
  int32_t untouched = 9;
  const SettingDescriptor rows[] = {
      {0, "U8", &u8, 0, nullptr},         {1, "S16", &s16, 0, nullptr},
      {2, "U16", &u16, 0, nullptr},       {3, "U16b", &u16b, -2, nullptr},
      {5, "U32", &u32, 0, nullptr},       {8, "S32", &s32, 0, nullptr},
      {10, "S64", &s64, 0, nullptr},      {11, "U64", &u64, 0, nullptr},
      {12, "Text", &text, 0, "def"},      {13, "Skipped", &untouched, 5, nullptr},
  };
  IniDocument ini;
  const std::string input =
      "[T]\r\nU8=300\r\nS16=40000\r\nU16=-1\r\nU32=-2\r\nS32=4294967295\r\nS64=-9223372036854775808\r\n"
      "U64=18446744073709551615\r\nText=  a b \r\nSkipped=1\r\n";
  ini.LoadText(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  ReadTable(ini, "T", rows, std::size(rows));
  EXPECT_EQ(u8, 44);
  EXPECT_EQ(s16, -25536);
  EXPECT_EQ(u16, 65535);
  EXPECT_EQ(u16b, 65534);  // absent: the default's low 16 bits
  EXPECT_EQ(u32, -2);
  EXPECT_EQ(s32, -1);
  EXPECT_EQ(s64, INT64_MIN);
  EXPECT_EQ(u64, UINT64_MAX);
  EXPECT_EQ(text, "  a b ");
  EXPECT_EQ(untouched, 9);

  ASSERT_TRUE(ini.ResetOutput());
  WriteTable(ini, rows, std::size(rows));
  EXPECT_EQ(std::string(ini.outText.begin(), ini.outText.begin() + ini.outLength),
            "U8=44\r\nS16=-25536\r\nU16=65535\r\nU16b=65534\r\nU32=4294967294\r\nS32=-1\r\n"
            "S64=-9223372036854775808\r\nU64=18446744073709551615\r\nText=  a b \r\n");

  ini.LoadText(std::vector<uint8_t>());
  ReadTable(ini, "T", rows, std::size(rows));
  EXPECT_EQ(text, "def");
  EXPECT_EQ(u8, 0);
  EXPECT_EQ(untouched, 9);
}

}  // namespace
}  // namespace xvf
