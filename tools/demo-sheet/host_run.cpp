#include "tools/demo-sheet/host_run.h"

#include <filesystem>

namespace xvf {

std::string WinePath(const std::string& path) {
  std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
  for (char& c : absolute)
    if (c == '/') c = '\\';
  return "Z:" + absolute;
}

std::string ReportValue(const std::string& text, const std::string& key) {
  const std::string prefix = key + "=";
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
    at = end + 1;
  }
  return std::string();
}

}  // namespace xvf
