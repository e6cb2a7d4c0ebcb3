#pragma once
#include <cstdint>
#include <string>

namespace xvf {

// The folder holding xvfaspect-<mode>.glsl, one shader per framing mode
// (1..4): beside the loaded plug-in (the build tree), beside its real path
// and then the install's shader folder relative to that (symbolic links in
// ~/.config/mpv/scripts followed), then the install's absolute folder.
// Empty when none holds them.
std::string FindShaderFolder();

// The shader of aspect mode 1..4 in `folder`; empty for any other mode.
std::string ShaderPath(const std::string& folder, int32_t mode);

}  // namespace xvf
