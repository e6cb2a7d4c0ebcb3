#include "mpv/plugin_mode.h"

#include "common/options/tool_options.h"

namespace xvf {

int32_t ParsePluginMode(const std::string& text) {
  if (text == "auto" || text == "5") return kAutoMode;
  return ParseAspectMode(text);
}

const char* PluginModeName(int32_t mode) { return mode == kAutoMode ? "auto" : AspectModeName(mode); }

int32_t NextPluginMode(int32_t mode) { return mode >= 0 && mode < kAutoMode ? mode + 1 : 0; }

}  // namespace xvf
