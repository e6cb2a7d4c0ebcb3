// The store's system access in the native build. The store works with
// backslash paths as on Windows; they become slashes here.
#ifndef _WIN32
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "settings/settings_platform.h"
#include "settings/temporary_name.h"

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
    // Non-blocking: a FIFO at the path must not hang the open.
    const int file = open(PosixPath(path).c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (file < 0) return ReadResult::kCannotOpen;
    ReadResult result = ReadResult::kRead;
    struct stat info = {};
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > 0x7FFFFFFF) {
      result = ReadResult::kReadFailed;
    } else {
      try {
        bytes->resize(size_t(info.st_size));
      } catch (...) {
        result = ReadResult::kReadFailed;
      }
      size_t done = 0;
      while (result == ReadResult::kRead && done < bytes->size()) {
        const ssize_t got = read(file, bytes->data() + done, bytes->size() - done);
        if (got <= 0) result = ReadResult::kReadFailed;
        else done += size_t(got);
      }
    }
    close(file);
    if (result != ReadResult::kRead) bytes->clear();
    return result;
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

  bool Replace(const std::string& from, const std::string& to) override {
    const PosixPath source(from);
    const PosixPath target(to);
    struct stat info = {};
    if (stat(target.c_str(), &info) == 0) {
      // The file keeps its mode bits; a read-only one is left alone.
      if (!Writable(info) || chmod(source.c_str(), info.st_mode & 07777) != 0) return false;
    } else if (errno != ENOENT) {
      return false;
    }
    return rename(source.c_str(), target.c_str()) == 0;
  }

  void Remove(const std::string& path) override { unlink(PosixPath(path).c_str()); }
};

}  // namespace

SettingsPlatform& SystemSettingsPlatform() {
  static PosixSettingsPlatform platform;
  return platform;
}

}  // namespace xvf

#endif  // !_WIN32
