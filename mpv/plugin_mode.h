#pragma once
#include <cstdint>
#include <string>

namespace xvf {

// What the plug-in frames with: one of the five aspect modes (0..4), or the
// automatic choice among them.
constexpr int32_t kAutoMode = 5;

// fit-window, fit-width, fit-height, panorama, anamorphic, auto, or 0..5;
// -1 otherwise.
int32_t ParsePluginMode(const std::string& text);

// "auto" for kAutoMode, the aspect mode's name otherwise.
const char* PluginModeName(int32_t mode);

// The key's order: fit-window, fit-width, fit-height, panorama, anamorphic,
// auto, and round again.
int32_t NextPluginMode(int32_t mode);

}  // namespace xvf
