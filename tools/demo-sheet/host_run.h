#pragma once
#include <string>

namespace xvf {

// The path a Wine program sees for a local path: Z: and the absolute path
// with backslashes (Wine's Z: drive is the Unix root).
std::string WinePath(const std::string& path);

// The value of the line "key=value" in text, or empty.
std::string ReportValue(const std::string& text, const std::string& key);

}  // namespace xvf
