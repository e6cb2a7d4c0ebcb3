#pragma once
// The frames the host hands over: pixel formats and the limits of a stream
// that a frame pass can work on. Portable; used by the engine, the plug-in
// and the tools alike.
#include <cstddef>
#include <cstdint>

namespace xvf {

// Numbered as the host's stream record numbers them. A value read from the
// host may be any number: IsKnown tells.
enum class PixelFormat : int32_t {
  kYuy2 = 0,   // 2 bytes a pixel, pairs Y0 U Y1 V; the host's rows top-down
  kRgb24 = 1,  // 3 bytes B G R; the host's rows bottom-up (a DIB)
};

// Sides and map lengths stay below 65536 (16.16 positions in the scale
// maps); a frame's bytes fit a signed 32-bit offset.
constexpr int32_t kSideLimit = 65536;
constexpr int64_t kFrameBytesLimit = INT32_MAX;

// The host's codes, converted where a host record is read or written.
inline PixelFormat PixelFormatOf(int32_t hostCode) { return static_cast<PixelFormat>(hostCode); }
inline int32_t HostCodeOf(PixelFormat format) { return static_cast<int32_t>(format); }
inline bool IsKnown(PixelFormat format) { return format == PixelFormat::kYuy2 || format == PixelFormat::kRgb24; }
// 2 for YUY2, 3 for RGB24 (and for no other format).
inline int32_t BytesPerPixel(PixelFormat format) { return format == PixelFormat::kYuy2 ? 2 : 3; }
inline bool SideIsUsable(int64_t length) { return length > 0 && length < kSideLimit; }
inline int64_t FrameBytes(PixelFormat format, int64_t width, int64_t height) {
  return width * height * BytesPerPixel(format);
}

// Why a frame pass cannot work on a stream, as a message ends it; null for a
// usable stream: a known format, sides in 1..65535, YUY2 of even width (its
// rows are whole pixel pairs), the frame within 2 GiB.
inline const char* WhyStreamIsUnusable(PixelFormat format, int32_t width, int32_t height) {
  if (!IsKnown(format)) return "the pixel format is unknown";
  if (width >= kSideLimit || height >= kSideLimit) return "width and height must be below 65536";
  if (width <= 0 || height <= 0) return "width and height must be at least 1";
  if (format == PixelFormat::kYuy2 && (width & 1)) return "YUY2 frames need an even width";
  if (FrameBytes(format, width, height) > kFrameBytesLimit) return "a frame must be at most 2 GiB";
  return nullptr;
}
inline bool IsUsableStream(PixelFormat format, int32_t width, int32_t height) {
  return WhyStreamIsUnusable(format, width, height) == nullptr;
}

// A frame in memory, for the frame pass and the automatic mode alike:
// picture row 0 (the top of the picture) and the bytes from one picture row
// to the one below, negative when the rows run bottom-up in memory; its
// pixels and format. A row may be longer than its pixels; the padding is
// never touched. The memory order is the stride's alone, never the format's.
struct FrameRows {
  uint8_t* row0 = nullptr;
  int32_t stride = 0;
  int32_t width = 0;
  int32_t height = 0;
  PixelFormat format = PixelFormat::kYuy2;
};

// The host's packed rows (YUY2 top-down, RGB24 bottom-up); stride 0 for a
// stream that is not usable.
inline FrameRows PackedRows(uint8_t* frame, PixelFormat format, int32_t width, int32_t height) {
  if (!IsUsableStream(format, width, height)) return FrameRows{frame, 0, width, height, format};
  const int32_t rowBytes = BytesPerPixel(format) * width;
  if (format == PixelFormat::kYuy2) return FrameRows{frame, rowBytes, width, height, format};
  return FrameRows{frame + static_cast<ptrdiff_t>(height - 1) * rowBytes, -rowBytes, width, height, format};
}

// Rows of a usable stream that hold their pixels, and whose byte offsets
// (two rows apart by fields) fit a signed 32-bit map field.
inline bool RowsAreUsable(const FrameRows& rows) {
  if (!rows.row0 || !IsUsableStream(rows.format, rows.width, rows.height)) return false;
  const int64_t step = rows.stride < 0 ? -int64_t{rows.stride} : int64_t{rows.stride};
  return step >= int64_t{BytesPerPixel(rows.format)} * rows.width &&
         step * (rows.height < 2 ? 2 : rows.height) <= kFrameBytesLimit;
}

// The first byte of picture row y (0 at the top).
inline const uint8_t* PictureRow(const FrameRows& rows, int32_t y) {
  return rows.row0 + static_cast<ptrdiff_t>(y) * rows.stride;
}

// The host's bypass values 1 and 2: frames pass untouched, Process returns 0.
inline bool BypassesFrames(int32_t bypass) { return bypass == 1 || bypass == 2; }

}  // namespace xvf
