#pragma once
#include <cstdint>

#include "framepass/frame_modes.h"

namespace xvf {

// The key's order: fit-window, fit-width, fit-height, panorama, anamorphic,
// auto, and round again.
int32_t NextPluginMode(int32_t mode);

}  // namespace xvf
