#include "common/image/png_file.h"

#include <png.h>

#include <unistd.h>

#include <cerrno>

namespace xvf {
namespace {

// libpng reports errors by longjmp to the set point of the calling step;
// each step below keeps only trivially destructible locals.
png_structp Png(void* p) { return static_cast<png_structp>(p); }
png_infop Info(void* p) { return static_cast<png_infop>(p); }

void WriteToFd(png_structp png, png_bytep data, size_t size) {
  auto* sink = static_cast<PngRowWriter::FdSink*>(png_get_io_ptr(png));
  while (size > 0) {
    const ssize_t n = write(sink->fd, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      sink->error = n == 0 ? EIO : errno;
      png_error(png, "write failed");
    }
  }
}

// The caller reports failures in its own words: libpng's own line on
// standard error is left out.
void StopQuietly(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

}  // namespace

PngRowWriter::~PngRowWriter() {
  if (file_ || sink_.fd >= 0) Fail();
}

bool PngRowWriter::Fail() {
  failed_ = true;
  return Close();
}

bool PngRowWriter::Open(const std::string& path, int32_t width, int32_t height) {
  if (file_ || sink_.fd >= 0 || width < 1 || height < 1) return false;
  path_ = path;
  file_ = std::fopen(path.c_str(), "wb");
  return file_ && Start(width, height);
}

bool PngRowWriter::Open(int fd, int32_t width, int32_t height) {
  if (file_ || sink_.fd >= 0 || fd < 0 || width < 1 || height < 1) return false;
  path_.clear();
  sink_.fd = fd;
  return Start(width, height);
}

bool PngRowWriter::Start(int32_t width, int32_t height) {
  failed_ = false;
  sink_.error = 0;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, StopQuietly, IgnoreWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  png_ = png;
  info_ = info;
  if (!png || !info) return Fail() && false;
  if (setjmp(png_jmpbuf(png))) return Fail() && false;
  if (file_)
    png_init_io(png, file_);
  else
    png_set_write_fn(png, &sink_, WriteToFd, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  rowsLeft_ = height;
  return true;
}

bool PngRowWriter::WriteRow(const uint8_t* bgr) {
  if ((!file_ && sink_.fd < 0) || failed_ || rowsLeft_ <= 0) return false;
  if (setjmp(png_jmpbuf(Png(png_)))) {
    failed_ = true;
    return false;
  }
  png_write_row(Png(png_), bgr);
  --rowsLeft_;
  return true;
}

bool PngRowWriter::Close() {
  if (!file_ && sink_.fd < 0) return false;
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
  if (sink_.fd >= 0) {
    sink_.fd = -1;
    if (failed_) errno = sink_.error ? sink_.error : EIO;
    return !failed_;
  }
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
