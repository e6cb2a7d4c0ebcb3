#include "framepass/frame_modes.h"

namespace xvf {
namespace {

const char* const kModeNames[kAutoMode + 1] = {"fit-window", "fit-width",  "fit-height",
                                               "panorama",   "anamorphic", "auto"};

// Mode 0..`last` by its digit or its name; -1 otherwise.
int32_t ParseMode(const std::string& text, int32_t last) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '0' + last) return text[0] - '0';
  for (int32_t mode = 0; mode <= last; ++mode)
    if (text == kModeNames[mode]) return mode;
  return -1;
}

}  // namespace

int32_t ParseAspectMode(const std::string& text) { return ParseMode(text, kAnamorphic); }
int32_t ParseFrameMode(const std::string& text) { return ParseMode(text, kAutoMode); }

const char* AspectModeName(int32_t mode) { return mode >= 0 && mode <= kAnamorphic ? kModeNames[mode] : "?"; }
const char* FrameModeName(int32_t mode) { return mode >= 0 && mode <= kAutoMode ? kModeNames[mode] : "?"; }

}  // namespace xvf
