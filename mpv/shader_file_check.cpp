#include "mpv/shader_file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "framepass/frame_modes.h"

namespace xvf {
namespace {

// Our shaders are some 5 KiB; mpv would read a file up to 1 GB.
constexpr off_t kMaxShaderBytes = 1 << 20;

// The whole file, or why not. O_NONBLOCK: a FIFO does not hold the thread.
std::string ReadRegularFile(const std::string& path, std::string* text) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return path + " cannot be opened (" + std::strerror(errno) + ")";
  struct stat info{};
  std::string problem;
  if (fstat(fd, &info) != 0) {
    problem = path + " cannot be examined (" + std::strerror(errno) + ")";
  } else if (!S_ISREG(info.st_mode)) {
    problem = path + " is not a regular file";
  } else if (info.st_size == 0) {
    problem = path + " is empty";
  } else if (info.st_size > kMaxShaderBytes) {
    problem = path + " is larger than a shader";
  } else {
    text->resize(static_cast<size_t>(info.st_size));
    size_t got = 0;
    for (ssize_t n; got < text->size() && (n = read(fd, &(*text)[got], text->size() - got)) > 0;)
      got += static_cast<size_t>(n);
    text->resize(got);
    if (got == 0) problem = path + " cannot be read";
  }
  close(fd);
  return problem;
}

}  // namespace

std::string ShaderFileProblem(const std::string& path, int32_t mode) {
  std::string text;
  const std::string problem = ReadRegularFile(path, &text);
  if (!problem.empty()) return problem;
  // mpv skips what comes before the first "//!" header; ours starts with it.
  const std::string desc = std::string("\n//!DESC xvfaspect ") + FrameModeName(mode) + "\n";
  if (text.compare(0, 3, "//!") != 0 || text.find(desc) == std::string::npos)
    return path + " is not the shader of " + FrameModeName(mode);
  return std::string();
}

}  // namespace xvf
