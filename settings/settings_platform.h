#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xvf {

// What the system tells the store about where its file lives. Paths use
// backslashes and the system's ANSI code page, whatever the build.
struct LocationFacts {
  uint32_t platformId = 0;          // 2 = NT family; anything else is not
  uint32_t storeInUsersFolder = 0;  // HKLM "SOFTWARE\Quillvox" "StoreInUsersFolder"; 0 when missing
  std::string userFolder;           // application-data folder, no trailing backslash
  std::string hostPath;             // full path of the host executable
  std::string commandLine;          // the process command line as given
};

enum class ReadResult {
  kRead,        // file opened (created empty when it was missing) and read whole
  kCannotOpen,  // folder missing, no rights
  kReadFailed,  // opened, but reading it failed
  kHeld,        // another program holds the file (sharing or lock violation); may clear
};

enum class ReplaceResult {
  kReplaced,  // from's bytes are at to and from is gone
  kHeld,      // another program holds to or from open (sharing, lock, denied access); may clear
  kFailed,    // to untouched, from still exists
};

// The store's view of the system: gathering the location facts, and the file
// and folder operations. The Win32 build talks to kernel32, advapi32 and
// shell32; the native build to POSIX. Tests wrap it to inject failures.
// Only GatherFacts, FollowLinks, TemporaryNamesIn and CreateTemporary may
// throw (std::bad_alloc); of the others only ReadOrCreate and ReadLeftover
// allocate (the file's bytes, failure caught).
class SettingsPlatform {
 public:
  virtual ~SettingsPlatform() = default;

  // False when the operating-system version cannot be queried; nothing else
  // is gathered then.
  virtual bool GatherFacts(LocationFacts* facts) = 0;

  // Creates the last level of folder (no trailing backslash) when its parent
  // exists; never creates a parent. Failures, including an existing folder,
  // are ignored.
  virtual void CreateFolder(const std::string& folder) = 0;

  // Opens path for reading, letting others read and write it meanwhile, and
  // without blocking, creating it empty when missing (an existing file is
  // never truncated), and reads all of it into bytes. Anything but a regular
  // file is kReadFailed. A symbolic link whose target is missing is
  // kCannotOpen: nothing is created. kHeld when another program's share mode
  // or lock refuses the open or the read.
  virtual ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) = 0;

  // The file path names with symbolic links followed, in target: path itself
  // when it is missing or the system has no links to follow. False when path
  // is a link whose target is missing. May throw std::bad_alloc.
  virtual bool FollowLinks(const std::string& path, std::string* target) = 0;

  // Names of the files in folder (ends in a backslash) that may be a save's
  // temporary file ("xvf*.tmp"); the caller checks each name. May throw
  // std::bad_alloc.
  virtual std::vector<std::string> TemporaryNamesIn(const std::string& folder) = 0;

  // Reads all of the regular file path into bytes when no other handle holds
  // it open (opened without sharing, never created), it holds at most
  // largest bytes and it was last written at least minimumAgeSeconds ago by
  // the system's clock (a time ahead of the clock is not old); false
  // otherwise, and a larger file is not read at all.
  virtual bool ReadLeftover(const std::string& path, size_t largest, uint32_t minimumAgeSeconds,
                            std::vector<uint8_t>* bytes) = 0;

  // Creates a new empty file with a unique short name (TemporaryFileName,
  // never longer than "xvfFFFF.tmp") in folder (ends in a backslash) and puts
  // its path in temporary. Names follow the last one tried in this process;
  // a taken name is skipped, at most kTemporaryNameAttempts are tried. False,
  // with no file made, when none can be made. Never opens an existing file.
  // May throw std::bad_alloc, and then leaves no file.
  virtual bool CreateTemporary(const std::string& folder, std::string* temporary) = 0;

  // Writes all size bytes to path from its start, creating it when missing,
  // cuts it there and flushes; false when any step failed (the file may then
  // be partial). A read-only file or anything but a regular file is refused
  // untouched. Attributes of an existing file are kept. Others may go on
  // reading the file meanwhile, never writing it.
  virtual bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) = 0;

  // Puts the file from in the place of to by one rename: at every instant to
  // is the whole old file or the whole new one. from first takes to's
  // hidden/system/archive/not-indexed attributes (mode bits); a read-only to
  // is refused (kFailed); to is no symbolic link (FollowLinks gave it).
  virtual ReplaceResult Replace(const std::string& from, const std::string& to) = 0;

  // Deletes path; failures are ignored.
  virtual void Remove(const std::string& path) = 0;

  // Waits milliseconds before a held file is tried again.
  virtual void Pause(uint32_t milliseconds) = 0;
};

// The build's own platform: Win32 in the Windows build, POSIX natively.
SettingsPlatform& SystemSettingsPlatform();

}  // namespace xvf
