// The stored-block PNG writer, read back by an independent decoder.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/stored_png.h"
#include "tools/xvf-aspect/png_writer.h"

namespace xvf {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

TEST(PngChecksums, KnownValues) {
  const std::string digits = "123456789";
  const auto* d = reinterpret_cast<const uint8_t*>(digits.data());
  EXPECT_EQ(0xCBF43926u, Crc32(0, d, digits.size()));
  EXPECT_EQ(0xCBF43926u, Crc32(Crc32(0, d, 4), d + 4, 5));  // continued
  const std::string word = "Wikipedia";
  EXPECT_EQ(0x11E60398u, Adler32(1, reinterpret_cast<const uint8_t*>(word.data()), word.size()));
  // Long runs of 0xFF reach the modulo reduction of both sums.
  const std::vector<uint8_t> ones(100000, 0xFF);
  uint32_t a = 1, b = 0;
  for (uint8_t v : ones) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ((b << 16) | a, Adler32(1, ones.data(), ones.size()));
}

// Sizes that give one block, a block boundary inside a row, and several IDAT chunks.
TEST(PngWriter, RoundTripsPixels) {
  struct Size {
    int32_t w, h;
  };
  for (Size s : {Size{1, 1}, Size{3, 2}, Size{7281, 3}, Size{400, 300}}) {
    std::vector<uint8_t> rgb(static_cast<size_t>(s.w) * s.h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 131 + (i >> 8));
    const std::string path = TempPath("round_trip.png");
    PngWriter png;
    ASSERT_TRUE(png.Open(path, s.w, s.h));
    for (int32_t y = 0; y < s.h; ++y) ASSERT_TRUE(png.WriteRow(&rgb[static_cast<size_t>(y) * s.w * 3]));
    ASSERT_TRUE(png.Close());
    const StoredPng read = DecodeStoredPng(ReadFile(path));
    ASSERT_TRUE(read.ok) << s.w << "x" << s.h << ": " << read.error;
    EXPECT_EQ(static_cast<uint32_t>(s.w), read.width);
    EXPECT_EQ(static_cast<uint32_t>(s.h), read.height);
    EXPECT_EQ(rgb, read.rgb);
    const size_t raw = static_cast<size_t>(s.h) * (1 + s.w * 3);
    EXPECT_EQ((raw + 65534) / 65535, read.storedBlocks);
    EXPECT_EQ((raw + 5 * read.storedBlocks + 6 + PngWriter::kChunkBytes - 1) / PngWriter::kChunkBytes,
              read.idatChunks);
    std::remove(path.c_str());
  }
}

TEST(PngWriter, DecoderCatchesDamage) {
  const std::string path = TempPath("damage.png");
  PngWriter png;
  ASSERT_TRUE(png.Open(path, 2, 2));
  const uint8_t row[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(png.WriteRow(row));
  ASSERT_TRUE(png.WriteRow(row));
  ASSERT_TRUE(png.Close());
  const std::string good = ReadFile(path);
  ASSERT_TRUE(DecodeStoredPng(good).ok);
  for (size_t at : {size_t{0}, size_t{20}, good.size() - 20, good.size() - 1}) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x10);
    EXPECT_FALSE(DecodeStoredPng(bad).ok) << "byte " << at;
  }
  std::remove(path.c_str());
}

TEST(PngWriter, IncompletePictureFailsAndLeavesNoFile) {
  const std::string path = TempPath("short.png");
  {
    PngWriter png;
    ASSERT_TRUE(png.Open(path, 2, 3));
    const uint8_t row[6] = {};
    ASSERT_TRUE(png.WriteRow(row));
    EXPECT_FALSE(png.Close());
  }
  EXPECT_EQ(nullptr, std::fopen(path.c_str(), "rb"));
  {
    PngWriter png;
    ASSERT_TRUE(png.Open(path, 1, 1));
    const uint8_t row[3] = {};
    ASSERT_TRUE(png.WriteRow(row));
    EXPECT_FALSE(png.WriteRow(row));  // one row too many
  }  // destroyed while open: removed
  EXPECT_EQ(nullptr, std::fopen(path.c_str(), "rb"));
  PngWriter png;
  EXPECT_FALSE(png.Open(TempPath("no/such/folder/x.png"), 1, 1));
  EXPECT_FALSE(png.Open(path, 0, 1));
}

}  // namespace
}  // namespace xvf
