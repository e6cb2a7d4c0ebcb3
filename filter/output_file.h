#pragma once
#include <sys/types.h>

#include <cstddef>
#include <utility>
#include <string>

#include "filter/same_file.h"

namespace xvf {

// A file the filter writes. Nothing is created or replaced before Open. A
// regular file, or a name that does not exist yet, is written under a new
// temporary name in the same folder (a link is followed: its target's folder)
// and renamed over the name by Finish, so until then the user's file is as it
// was; Discard, a failed Finish, the destructor and the signals that end a run
// remove the temporary file. A name that is not a regular file (a pipe, a
// terminal, a device, a link to one) is written as it is: never created,
// emptied, renamed or removed. Calls return 0 or the errno of the failed step.
class OutputFile {
 public:
  // An inherited descriptor (standard output or error): written, never closed.
  OutputFile(int fd, std::string name) : name_(std::move(name)), inherited_(true), fd_(fd) {}
  explicit OutputFile(std::string path) : name_(std::move(path)) {}
  ~OutputFile();  // closes; a temporary file that was not renamed is removed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  int Open();
  int Write(const void* data, size_t size);
  int Close();     // a temporary file flushed to disk first; one that fails is removed
  int Finish();    // closes, and renames the temporary file over the name
  void Discard();  // closes and removes the temporary file

  bool IsOpen() const { return fd_ >= 0; }
  bool Replaces() const { return !target_.empty(); }  // opened under a temporary name
  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  // Where the bytes end up, for the same-file refusals.
  NamedFile Describe(const char* role) const;

 private:
  int OpenAsItIs();
  int OpenBeside(const struct stat* existing);
  void RemoveTemporary();

  std::string name_;
  bool inherited_ = false;
  int fd_ = -1;
  std::string target_;     // the regular file renamed over (links followed); empty when written as it is
  std::string temporary_;  // this run's new file beside target_; empty once renamed or removed
  dev_t temporaryDevice_ = 0;
  ino_t temporaryInode_ = 0;
  int slot_ = -1;          // in the table the signal handlers empty
};

}  // namespace xvf
