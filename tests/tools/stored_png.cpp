#include "tests/tools/stored_png.h"

#include <cstring>

namespace xvf {
namespace {

uint32_t Big32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Bitwise CRC-32, written apart from the writer's table.
uint32_t SlowCrc(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

uint32_t SlowAdler(const std::vector<uint8_t>& data) {
  uint32_t a = 1, b = 0;
  for (uint8_t v : data) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

StoredPng Fail(StoredPng png, const std::string& why) {
  png.ok = false;
  png.error = why;
  return png;
}

}  // namespace

StoredPng DecodeStoredPng(const std::string& file) {
  StoredPng png;
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
  if (file.size() < 8 || std::memcmp(bytes, kSignature, 8) != 0) return Fail(png, "bad signature");
  std::vector<uint8_t> zlib;
  size_t at = 8;
  bool sawHeader = false, sawEnd = false, idatDone = false;
  while (at < file.size()) {
    if (sawEnd) return Fail(png, "bytes after IEND");
    if (file.size() - at < 12) return Fail(png, "truncated chunk");
    const uint32_t length = Big32(bytes + at);
    if (length > file.size() - at - 12) return Fail(png, "chunk longer than the file");
    const std::string type(file, at + 4, 4);
    const uint8_t* data = bytes + at + 8;
    if (SlowCrc(bytes + at + 4, length + 4) != Big32(data + length)) return Fail(png, "bad CRC in " + type);
    if (!sawHeader && type != "IHDR") return Fail(png, "first chunk is not IHDR");
    if (type == "IHDR") {
      if (sawHeader || length != 13) return Fail(png, "bad IHDR");
      png.width = Big32(data);
      png.height = Big32(data + 4);
      if (png.width == 0 || png.height == 0 || data[8] != 8 || data[9] != 2 || data[10] || data[11] || data[12])
        return Fail(png, "IHDR is not 8-bit RGB, deflate, no interlace");
      sawHeader = true;
    } else if (type == "IDAT") {
      if (idatDone) return Fail(png, "IDAT chunks not consecutive");
      zlib.insert(zlib.end(), data, data + length);
      ++png.idatChunks;
    } else if (type == "IEND") {
      sawEnd = true;
    } else {
      return Fail(png, "unexpected chunk " + type);
    }
    if (type != "IDAT" && png.idatChunks > 0) idatDone = true;
    at += 12 + length;
  }
  if (!sawEnd) return Fail(png, "no IEND");
  if (zlib.size() < 6) return Fail(png, "zlib stream too short");
  if ((zlib[0] & 0x0F) != 8 || ((zlib[0] << 8) | zlib[1]) % 31 != 0 || (zlib[1] & 0x20))
    return Fail(png, "bad zlib header");
  std::vector<uint8_t> raw;
  size_t z = 2;
  for (bool last = false; !last;) {
    if (z + 5 > zlib.size()) return Fail(png, "truncated deflate block");
    if ((zlib[z] >> 1) & 3) return Fail(png, "block is not stored");
    last = zlib[z] & 1;
    const uint32_t len = zlib[z + 1] | (zlib[z + 2] << 8);
    const uint32_t nlen = zlib[z + 3] | (zlib[z + 4] << 8);
    if ((len ^ 0xFFFF) != nlen) return Fail(png, "LEN and NLEN disagree");
    z += 5;
    if (len > zlib.size() - z) return Fail(png, "stored block past the stream");
    raw.insert(raw.end(), zlib.begin() + z, zlib.begin() + z + len);
    z += len;
    ++png.storedBlocks;
  }
  if (zlib.size() - z != 4) return Fail(png, "no Adler-32 right after the final block");
  if (Big32(&zlib[z]) != SlowAdler(raw)) return Fail(png, "bad Adler-32");
  const size_t row = 1 + static_cast<size_t>(png.width) * 3;
  if (raw.size() != row * png.height) return Fail(png, "picture data has the wrong size");
  for (uint32_t y = 0; y < png.height; ++y) {
    if (raw[y * row] != 0) return Fail(png, "row filter is not 0");
    png.rgb.insert(png.rgb.end(), raw.begin() + y * row + 1, raw.begin() + (y + 1) * row);
  }
  png.ok = true;
  return png;
}

}  // namespace xvf
