#pragma once
#include <cstdint>
#include <string>

#include "framepass/aspect_geometry.h"

namespace xvf {

// The modes a frame is framed in, by the names users type: the five aspect
// modes (AspectMode, 0..4) and, beyond the plug-in, the filter's, the
// element's and the mpv plug-in's automatic choice among them per programme.
constexpr int32_t kAutoMode = 5;

// 0..4 or fit-window, fit-width, fit-height, panorama, anamorphic; -1 otherwise.
int32_t ParseAspectMode(const std::string& text);
// The same, and 5 or auto for kAutoMode.
int32_t ParseFrameMode(const std::string& text);

// The name of mode 0..4, "?" otherwise.
const char* AspectModeName(int32_t mode);
// The same, and "auto" for kAutoMode.
const char* FrameModeName(int32_t mode);

}  // namespace xvf
