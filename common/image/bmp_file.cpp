#include "common/image/bmp_file.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace xvf {
namespace {

uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
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

bool WriteBmp(const std::string& path, const Picture& picture) {
  const int32_t width = picture.width, height = picture.height;
  const uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;  // rows padded to 4 bytes
  const uint32_t imageBytes = row * static_cast<uint32_t>(height);
  std::vector<uint8_t> file;
  file.reserve(54 + imageBytes);
  file.push_back('B');
  file.push_back('M');
  Put32(&file, 54 + imageBytes);
  Put32(&file, 0);
  Put32(&file, 54);
  Put32(&file, 40);  // BITMAPINFOHEADER
  Put32(&file, static_cast<uint32_t>(width));
  Put32(&file, static_cast<uint32_t>(height));  // positive: bottom-up
  Put16(&file, 1);
  Put16(&file, 24);
  Put32(&file, 0);
  Put32(&file, imageBytes);
  Put32(&file, 2835);
  Put32(&file, 2835);
  Put32(&file, 0);
  Put32(&file, 0);
  for (int32_t y = height - 1; y >= 0; --y) {
    const uint8_t* p = picture.at(0, y);
    file.insert(file.end(), p, p + static_cast<size_t>(width) * 3);
    file.resize(file.size() + (row - static_cast<uint32_t>(width) * 3), 0);
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace xvf
