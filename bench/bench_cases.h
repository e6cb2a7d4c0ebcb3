#pragma once
// The cases the frame pass is measured on, shared by the FramePass, Swscale
// and Memcpy benchmarks and by the win32 timing program.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/frame_format.h"
#include "framepass/aspect_geometry.h"

namespace xvf::bench {

struct FrameSize {
  int32_t width, height;
  int32_t windowWidth, windowHeight;  // a 16:9 window: 1024x576, or 1920x1080
};
constexpr FrameSize kSizes[] = {{720, 576, 1024, 576}, {1920, 1080, 1920, 1080}};

struct PixelLayout {
  const char* name;
  PixelFormat format;  // YUY2 top-down, RGB24 bottom-up
};
constexpr PixelLayout kLayouts[] = {{"yuy2", PixelFormat::kYuy2}, {"rgb24", PixelFormat::kRgb24}};

struct Mode {
  const char* name;
  int32_t aspectMode;
};
constexpr Mode kModes[] = {{"fit-width", kFitToWidth}, {"fit-height", kFitToHeight}, {"panorama", kPanorama}};

inline std::string SizeName(const FrameSize& s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

// "FramePass/yuy2/720x576/fit-width"; Memcpy has no mode.
inline std::string CaseName(const char* what, const PixelLayout& l, const FrameSize& s, const Mode* mode) {
  std::string name = std::string(what) + "/" + l.name + "/" + SizeName(s);
  if (mode) name += std::string("/") + mode->name;
  return name;
}

// fn(cold, size, layout) for every size and layout, hot cases first.
template <class Fn>
void ForEachCase(Fn fn) {
  for (bool cold : {false, true}) {
    for (const FrameSize& size : kSizes) {
      for (const PixelLayout& layout : kLayouts) fn(cold, size, layout);
    }
  }
}

// A varied picture, the same in every benchmark.
inline void FillPicture(uint8_t* frame, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) frame[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
}

}  // namespace xvf::bench
