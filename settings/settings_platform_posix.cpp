// The store's system access in the native build. The store works with
// backslash paths as on Windows; they become slashes here.
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>

#include "settings/settings_platform.h"
#include "settings/temporary_name.h"
#include "settings/whole_file_read.h"

namespace xvf {
namespace {

// A store-form path as a POSIX path, in place: no allocation. A path too long
// for the system, or holding a NUL, becomes "" and every call on it fails.
class PosixPath {
 public:
  explicit PosixPath(const std::string& path) {
    text_[0] = '\0';
    if (path.size() >= sizeof(text_) || path.find('\0') != std::string::npos) return;
    for (size_t i = 0; i < path.size(); ++i) text_[i] = path[i] == '\\' ? '/' : path[i];
    text_[path.size()] = '\0';
  }
  const char* c_str() const { return text_; }

 private:
  char text_[PATH_MAX];
};

std::string FromPosix(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// A file the owner may not write is read-only, for root as well.
bool Writable(const struct stat& info) { return S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) != 0; }

class PosixSettingsPlatform final : public SettingsPlatform {
 public:
  // NT-like facts: the switch is never set, the user folder is $HOME, the
  // host is this executable, the command line its arguments joined by spaces.
  bool GatherFacts(LocationFacts* facts) override {
    facts->platformId = 2;
    facts->storeInUsersFolder = 0;
    const char* home = std::getenv("HOME");
    facts->userFolder = FromPosix(home ? home : "");
    char host[4096];
    const ssize_t length = readlink("/proc/self/exe", host, sizeof(host) - 1);
    facts->hostPath = FromPosix(std::string(host, length > 0 ? size_t(length) : 0));
    std::ifstream arguments("/proc/self/cmdline", std::ios::binary);
    std::string commandLine((std::istreambuf_iterator<char>(arguments)), std::istreambuf_iterator<char>());
    while (!commandLine.empty() && commandLine.back() == '\0') commandLine.pop_back();
    for (char& c : commandLine)
      if (c == '\0') c = ' ';
    facts->commandLine = commandLine;
    return true;
  }

  void CreateFolder(const std::string& folder) override { mkdir(PosixPath(folder).c_str(), 0777); }

  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    if (path.empty()) return ReadResult::kCannotOpen;
    // Non-blocking: a FIFO at the path must not hang the open. Created only
    // where no name is: never through a link to nothing.
    const PosixPath name(path);
    int file = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0 && errno == ENOENT) file = open(name.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0) return ReadResult::kCannotOpen;
    const ReadResult result = ReadAll(file, bytes) ? ReadResult::kRead : ReadResult::kReadFailed;
    close(file);
    return result;
  }

  bool FollowLinks(const std::string& path, std::string* target) override {
    char resolved[PATH_MAX];
    const PosixPath name(path);
    if (realpath(name.c_str(), resolved)) {
      *target = FromPosix(resolved);
      return true;
    }
    struct stat info = {};
    if (lstat(name.c_str(), &info) == 0) return false;  // a link to nothing
    *target = path;
    return true;
  }

  std::vector<std::string> TemporaryNamesIn(const std::string& folder) override {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(PosixPath(folder).c_str()), closedir);
    if (!listing) return names;
    while (const dirent* entry = readdir(listing.get()))
      if (std::strncmp(entry->d_name, "xvf", 3) == 0) names.push_back(entry->d_name);
    return names;
  }

  // POSIX has no share modes: a file is never held here.
  bool ReadLeftover(const std::string& path, size_t largest, uint32_t minimumAgeSeconds,
                    std::vector<uint8_t>* bytes) override {
    bytes->clear();
    const int file = open(PosixPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (file < 0) return false;
    struct stat info = {};
    const time_t now = std::time(nullptr);
    const bool leftover = fstat(file, &info) == 0 && S_ISREG(info.st_mode) && uint64_t(info.st_size) <= largest &&
                          info.st_mtime <= now && uint64_t(now - info.st_mtime) >= minimumAgeSeconds;
    const bool read = leftover && ReadAll(file, bytes);
    close(file);
    return read;
  }

  // Names in sequence from a per-process start, created exclusively (mode
  // 0666 less the umask, as a new settings file gets).
  bool CreateTemporary(const std::string& folder, std::string* temporary) override {
    static std::atomic<uint32_t> theNext{uint32_t(getpid()) * 2654435761u ^ uint32_t(std::time(nullptr))};
    for (uint32_t attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
      std::string candidate = folder + TemporaryFileName(theNext++);
      const int file = open(PosixPath(candidate).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (file >= 0) {
        close(file);
        *temporary = std::move(candidate);
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) override {
    const int file = open(PosixPath(path).c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (file < 0) return false;
    struct stat info = {};
    bool ok = fstat(file, &info) == 0 && Writable(info);
    size_t done = 0;
    while (ok && done < size) {
      const ssize_t put = write(file, data + done, size - done);
      ok = put > 0;
      if (ok) done += size_t(put);
    }
    ok = ok && ftruncate(file, off_t(size)) == 0 && fsync(file) == 0;
    return close(file) == 0 && ok;
  }

  ReplaceResult Replace(const std::string& from, const std::string& to) override {
    const PosixPath source(from);
    const PosixPath target(to);
    struct stat info = {};
    if (stat(target.c_str(), &info) == 0) {
      // The file keeps its mode bits; a read-only one is left alone.
      if (!Writable(info) || chmod(source.c_str(), info.st_mode & 07777) != 0) return ReplaceResult::kFailed;
    } else if (errno != ENOENT) {
      return ReplaceResult::kFailed;
    }
    if (rename(source.c_str(), target.c_str()) == 0) return ReplaceResult::kReplaced;
    return errno == EBUSY ? ReplaceResult::kHeld : ReplaceResult::kFailed;
  }

  void Remove(const std::string& path) override { unlink(PosixPath(path).c_str()); }

  void Pause(uint32_t milliseconds) override { usleep(useconds_t(milliseconds) * 1000); }

 private:
  // All of the regular file open as file; bytes empty on failure.
  static bool ReadAll(int file, std::vector<uint8_t>* bytes) {
    bytes->clear();
    struct stat info = {};
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > 0x7FFFFFFF) return false;
    return ReadWholeFile(size_t(info.st_size), bytes, [file](uint8_t* at, size_t most) {
      return int64_t(read(file, at, most));
    });
  }
};

}  // namespace

SettingsPlatform& SystemSettingsPlatform() {
  static PosixSettingsPlatform platform;
  return platform;
}

}  // namespace xvf

#endif  // !_WIN32
