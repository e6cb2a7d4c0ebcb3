#include "ui/dialog_init.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/guarded_buffer.h"

namespace xvf {
namespace {

void PutRecord(std::vector<uint8_t>* out, uint16_t id, uint16_t message, const std::string& data) {
  const uint32_t length = static_cast<uint32_t>(data.size());
  const uint8_t header[8] = {uint8_t(id), uint8_t(id >> 8), uint8_t(message), uint8_t(message >> 8),
                             uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(length >> 24)};
  out->insert(out->end(), header, header + 8);
  out->insert(out->end(), data.begin(), data.end());
}

std::string Text(const DialogInitRecord& r) { return std::string(reinterpret_cast<const char*>(r.data), r.length); }

TEST(DialogInit, RecordsInOrderUpToTheClosingZero) {
  std::vector<uint8_t> bytes;
  PutRecord(&bytes, 5100, 0x403, std::string("one\0", 4));
  PutRecord(&bytes, 5100, 0x403, std::string("three\0", 6));  // odd offsets follow: records are unaligned
  PutRecord(&bytes, 7, 0x180, std::string("x\0", 2));
  bytes.push_back(0);
  bytes.push_back(0);
  PutRecord(&bytes, 9, 0x403, "after the end");

  const std::vector<DialogInitRecord> records = ParseDialogInit(bytes.data(), bytes.size());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].controlId, 5100);
  EXPECT_EQ(records[0].message, 0x403);
  EXPECT_EQ(Text(records[0]), std::string("one\0", 4));
  EXPECT_EQ(Text(records[1]), std::string("three\0", 6));
  EXPECT_EQ(records[2].controlId, 7);
  EXPECT_EQ(records[2].message, 0x180);
}

TEST(DialogInit, TruncatedResourcesStopWithoutReadingPastTheEnd) {
  std::vector<uint8_t> bytes;
  PutRecord(&bytes, 5100, 0x403, std::string("first\0", 6));
  PutRecord(&bytes, 5100, 0x403, std::string("second\0", 7));
  // Every cut, each placed against a no-access page: only whole records come back.
  for (size_t size = 0; size <= bytes.size(); ++size) {
    test::GuardedBuffer guarded(size);
    std::copy(bytes.begin(), bytes.begin() + size, guarded.data());
    const size_t expected = size >= 14 + 15 ? 2 : size >= 14 ? 1 : 0;
    EXPECT_EQ(ParseDialogInit(guarded.data(), size).size(), expected) << size;
  }
  // A length beyond the resource.
  std::vector<uint8_t> lying;
  PutRecord(&lying, 5100, 0x403, "abc");
  lying[4] = 0xFF;
  lying[7] = 0x7F;
  EXPECT_TRUE(ParseDialogInit(lying.data(), lying.size()).empty());
  EXPECT_TRUE(ParseDialogInit(nullptr, 100).empty());
}

TEST(DialogInit, Windows1251DecodesTheRussianListTexts) {
  // "Привязка к ширине окна" and "Режим \"Панорама\"" as stored in the resource.
  const uint8_t binding[] = {0xCF, 0xF0, 0xE8, 0xE2, 0xFF, 0xE7, 0xEA, 0xE0, 0x20, 0xEA, 0x20, 0xF8,
                             0xE8, 0xF0, 0xE8, 0xED, 0xE5, 0x20, 0xEE, 0xEA, 0xED, 0xE0, 0x00};
  EXPECT_EQ(DecodeWindows1251(binding, sizeof binding), u"Привязка к ширине окна");
  const uint8_t panorama[] = {0xD0, 0xE5, 0xE6, 0xE8, 0xEC, 0x20, 0x22, 0xCF, 0xE0,
                              0xED, 0xEE, 0xF0, 0xE0, 0xEC, 0xE0, 0x22, 0x00};
  EXPECT_EQ(DecodeWindows1251(panorama, sizeof panorama), u"Режим \"Панорама\"");
}

TEST(DialogInit, Windows1251TableEdgesAndTermination) {
  const uint8_t edges[] = {0x7F, 0x80, 0x98, 0xA8, 0xB8, 0xB9, 0xC0, 0xDF, 0xE0, 0xFF};
  EXPECT_EQ(DecodeWindows1251(edges, sizeof edges),
            std::u16string({0x007F, 0x0402, 0x0098, 0x0401, 0x0451, 0x2116, 0x0410, 0x042F, 0x0430, 0x044F}));
  const uint8_t stops[] = {'a', 'b', 0, 'c'};
  EXPECT_EQ(DecodeWindows1251(stops, sizeof stops), u"ab");
  EXPECT_EQ(DecodeWindows1251(stops, 1), u"a");  // no NUL within the length
  EXPECT_EQ(DecodeWindows1251(nullptr, 5), u"");
}

}  // namespace
}  // namespace xvf
