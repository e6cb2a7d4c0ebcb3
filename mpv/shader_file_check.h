#pragma once
#include <cstdint>
#include <string>

namespace xvf {

// Why mpv could not take `path` as the shader of aspect mode 1..4, before
// it is handed over: not a regular file (a folder, a device), missing or
// unreadable, empty, larger than any shader of ours, or without the
// mode's "//!DESC xvfaspect <mode>" header. Empty when it can.
std::string ShaderFileProblem(const std::string& path, int32_t mode);

}  // namespace xvf
