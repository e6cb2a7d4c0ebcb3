#include "tools/image/png_file.h"

#include <png.h>

#include <cerrno>

namespace xvf {
namespace {

// libpng reports errors by longjmp to the set point of the calling step;
// each step below keeps only trivially destructible locals.
png_structp Png(void* p) { return static_cast<png_structp>(p); }
png_infop Info(void* p) { return static_cast<png_infop>(p); }

}  // namespace

PngRowWriter::~PngRowWriter() {
  if (file_) Fail();
}

bool PngRowWriter::Fail() {
  failed_ = true;
  return Close();
}

bool PngRowWriter::Open(const std::string& path, int32_t width, int32_t height) {
  if (file_ || width < 1 || height < 1) return false;
  path_ = path;
  failed_ = false;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  png_ = png;
  info_ = info;
  if (!png || !info) return Fail() && false;
  if (setjmp(png_jmpbuf(png))) return Fail() && false;
  png_init_io(png, file_);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  rowsLeft_ = height;
  return true;
}

bool PngRowWriter::WriteRow(const uint8_t* bgr) {
  if (!file_ || failed_ || rowsLeft_ <= 0) return false;
  if (setjmp(png_jmpbuf(Png(png_)))) {
    failed_ = true;
    return false;
  }
  png_write_row(Png(png_), bgr);
  --rowsLeft_;
  return true;
}

bool PngRowWriter::Close() {
  if (!file_) return false;
  png_structp png = Png(png_);
  png_infop info = Info(info_);
  if (rowsLeft_ != 0) failed_ = true;
  if (png && !failed_) {
    if (setjmp(png_jmpbuf(png)))
      failed_ = true;
    else
      png_write_end(png, nullptr);
  }
  if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  png_ = info_ = nullptr;
  const int error = std::ferror(file_) ? EIO : 0;
  if (std::fclose(file_) != 0 || error) failed_ = true;
  file_ = nullptr;
  if (failed_) {
    const int saved = errno;
    std::remove(path_.c_str());
    errno = saved;
  }
  return !failed_;
}

bool WritePng(const std::string& path, const Picture& picture) {
  PngRowWriter png;
  if (picture.empty() || !png.Open(path, picture.width, picture.height)) return false;
  for (int32_t y = 0; y < picture.height; ++y)
    if (!png.WriteRow(picture.at(0, y))) break;
  return png.Close();
}

Picture ReadPng(const std::string& path, std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    *error = path + ": " + image.message;
    return {};
  }
  image.format = PNG_FORMAT_BGR;
  Picture picture(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
  if (!png_image_finish_read(&image, nullptr, picture.bgr.data(), 0, nullptr)) {
    *error = path + ": " + image.message;
    png_image_free(&image);
    return {};
  }
  return picture;
}

}  // namespace xvf
