#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace xvf {

// A PNG as xvf-aspect writes it: 8-bit RGB, filter 0 on every row, a zlib
// stream of stored deflate blocks over one or more IDAT chunks.
struct StoredPng {
  bool ok = false;
  std::string error;  // what was wrong, when !ok
  uint32_t width = 0;
  uint32_t height = 0;
  size_t idatChunks = 0;
  size_t storedBlocks = 0;
  std::vector<uint8_t> rgb;  // R, G, B, rows top-down
};

// Checks the signature, every chunk's CRC, IHDR, the chunk order, the zlib
// header, the stored blocks (LEN against NLEN, one final block at the end)
// and the Adler-32, independently of the writer.
StoredPng DecodeStoredPng(const std::string& file);

}  // namespace xvf
