#include "tools/xvf-aspect/png_writer.h"

#include <algorithm>
#include <array>

namespace xvf {
namespace {

constexpr uint32_t kStoredMax = 65535;  // bytes of one stored deflate block

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void PutBig32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
  const auto& table = CrcTable();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t size) {
  constexpr uint32_t kBase = 65521;
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (size > 0) {
    const size_t run = std::min<size_t>(size, 5552);  // b stays below 2^32 within a run
    for (size_t i = 0; i < run; ++i) {
      a += data[i];
      b += a;
    }
    a %= kBase;
    b %= kBase;
    data += run;
    size -= run;
  }
  return (b << 16) | a;
}

PngWriter::~PngWriter() {
  if (file_) {
    failed_ = true;
    Close();
  }
}

bool PngWriter::Open(const std::string& path, int32_t width, int32_t height) {
  if (file_ || width < 1 || height < 1) return false;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return false;
  path_ = path;
  width_ = width;
  rowsLeft_ = height;
  rawLeft_ = static_cast<uint64_t>(height) * (1 + static_cast<uint64_t>(width) * 3);
  blockLeft_ = 0;
  adler_ = 1;
  failed_ = false;
  chunk_.clear();
  chunk_.reserve(kChunkBytes);

  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  failed_ = std::fwrite(kSignature, 1, 8, file_) != 8;
  uint8_t header[13];
  PutBig32(header, static_cast<uint32_t>(width));
  PutBig32(header + 4, static_cast<uint32_t>(height));
  header[8] = 8;   // bits per sample
  header[9] = 2;   // colour type: RGB
  header[10] = 0;  // deflate
  header[11] = 0;  // adaptive filtering; every row uses filter 0
  header[12] = 0;  // not interlaced
  WriteChunk("IHDR", header, sizeof header);
  static const uint8_t kZlibHeader[2] = {0x78, 0x01};  // 32 KiB window, no dictionary; 0x7801 % 31 == 0
  chunk_.insert(chunk_.end(), kZlibHeader, kZlibHeader + 2);
  return !failed_;
}

bool PngWriter::WriteRow(const uint8_t* rgb) {
  if (!file_ || failed_ || rowsLeft_ <= 0) return false;
  const uint8_t filter = 0;
  Put(&filter, 1);
  Put(rgb, static_cast<size_t>(width_) * 3);
  --rowsLeft_;
  return !failed_;
}

void PngWriter::Put(const uint8_t* data, size_t size) {
  adler_ = Adler32(adler_, data, size);
  while (size > 0 && !failed_) {
    if (blockLeft_ == 0) {
      // Stored block header: BFINAL, BTYPE 00, padded to the byte; LEN, NLEN little-endian.
      const uint32_t length = static_cast<uint32_t>(std::min<uint64_t>(rawLeft_, kStoredMax));
      const uint8_t header[5] = {static_cast<uint8_t>(length == rawLeft_ ? 1 : 0), static_cast<uint8_t>(length),
                                 static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(~length),
                                 static_cast<uint8_t>(~length >> 8)};
      PutStored(header, sizeof header);
      blockLeft_ = length;
    }
    const size_t run = std::min<size_t>(size, blockLeft_);
    PutStored(data, run);
    blockLeft_ -= static_cast<uint32_t>(run);
    rawLeft_ -= run;
    data += run;
    size -= run;
  }
}

void PngWriter::PutStored(const uint8_t* data, size_t size) {
  while (size > 0 && !failed_) {
    const size_t run = std::min(size, kChunkBytes - chunk_.size());
    chunk_.insert(chunk_.end(), data, data + run);
    data += run;
    size -= run;
    if (chunk_.size() == kChunkBytes) FlushChunk();
  }
}

bool PngWriter::FlushChunk() {
  if (!chunk_.empty()) WriteChunk("IDAT", chunk_.data(), chunk_.size());
  chunk_.clear();
  return !failed_;
}

bool PngWriter::WriteChunk(const char type[4], const uint8_t* data, size_t size) {
  if (failed_) return false;
  uint8_t head[8];
  PutBig32(head, static_cast<uint32_t>(size));
  std::copy_n(type, 4, head + 4);
  uint32_t crc = Crc32(0, head + 4, 4);
  crc = Crc32(crc, data, size);
  uint8_t tail[4];
  PutBig32(tail, crc);
  failed_ = std::fwrite(head, 1, 8, file_) != 8 || (size > 0 && std::fwrite(data, 1, size, file_) != size) ||
            std::fwrite(tail, 1, 4, file_) != 4;
  return !failed_;
}

bool PngWriter::Close() {
  if (!file_) return false;
  if (rowsLeft_ != 0) failed_ = true;
  if (!failed_) {
    uint8_t trailer[4];
    PutBig32(trailer, adler_);
    PutStored(trailer, 4);
    FlushChunk();
    WriteChunk("IEND", nullptr, 0);
  }
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  const bool ok = closed && !failed_;
  if (!ok) std::remove(path_.c_str());
  return ok;
}

}  // namespace xvf
