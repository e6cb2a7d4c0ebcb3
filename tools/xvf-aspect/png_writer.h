#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace xvf {

// CRC-32 (PNG, zlib polynomial 0xEDB88320) continued from `crc` (0 to start).
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);

// Adler-32 continued from `adler` (1 to start).
uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t size);

// Writes an 8-bit RGB PNG row by row without holding the picture: the zlib
// stream is made of stored (uncompressed) deflate blocks, cut into IDAT
// chunks of at most kChunkBytes.
//
//   signature | IHDR | IDAT ... IDAT | IEND
//   zlib: 78 01 | stored blocks of <= 65535 bytes (last one final) | Adler-32
class PngWriter {
 public:
  static constexpr size_t kChunkBytes = 1 << 18;

  PngWriter() = default;
  ~PngWriter();
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  // Creates the file and writes the header; width and height in 1..2^31-1.
  bool Open(const std::string& path, int32_t width, int32_t height);

  // One row of width R, G, B pixels, top row first.
  bool WriteRow(const uint8_t* rgb);

  // Ends the stream and closes the file; false when any step failed or not
  // every row was written. A failed file is removed.
  bool Close();

 private:
  void Put(const uint8_t* data, size_t size);  // raw zlib payload bytes, split into stored blocks
  void PutStored(const uint8_t* data, size_t size);
  bool FlushChunk();
  bool WriteChunk(const char type[4], const uint8_t* data, size_t size);

  FILE* file_ = nullptr;
  std::string path_;
  int32_t width_ = 0;
  int32_t rowsLeft_ = 0;
  uint64_t rawLeft_ = 0;    // filtered picture bytes still to come
  uint32_t blockLeft_ = 0;  // bytes left in the open stored block
  uint32_t adler_ = 1;
  bool failed_ = false;
  std::vector<uint8_t> chunk_;  // zlib bytes of the next IDAT
};

}  // namespace xvf
