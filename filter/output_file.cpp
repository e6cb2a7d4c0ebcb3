#include "filter/output_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "filter/raw_io.h"

namespace xvf {
namespace {

constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY;
constexpr int kNameTries = 100;     // taken names beside the file are skipped, this many times
constexpr size_t kBaseLimit = 200;  // of the name's last part, so the temporary name fits NAME_MAX

}  // namespace

OutputFile::~OutputFile() {
  if (!inherited_ && fd_ >= 0) close(fd_);
  if (!target_.empty()) RemoveCreated();  // never renamed: incomplete
}

int OutputFile::Open() {
  if (fd_ >= 0) return 0;
  struct stat existing;
  const bool found = stat(name_.c_str(), &existing) == 0;
  const bool missing = !found && errno == ENOENT && lstat(name_.c_str(), &existing) != 0;
  if (mode_ == Mode::kReplace && (missing || (found && S_ISREG(existing.st_mode)))) return OpenBeside(found);
  return OpenNamed(name_);
}

// Created when missing (and noted as this run's), otherwise opened as it is.
int OutputFile::OpenNamed(const std::string& path) {
  fd_ = open(path.c_str(), kNewFileFlags, 0666);
  if (fd_ >= 0) return NoteCreated(path);
  if (errno != EEXIST) return errno;
  fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  return fd_ >= 0 ? 0 : errno;
}

// A new file in the folder of the file it will replace; a link is followed
// so that the link stays and its target is replaced.
int OutputFile::OpenBeside(bool exists) {
  target_ = name_;
  if (char* real = exists ? realpath(name_.c_str(), nullptr) : nullptr) {
    target_ = real;
    free(real);
  }
  const size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string base = target_.substr(folder.size(), kBaseLimit);
  for (int n = 0; n < kNameTries; ++n) {
    const std::string path = folder + "." + base + "." + std::to_string(getpid()) + "-" + std::to_string(n) + ".tmp";
    fd_ = open(path.c_str(), kNewFileFlags, 0666);
    if (fd_ >= 0) return NoteCreated(path);
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int OutputFile::NoteCreated(const std::string& path) {
  struct stat status;
  if (fstat(fd_, &status) != 0) return 0;  // unknown identity: never removed
  created_ = path;
  createdDevice_ = status.st_dev;
  createdInode_ = status.st_ino;
  return 0;
}

int OutputFile::Empty() {
  if (inherited_ || fd_ < 0 || !created_.empty()) return 0;
  struct stat status;
  if (fstat(fd_, &status) != 0) return errno;
  return S_ISREG(status.st_mode) && ftruncate(fd_, 0) != 0 ? errno : 0;
}

int OutputFile::Write(const void* data, size_t size) {
  return fd_ < 0 ? EBADF : WriteFull(fd_, static_cast<const uint8_t*>(data), size);
}

int OutputFile::Finish() {
  if (inherited_ || fd_ < 0) return 0;
  int error = close(fd_) != 0 ? errno : 0;
  fd_ = -1;
  if (error == 0 && !target_.empty() && rename(created_.c_str(), target_.c_str()) != 0) error = errno;
  if (error != 0 && !target_.empty()) RemoveCreated();
  created_.clear();
  return error;
}

void OutputFile::Discard() {
  if (!inherited_ && fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  RemoveCreated();
}

void OutputFile::RemoveCreated() {
  struct stat now;
  if (!created_.empty() && lstat(created_.c_str(), &now) == 0 && now.st_dev == createdDevice_ &&
      now.st_ino == createdInode_)
    unlink(created_.c_str());
  created_.clear();
}

NamedFile OutputFile::Describe(const char* role) const {
  return target_.empty() ? DescribeFd(role, name_, fd_) : DescribePath(role, target_);
}

}  // namespace xvf
