#include "filter/output_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "filter/carried_access.h"
#include "filter/raw_io.h"
#include "filter/temporary_files.h"
#include "filter/temporary_names.h"

namespace xvf {
namespace {

constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY;
constexpr int kNameTries = 100;  // taken names beside the file are skipped, this many times

void CloseIfOpen(int* fd) {
  if (*fd < 0) return;
  close(*fd);
  *fd = -1;
}

}  // namespace

OutputFile::~OutputFile() {
  Discard();
  CloseIfOpen(&oldFd_);
  CloseIfOpen(&folderFd_);
}

int OutputFile::Open() {
  if (fd_ >= 0) return 0;
  struct stat existing;
  if (stat(name_.c_str(), &existing) == 0) return S_ISREG(existing.st_mode) ? OpenBeside(&existing) : OpenAsItIs();
  // Missing, and not a dangling link (which is not followed to make a file);
  // a name too long is measured against its folder's limit.
  const int error = errno;
  struct stat link;
  if ((error == ENOENT || error == ENAMETOOLONG) && lstat(name_.c_str(), &link) != 0) return OpenBeside(nullptr);
  return OpenAsItIs();
}

int OutputFile::OpenAsItIs() {
  fd_ = open(name_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  return fd_ >= 0 ? 0 : errno;
}

// A new file in the folder of the file it will replace; a link is followed
// so that the link stays and its target is replaced. Everything after the
// folder is opened goes by names relative to it, whatever the path's length.
int OutputFile::OpenBeside(const struct stat* existing) {
  // Absolute, so that two roles naming one new file are found by name.
  const size_t slash = name_.rfind('/');
  const std::string named = existing ? name_ : slash == std::string::npos ? "." : name_.substr(0, slash + 1);
  target_ = name_;
  if (char* real = realpath(named.c_str(), nullptr)) {
    const std::string folder = real;
    target_ = existing ? folder : folder + (folder == "/" ? "" : "/") + name_.substr(slash + 1);
    free(real);
  }
  const size_t cut = target_.rfind('/');
  folder_ = cut == std::string::npos ? "./" : target_.substr(0, cut + 1);
  base_ = target_.substr(cut + 1);
  folderFd_ = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd_ < 0) return Fail(errno, "");
  replacing_ = existing != nullptr;
  if (replacing_) old_ = *existing;
  if (const int error = CheckReplaceable()) return error;
  RemoveLeftTemporaries(folderFd_, base_);
  if (const int error = MakeTemporary()) return error;
  if (!replacing_) return 0;
  // Carried now to learn that they can be, then closed off again until Close.
  oldFd_ = openat(folderFd_, base_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (const int error = CopyAclAndAttributes(oldFd_, target_, fd_))
    return Fail(error, "its ACL or extended attributes cannot be carried to a new file in " + folder_);
  return fchmod(fd_, 0600) == 0 ? 0 : Fail(errno, "");
}

// What would only show when the new file is put in place: a name its
// folder cannot hold, a sticky folder that keeps another user's file.
// (A folder that takes no new file shows at MakeTemporary.)
int OutputFile::CheckReplaceable() {
  const long longest = fpathconf(folderFd_, _PC_NAME_MAX);
  if (longest > 0 && base_.size() > static_cast<size_t>(longest))
    return Fail(ENAMETOOLONG, "its name is " + std::to_string(base_.size()) + " bytes long; its folder takes up to " +
                                  std::to_string(longest));
  struct stat folder;
  if (!replacing_ || fstat(folderFd_, &folder) != 0) return 0;
  const uid_t self = geteuid();
  if ((folder.st_mode & S_ISVTX) && self != 0 && self != old_.st_uid && self != folder.st_uid)
    return Fail(EPERM, "it is another user's file in the sticky folder " + folder_ + ", which only they may replace");
  return 0;
}

int OutputFile::MakeTemporary() {
  const SignalsHeld held;  // no instant at which the file exists unlisted
  for (int n = 0; n < kNameTries; ++n) {
    const std::string name = TemporaryName(base_, getpid(), n);
    fd_ = openat(folderFd_, name.c_str(), kNewFileFlags, 0600);
    if (fd_ < 0 && errno == EEXIST) continue;
    if (fd_ < 0) {
      const int error = errno;
      const bool refused = error == EACCES || error == EPERM || error == EROFS;
      return Fail(error, refused ? "no new file can be made in its folder " + folder_ +
                                       ", where the new one is written before it replaces the old"
                                 : "");
    }
    struct stat status;
    if (fstat(fd_, &status) != 0) {
      const int error = errno;
      unlinkat(folderFd_, name.c_str(), 0);  // the file just made
      return Fail(error, "");
    }
    temporary_ = name;
    temporaryDevice_ = status.st_dev;
    temporaryInode_ = status.st_ino;
    slot_ = ListTemporaryFile(folderFd_, name.c_str(), status.st_dev, status.st_ino);
    return slot_ >= 0 ? 0 : Fail(EMFILE, "");
  }
  return Fail(EEXIST, "");
}

int OutputFile::Fail(int error, const std::string& problem) {
  problem_ = problem;
  if (!inherited_) CloseIfOpen(&fd_);
  RemoveTemporary();
  return error;
}

int OutputFile::Write(const void* data, size_t size) {
  return fd_ < 0 ? EBADF : WriteFull(fd_, static_cast<const uint8_t*>(data), size);
}

int OutputFile::Close() {
  if (inherited_ || fd_ < 0) return 0;
  int error = temporary_.empty() ? 0 : GiveAccess();
  // Errors of delayed writes show at fsync and close: a file that did not
  // reach the disk never replaces the user's.
  if (error == 0 && !temporary_.empty() && fsync(fd_) != 0) error = errno;
  if (close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error != 0) RemoveTemporary();
  return error;
}

// The replaced file's access as it is now (as at Open where it is gone);
// a new name gets what open(..., 0666) would have given it.
int OutputFile::GiveAccess() {
  if (!replacing_) return GiveNewFileAccess(folder_, fd_);
  struct stat now;
  const bool there = fstatat(folderFd_, base_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(now.st_mode);
  if (const int error = CopyAclAndAttributes(oldFd_, target_, fd_)) {
    problem_ = "its ACL or extended attributes cannot be carried to the new file";
    return error;
  }
  return CarryOwnerAndMode(there ? now : old_, fd_);
}

int OutputFile::Put() {
  if (temporary_.empty() || fd_ >= 0 || placed_ != Placed::kNo) return 0;
  struct stat now;
  if (fstatat(folderFd_, base_.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return errno;
    int error = renameat2(folderFd_, temporary_.c_str(), folderFd_, base_.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
    if (error == EINVAL) error = renameat(folderFd_, temporary_.c_str(), folderFd_, base_.c_str()) == 0 ? 0 : errno;
    if (error == 0) placed_ = Placed::kNew;
    return error;
  }
  if (!S_ISREG(now.st_mode)) {
    problem_ = "it is no longer a regular file";
    return S_ISDIR(now.st_mode) ? EISDIR : EEXIST;
  }
  if (renameat2(folderFd_, temporary_.c_str(), folderFd_, base_.c_str(), RENAME_EXCHANGE) == 0) {
    placed_ = Placed::kExchanged;
  } else {
    // No exchange on this file system: the old file keeps a second name.
    if (errno != EINVAL) return errno;
    for (int n = kNameTries; kept_.empty() && n < 2 * kNameTries; ++n) {
      const std::string name = TemporaryName(base_, getpid(), n);
      if (linkat(folderFd_, base_.c_str(), folderFd_, name.c_str(), 0) == 0) kept_ = name;
      else if (errno != EEXIST) return errno;
    }
    if (kept_.empty()) return EEXIST;
    if (renameat(folderFd_, temporary_.c_str(), folderFd_, base_.c_str()) != 0) {
      const int error = errno;
      unlinkat(folderFd_, kept_.c_str(), 0);
      kept_.clear();
      return error;
    }
    placed_ = Placed::kLinked;
  }
  keptDevice_ = now.st_dev;
  keptInode_ = now.st_ino;
  return 0;
}

void OutputFile::Restore() {
  if (placed_ == Placed::kNew && Holds(base_, temporaryDevice_, temporaryInode_))
    unlinkat(folderFd_, base_.c_str(), 0);
  if (placed_ == Placed::kExchanged)  // the new file back under the temporary name, removed below
    renameat2(folderFd_, temporary_.c_str(), folderFd_, base_.c_str(), RENAME_EXCHANGE);
  if (placed_ == Placed::kLinked) renameat(folderFd_, kept_.c_str(), folderFd_, base_.c_str());
  placed_ = Placed::kNo;
  kept_.clear();
  RemoveTemporary();
}

void OutputFile::Settle() {
  if (placed_ == Placed::kExchanged && Holds(temporary_, keptDevice_, keptInode_))
    unlinkat(folderFd_, temporary_.c_str(), 0);
  if (placed_ == Placed::kLinked && Holds(kept_, keptDevice_, keptInode_)) unlinkat(folderFd_, kept_.c_str(), 0);
  placed_ = Placed::kNo;
  kept_.clear();
  UnlistTemporaryFile(slot_);
  slot_ = -1;
  temporary_.clear();
}

void OutputFile::Discard() {
  if (!inherited_) CloseIfOpen(&fd_);
  RemoveTemporary();
}

// Only the file this run made: checked by device and inode at this moment.
void OutputFile::RemoveTemporary() {
  if (temporary_.empty()) return;
  const SignalsHeld held;
  if (Holds(temporary_, temporaryDevice_, temporaryInode_)) unlinkat(folderFd_, temporary_.c_str(), 0);
  UnlistTemporaryFile(slot_);
  slot_ = -1;
  temporary_.clear();
}

bool OutputFile::Holds(const std::string& name, dev_t device, ino_t inode) const {
  struct stat now;
  return fstatat(folderFd_, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == device &&
         now.st_ino == inode;
}

NamedFile OutputFile::Describe(const char* role) const {
  if (inherited_ || (target_.empty() && fd_ >= 0)) return DescribeFd(role, name_, fd_);
  if (target_.empty()) return DescribePath(role, name_);
  NamedFile file = DescribePath(role, target_);
  if (!file.known) file.newPath = target_;
  return file;
}

}  // namespace xvf
