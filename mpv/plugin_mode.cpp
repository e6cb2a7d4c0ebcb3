#include "mpv/plugin_mode.h"

namespace xvf {

int32_t NextPluginMode(int32_t mode) { return mode >= 0 && mode < kAutoMode ? mode + 1 : 0; }

}  // namespace xvf
