// The store's system access in the native build. The store works with
// backslash paths as on Windows; they become slashes here.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "settings/settings_platform.h"

namespace xvf {
namespace {

std::string ToPosix(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string FromPosix(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

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

  void CreateFolder(const std::string& folder) override { mkdir(ToPosix(folder).c_str(), 0777); }

  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    if (path.empty()) return ReadResult::kCannotOpen;
    const int file = open(ToPosix(path).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
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

  bool WriteNew(const std::string& path, const uint8_t* data, size_t size) override {
    const int file = open(ToPosix(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < size) {
      const ssize_t put = write(file, data + done, size - done);
      ok = put > 0;
      if (ok) done += size_t(put);
    }
    ok = ok && fsync(file) == 0;
    return close(file) == 0 && ok;
  }

  bool Replace(const std::string& from, const std::string& to) override {
    return rename(ToPosix(from).c_str(), ToPosix(to).c_str()) == 0;
  }

  void Remove(const std::string& path) override { unlink(ToPosix(path).c_str()); }
};

}  // namespace

SettingsPlatform& SystemSettingsPlatform() {
  static PosixSettingsPlatform platform;
  return platform;
}

}  // namespace xvf

#endif  // !_WIN32
