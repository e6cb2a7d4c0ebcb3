#include "tools/demo-sheet/picture.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace xvf {
namespace {

uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

void PutBig32(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>* out, const char type[4], const uint8_t* data, size_t size) {
  PutBig32(out, static_cast<uint32_t>(size));
  const size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  if (size) out->insert(out->end(), data, data + size);
  const uLong crc = crc32(0L, out->data() + start, static_cast<uInt>(size + 4));
  PutBig32(out, static_cast<uint32_t>(crc));
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

Picture ReadBmp(const std::string& path, std::string* error) {
  std::unique_ptr<FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
  if (!in) {
    *error = "cannot open " + path;
    return {};
  }
  std::vector<uint8_t> file;
  uint8_t block[65536];
  for (size_t got; (got = std::fread(block, 1, sizeof block, in.get())) > 0;) file.insert(file.end(), block, block + got);
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') {
    *error = path + " is not a BMP file";
    return {};
  }
  const uint32_t offset = Get32(&file[10]);
  const int32_t width = static_cast<int32_t>(Get32(&file[18]));
  const int32_t rawHeight = static_cast<int32_t>(Get32(&file[22]));
  const uint32_t bits = Get16(&file[28]);
  const uint32_t compression = Get32(&file[30]);
  if (bits != 24 || compression != 0 || width <= 0 || width > 65535 || rawHeight == 0 || rawHeight < -65535 ||
      rawHeight > 65535) {
    *error = path + ": only uncompressed 24-bit BMP files are read";
    return {};
  }
  const bool bottomUp = rawHeight > 0;
  const int32_t height = bottomUp ? rawHeight : -rawHeight;
  const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
  if (offset > file.size() || (file.size() - offset) / row < static_cast<size_t>(height)) {
    *error = path + " is truncated";
    return {};
  }
  Picture picture(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const int32_t stored = bottomUp ? height - 1 - y : y;
    std::memcpy(picture.at(0, y), &file[offset + stored * row], static_cast<size_t>(width) * 3);
  }
  return picture;
}

bool WritePng(const std::string& path, const Picture& picture) {
  if (picture.empty()) return false;
  // Filter type 0 before every row; pixels R, G, B.
  const size_t rowBytes = static_cast<size_t>(picture.width) * 3;
  std::vector<uint8_t> raw;
  raw.reserve((rowBytes + 1) * picture.height);
  for (int32_t y = 0; y < picture.height; ++y) {
    raw.push_back(0);
    const uint8_t* p = picture.at(0, y);
    for (int32_t x = 0; x < picture.width; ++x, p += 3) {
      raw.push_back(p[2]);
      raw.push_back(p[1]);
      raw.push_back(p[0]);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return false;

  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> file(kSignature, kSignature + 8);
  std::vector<uint8_t> header;
  PutBig32(&header, static_cast<uint32_t>(picture.width));
  PutBig32(&header, static_cast<uint32_t>(picture.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace
  PutChunk(&file, "IHDR", header.data(), header.size());
  PutChunk(&file, "IDAT", packed.data(), packedSize);
  PutChunk(&file, "IEND", nullptr, 0);

  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (std::fclose(out) != 0 || !written) {
    std::remove(path.c_str());
    return false;
  }
  return true;
}

Picture ShrinkBy(const Picture& picture, int32_t factor) {
  if (factor < 1 || picture.empty()) return {};
  Picture small(picture.width / factor, picture.height / factor);
  const uint32_t area = static_cast<uint32_t>(factor) * static_cast<uint32_t>(factor);
  for (int32_t y = 0; y < small.height; ++y)
    for (int32_t x = 0; x < small.width; ++x) {
      uint32_t sum[3] = {0, 0, 0};
      for (int32_t dy = 0; dy < factor; ++dy) {
        const uint8_t* p = picture.at(x * factor, y * factor + dy);
        for (int32_t dx = 0; dx < factor; ++dx, p += 3)
          for (int c = 0; c < 3; ++c) sum[c] += p[c];
      }
      uint8_t* q = small.at(x, y);
      for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>((sum[c] + area / 2) / area);
    }
  return small;
}

Picture StretchNearest(const Picture& picture, int32_t width, int32_t height) {
  if (picture.empty() || width <= 0 || height <= 0) return {};
  Picture out(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const int32_t sy = static_cast<int32_t>((2 * int64_t{y} + 1) * picture.height / (2 * int64_t{height}));
    for (int32_t x = 0; x < width; ++x) {
      const int32_t sx = static_cast<int32_t>((2 * int64_t{x} + 1) * picture.width / (2 * int64_t{width}));
      std::memcpy(out.at(x, y), picture.at(sx, sy), 3);
    }
  }
  return out;
}

}  // namespace xvf
