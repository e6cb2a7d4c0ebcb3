#include "filter/same_file.h"

namespace xvf {
namespace {

// Devices are left out: /dev/null may well take two roles.
bool Comparable(const struct stat& status) { return S_ISREG(status.st_mode) || S_ISFIFO(status.st_mode); }

}  // namespace

NamedFile DescribeFd(const char* role, const std::string& name, int fd) {
  NamedFile file{role, name, {}, false};
  file.known = fd >= 0 && fstat(fd, &file.status) == 0 && Comparable(file.status);
  return file;
}

NamedFile DescribePath(const char* role, const std::string& path) {
  NamedFile file{role, path, {}, false};
  file.known = stat(path.c_str(), &file.status) == 0 && Comparable(file.status);
  return file;
}

std::string SameFile(const std::vector<NamedFile>& files) {
  for (size_t a = 0; a < files.size(); ++a)
    for (size_t b = a + 1; b < files.size(); ++b)
      if ((files[a].known && files[b].known && files[a].status.st_dev == files[b].status.st_dev &&
           files[a].status.st_ino == files[b].status.st_ino) ||
          (!files[a].newPath.empty() && files[a].newPath == files[b].newPath))
        return std::string(files[a].role) + " and " + files[b].role + " are the same file (" + files[b].name + ")";
  return std::string();
}

}  // namespace xvf
