#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <utility>

#include "filter/same_file.h"

namespace xvf {

// A file the filter writes. Nothing is created or replaced before Open. A
// regular file, or a name that does not exist yet, is written under a new
// temporary name in the same folder (a link is followed: its target's folder)
// and put in place by Put (see replace_together.h), so until then the user's
// file is as it was; Discard, a failed Close, the destructor and the signals
// that end a run remove the temporary file. A name that is not a regular file
// (a pipe, a terminal, a device, a link to one) is written as it is: never
// created, emptied, renamed or removed. Calls return 0 or the errno of the
// failed step; problem() then says what stood in the way, where more than
// the errno tells.
//
// The temporary file is made with mode 0600 and gets the replaced file's
// ACL, extended attributes, owner, group and mode only at Close, when every
// byte is in it. Open already checks that they can be carried, and that the
// folder lets this process replace the name, so that a run that cannot
// finish refuses before its first frame.
class OutputFile {
 public:
  // An inherited descriptor (standard output or error, or one a path named):
  // written where it stands, appending where it appends; never closed.
  OutputFile(int fd, std::string name) : name_(std::move(name)), inherited_(true), fd_(fd) {}
  explicit OutputFile(std::string path) : name_(std::move(path)) {}
  ~OutputFile();  // closes; a temporary file that was not put in place is removed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  int Open();
  int Write(const void* data, size_t size);
  int Close();     // a temporary file given the old file's access, flushed to disk; one that fails is removed
  void Discard();  // closes and removes the temporary file

  // Replacing, after Close: Put renames the temporary file to the name and
  // keeps the file it replaces aside (exchanged into the temporary name, or
  // under a second link where the file system cannot exchange); Restore puts
  // that file back and removes the new one; Settle removes the kept file.
  int Put();
  void Restore();
  void Settle();

  bool IsOpen() const { return fd_ >= 0; }
  bool Replaces() const { return !target_.empty(); }  // opened under a temporary name
  bool Inherited() const { return inherited_; }
  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  const std::string& problem() const { return problem_; }
  // Where the bytes end up, for the same-file refusals; before Open, the
  // file the name stands for.
  NamedFile Describe(const char* role) const;

 private:
  enum class Placed { kNo, kNew, kExchanged, kLinked };

  int OpenAsItIs();
  int OpenBeside(const struct stat* existing);
  int CheckReplaceable();
  int MakeTemporary();
  int Fail(int error, const std::string& problem);
  int GiveAccess();
  void RemoveTemporary();
  bool Holds(const std::string& name, dev_t device, ino_t inode) const;

  std::string name_;
  bool inherited_ = false;
  int fd_ = -1;
  std::string problem_;
  std::string target_;     // the regular file replaced, absolute (links followed); empty when written as it is
  std::string folder_;     // target_'s folder, absolute, ending in '/'
  std::string base_;       // target_'s last part
  int folderFd_ = -1;      // every name below is relative to it
  bool replacing_ = false;  // base_ existed at Open: old_ holds its status
  struct stat old_ {};
  int oldFd_ = -1;         // base_ open for reading its ACL and attributes, where it could be opened
  std::string temporary_;  // this run's new file beside base_; empty once put in place and settled, or removed
  dev_t temporaryDevice_ = 0;
  ino_t temporaryInode_ = 0;
  int slot_ = -1;          // in the table the signal handlers empty
  Placed placed_ = Placed::kNo;
  std::string kept_;       // kLinked: the second name of the replaced file
  dev_t keptDevice_ = 0;   // the replaced file, once put aside
  ino_t keptInode_ = 0;
};

}  // namespace xvf
