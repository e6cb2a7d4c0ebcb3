#include "filter/descriptor_path.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace xvf {
namespace {

constexpr int kLinkLimit = 40;  // as the kernel's ELOOP

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// N when `path` is FOLDER/N and FOLDER is /dev/fd, /proc/self/fd,
// /proc/thread-self/fd, or, links resolved, this process's /proc/PID/fd or
// /proc/PID/task/TID/fd; otherwise -1.
int DescriptorEntry(const std::string& path) {
  const std::string last = path.substr(path.rfind('/') + 1);
  if (last.empty() || last.size() > 9 || last.find_first_not_of("0123456789") != std::string::npos) return -1;
  // By their text first, which holds without /proc mounted.
  const std::string named = Folder(path);
  if (named == "/dev/fd" || named == "/proc/self/fd" || named == "/proc/thread-self/fd") return std::stoi(last);
  char* real = realpath(named.c_str(), nullptr);
  if (!real) return -1;
  const std::string folder = real;
  free(real);
  const std::string process = "/proc/" + std::to_string(getpid());
  const bool task = folder.compare(0, process.size() + 6, process + "/task/") == 0 && folder.size() > 3 &&
                    folder.compare(folder.size() - 3, 3, "/fd") == 0 &&
                    folder.find('/', process.size() + 6) == folder.size() - 3;
  if (folder != process + "/fd" && !task) return -1;
  return std::stoi(last);
}

}  // namespace

int NamedDescriptor(const std::string& path) {
  std::string at = path;
  for (int step = 0; step <= kLinkLimit; ++step) {
    const int fd = DescriptorEntry(at);
    if (fd >= 0) return fd;
    struct stat status;
    if (lstat(at.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return -1;
    char text[PATH_MAX];
    const ssize_t length = readlink(at.c_str(), text, sizeof text - 1);
    if (length <= 0) return -1;
    const std::string next(text, static_cast<size_t>(length));
    at = next[0] == '/' ? next : Folder(at) + "/" + next;
  }
  return -1;
}

}  // namespace xvf
