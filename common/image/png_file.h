#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/image/picture.h"

namespace xvf {

// An 8-bit RGB PNG (deflate-compressed by libpng) written row by row, so a
// large picture is never held whole. A file that failed is removed.
class PngRowWriter {
 public:
  PngRowWriter() = default;
  ~PngRowWriter();
  PngRowWriter(const PngRowWriter&) = delete;
  PngRowWriter& operator=(const PngRowWriter&) = delete;

  // Creates the file and writes the header; width and height in 1..2^31-1.
  bool Open(const std::string& path, int32_t width, int32_t height);
  // Writes to an open descriptor the caller keeps: never closed or removed
  // here. errno tells why a step failed.
  bool Open(int fd, int32_t width, int32_t height);
  // Where Open(fd) writes.
  struct FdSink {
    int fd = -1;
    int error = 0;  // errno of the write that failed
  };
  // One row of width B, G, R pixels, top row first.
  bool WriteRow(const uint8_t* bgr);
  // Ends the file; false when any step failed or not every row was written.
  bool Close();

 private:
  bool Fail();
  bool Start(int32_t width, int32_t height);

  FILE* file_ = nullptr;
  FdSink sink_;
  void* png_ = nullptr;   // png_structp
  void* info_ = nullptr;  // png_infop
  std::string path_;
  int32_t rowsLeft_ = 0;
  bool failed_ = false;
};

bool WritePng(const std::string& path, const Picture& picture);

// Reads any PNG libpng reads, converted to 8-bit B, G, R; an empty picture
// and *error when it cannot.
Picture ReadPng(const std::string& path, std::string* error);

}  // namespace xvf
