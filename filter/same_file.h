#pragma once
#include <sys/stat.h>

#include <string>
#include <vector>

namespace xvf {

// One role of a run (input, output, ...) and the file behind it, for
// finding two roles on one file.
struct NamedFile {
  const char* role;
  std::string name;
  struct stat status;
  bool known;  // a regular file or a pipe whose status is in `status`
  std::string newPath = std::string();  // a file still to be made, as an absolute path; compared by name
};

NamedFile DescribeFd(const char* role, const std::string& name, int fd);
NamedFile DescribePath(const char* role, const std::string& path);

// Two roles on one file would overwrite the input or mix streams; found by
// device and inode. Empty when all differ, otherwise one line naming both.
std::string SameFile(const std::vector<NamedFile>& files);

}  // namespace xvf
