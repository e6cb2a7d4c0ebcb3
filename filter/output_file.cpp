#include "filter/output_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "filter/raw_io.h"
#include "filter/temporary_files.h"

namespace xvf {
namespace {

constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY;
constexpr int kNameTries = 100;     // taken names beside the file are skipped, this many times
constexpr size_t kBaseLimit = 200;  // of the name's last part, so the temporary name fits NAME_MAX

}  // namespace

OutputFile::~OutputFile() { Discard(); }

int OutputFile::Open() {
  if (fd_ >= 0) return 0;
  struct stat existing;
  if (stat(name_.c_str(), &existing) == 0) return S_ISREG(existing.st_mode) ? OpenBeside(&existing) : OpenAsItIs();
  // Missing, and not a dangling link (which is not followed to make a file).
  struct stat link;
  if (errno == ENOENT && lstat(name_.c_str(), &link) != 0) return OpenBeside(nullptr);
  return OpenAsItIs();
}

int OutputFile::OpenAsItIs() {
  fd_ = open(name_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  return fd_ >= 0 ? 0 : errno;
}

// A new file in the folder of the file it will replace, with its permission
// bits; a link is followed so that the link stays and its target is replaced.
int OutputFile::OpenBeside(const struct stat* existing) {
  // Absolute, so that two roles naming one new file are found by name.
  const size_t slash = name_.rfind('/');
  const std::string named = existing ? name_ : slash == std::string::npos ? "." : name_.substr(0, slash + 1);
  target_ = name_;
  if (char* real = realpath(named.c_str(), nullptr)) {
    target_ = existing ? std::string(real) : real + ("/" + name_.substr(slash + 1));
    free(real);
  }
  const std::string folder = target_.substr(0, target_.rfind('/') + 1);
  const std::string base = target_.substr(folder.size(), kBaseLimit);
  const SignalsHeld held;  // no instant at which the file exists unlisted
  for (int n = 0; n < kNameTries; ++n) {
    const std::string path = folder + "." + base + "." + std::to_string(getpid()) + "-" + std::to_string(n) + ".tmp";
    fd_ = open(path.c_str(), kNewFileFlags, 0666);
    if (fd_ < 0 && errno == EEXIST) continue;
    if (fd_ < 0) return errno;
    struct stat status;
    int error = fstat(fd_, &status) == 0 ? 0 : errno;
    if (error == 0) {
      temporary_ = path;
      temporaryDevice_ = status.st_dev;
      temporaryInode_ = status.st_ino;
      slot_ = ListTemporaryFile(path.c_str(), status.st_dev, status.st_ino);
      if (slot_ < 0) error = ENAMETOOLONG;
    }
    if (error == 0 && existing && fchmod(fd_, existing->st_mode & 07777) != 0) error = errno;
    if (error != 0) {
      close(fd_);
      fd_ = -1;
      if (temporary_.empty()) unlink(path.c_str());  // fstat failed on the file just made
      RemoveTemporary();
    }
    return error;
  }
  return EEXIST;
}

int OutputFile::Write(const void* data, size_t size) {
  return fd_ < 0 ? EBADF : WriteFull(fd_, static_cast<const uint8_t*>(data), size);
}

int OutputFile::Close() {
  if (inherited_ || fd_ < 0) return 0;
  // Errors of delayed writes show at fsync and close: a file that did not
  // reach the disk never replaces the user's.
  int error = !temporary_.empty() && fsync(fd_) != 0 ? errno : 0;
  if (close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error != 0) RemoveTemporary();
  return error;
}

int OutputFile::Finish() {
  const int error = Close();
  if (error != 0 || temporary_.empty()) return error;
  const SignalsHeld held;
  if (rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int failure = errno;
    RemoveTemporary();
    return failure;
  }
  UnlistTemporaryFile(slot_);
  slot_ = -1;
  temporary_.clear();
  return 0;
}

void OutputFile::Discard() {
  if (!inherited_ && fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  RemoveTemporary();
}

// Only the file this run made: checked by device and inode at this moment.
void OutputFile::RemoveTemporary() {
  if (temporary_.empty()) return;
  const SignalsHeld held;
  struct stat now;
  if (lstat(temporary_.c_str(), &now) == 0 && now.st_dev == temporaryDevice_ && now.st_ino == temporaryInode_)
    unlink(temporary_.c_str());
  UnlistTemporaryFile(slot_);
  slot_ = -1;
  temporary_.clear();
}

NamedFile OutputFile::Describe(const char* role) const {
  if (target_.empty()) return DescribeFd(role, name_, fd_);
  NamedFile file = DescribePath(role, target_);
  if (!file.known) file.newPath = target_;
  return file;
}

}  // namespace xvf
