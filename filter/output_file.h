#pragma once
#include <sys/types.h>

#include <cstddef>
#include <utility>
#include <string>

#include "filter/same_file.h"

namespace xvf {

// A file the filter writes. Nothing is created, emptied or replaced before
// Open. A name that is not a regular file (a pipe, a terminal, a device, a
// link to one) is written as it is: never emptied, renamed or removed. Only
// a file this run created is ever removed, checked by device and inode at
// that moment. Calls return 0 or the errno of the step that failed.
class OutputFile {
 public:
  enum class Mode {
    kInPlace,  // a regular file is emptied by Empty and written from its start
    kReplace,  // written to a new file beside it, renamed over it by Finish
  };
  // An inherited descriptor (standard output or error): written, never closed.
  OutputFile(int fd, std::string name) : name_(std::move(name)), inherited_(true), fd_(fd) {}
  OutputFile(std::string path, Mode mode) : name_(std::move(path)), mode_(mode) {}
  ~OutputFile();  // closes; a new file beside the name that was not renamed is removed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  int Open();
  int Empty();  // a regular file this run did not create: truncated to nothing
  int Write(const void* data, size_t size);
  int Finish();    // closes (kReplace: and renames); a created file is kept
  void Discard();  // closes and removes what this run created

  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  // Where the bytes end up, for the same-file refusals.
  NamedFile Describe(const char* role) const;

 private:
  int OpenNamed(const std::string& path);
  int OpenBeside(bool exists);
  int NoteCreated(const std::string& path);
  void RemoveCreated();

  std::string name_;
  Mode mode_ = Mode::kInPlace;
  bool inherited_ = false;
  int fd_ = -1;
  std::string target_;   // kReplace: the regular file renamed over (links followed)
  std::string created_;  // a file this run created; empty when none or kept
  dev_t createdDevice_ = 0;
  ino_t createdInode_ = 0;
};

}  // namespace xvf
