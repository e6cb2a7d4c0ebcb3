// The store's system access on Win32: kernel32, advapi32 and shell32.
#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <algorithm>
#include <string>
#include <vector>

#include "settings/settings_platform.h"
#include "settings/temporary_name.h"

namespace xvf {
namespace {

// A folder whose A path lost characters the ANSI code page has not: the
// lossy A form, as the store sees it, and the folder's true wide form.
struct WideFolder {
  std::string ansi;   // ends in a backslash
  std::wstring wide;  // ends in a backslash
};

// path as a wide path when it lies in one of folders, else empty. Fixed
// buffer, no allocation; a path that does not fit is empty (as for A paths).
class WidePath {
 public:
  WidePath(const std::string& path, const std::vector<WideFolder>& folders) {
    text_[0] = 0;
    for (const WideFolder& folder : folders) {
      if (path.compare(0, folder.ansi.size(), folder.ansi) != 0 || folder.wide.size() >= MAX_PATH) continue;
      folder.wide.copy(text_, folder.wide.size());
      const int rest = int(path.size() - folder.ansi.size());
      const int room = int(MAX_PATH - 1 - folder.wide.size());
      const int converted = rest == 0 ? 0
                                      : MultiByteToWideChar(CP_ACP, 0, path.data() + folder.ansi.size(), rest,
                                                            text_ + folder.wide.size(), room);
      if (rest != 0 && converted == 0) return;
      text_[folder.wide.size() + converted] = 0;
      used_ = true;
      return;
    }
  }
  bool used() const { return used_; }
  const wchar_t* c_str() const { return text_; }

 private:
  wchar_t text_[MAX_PATH];
  bool used_ = false;
};

// True when the A text names what the wide text names: no character was
// lost or replaced by a best fit.
bool SameText(const char* ansi, DWORD ansiLength, const wchar_t* wide, DWORD wideLength) {
  wchar_t back[MAX_PATH];
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi, int(ansiLength), back, MAX_PATH);
  return DWORD(length) == wideLength && std::equal(back, back + length, wide);
}

// The folder part (up to its last backslash) of a path whose A and W forms
// differ, for the file functions to reach it by its W form.
void AddWideFolder(const char* ansi, DWORD ansiLength, const wchar_t* wide, DWORD wideLength,
                   std::vector<WideFolder>* folders) {
  if (SameText(ansi, ansiLength, wide, wideLength)) return;
  const std::string a(ansi, ansiLength);
  const std::wstring w(wide, wideLength);
  const size_t aSlash = a.rfind('\\');
  const size_t wSlash = w.rfind(L'\\');
  if (aSlash == std::string::npos || wSlash == std::wstring::npos) return;
  folders->push_back({a.substr(0, aSlash + 1), w.substr(0, wSlash + 1)});
}

constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

class Win32SettingsPlatform final : public SettingsPlatform {
 public:
  bool GatherFacts(LocationFacts* facts) override {
    // Extended record first (size 156), then the basic one (148): the sizes
    // are the system's record layouts, fixed by its ABI.
    OSVERSIONINFOEXA extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    DWORD platformId = 0;
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended))) {
      platformId = extended.dwPlatformId;
    } else {
      OSVERSIONINFOA basic = {};
      basic.dwOSVersionInfoSize = sizeof(basic);
      if (!GetVersionExA(&basic)) return false;
      platformId = basic.dwPlatformId;
    }
    facts->platformId = platformId;

    // A missing key or value leaves the switch at 0.
    DWORD storeInUsersFolder = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillvox", 0, KEY_READ, &key) == ERROR_SUCCESS) {
      DWORD size = sizeof(storeInUsersFolder);
      if (RegQueryValueExA(key, "StoreInUsersFolder", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&storeInUsersFolder), &size) != ERROR_SUCCESS)
        storeInUsersFolder = 0;
      RegCloseKey(key);
    }
    facts->storeInUsersFolder = storeInUsersFolder;

    std::vector<WideFolder> wideFolders;
    char folder[MAX_PATH] = {};
    wchar_t wideFolder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE);
    folder[MAX_PATH - 1] = 0;
    facts->userFolder = folder;
    if (SHGetSpecialFolderPathW(nullptr, wideFolder, CSIDL_APPDATA, FALSE)) {
      // As a path of a file in it, so that the whole folder is kept.
      const std::string a = facts->userFolder + "\\";
      const std::wstring w = std::wstring(wideFolder) + L"\\";
      AddWideFolder(a.c_str(), DWORD(a.size()), w.c_str(), DWORD(w.size()), &wideFolders);
    }

    // A path that fills the buffer was cut: it names no folder.
    char host[MAX_PATH] = {};
    wchar_t wideHost[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, host, MAX_PATH);
    const DWORD wideLength = GetModuleFileNameW(nullptr, wideHost, MAX_PATH);
    if (length < MAX_PATH && wideLength < MAX_PATH) {
      facts->hostPath.assign(host, length);
      AddWideFolder(host, length, wideHost, wideLength, &wideFolders);
    } else {
      facts->hostPath.clear();
    }

    const char* commandLine = GetCommandLineA();
    facts->commandLine = commandLine ? commandLine : "";
    wideFolders_.swap(wideFolders);
    return true;
  }

  void CreateFolder(const std::string& folder) override {
    const WidePath wide(folder, wideFolders_);
    if (wide.used()) CreateDirectoryW(wide.c_str(), nullptr);
    else CreateDirectoryA(folder.c_str(), nullptr);
  }

  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    const HANDLE file = Open(path, GENERIC_READ, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return ReadResult::kCannotOpen;
    ReadResult result = ReadResult::kRead;
    LARGE_INTEGER size = {};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
        size.QuadPart > 0x7FFFFFFF) {
      result = ReadResult::kReadFailed;
    } else {
      try {
        bytes->resize(size_t(size.QuadPart));
      } catch (...) {
        result = ReadResult::kReadFailed;
      }
      size_t done = 0;
      while (result == ReadResult::kRead && done < bytes->size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes->data() + done, DWORD(bytes->size() - done), &got, nullptr) || got == 0)
          result = ReadResult::kReadFailed;
        done += got;
      }
    }
    CloseHandle(file);
    if (result != ReadResult::kRead) bytes->clear();
    return result;
  }

  // Names in sequence from a per-process start; each created with CREATE_NEW,
  // so a name already taken is never opened. Fails on any other error.
  bool CreateTemporary(const std::string& folder, std::string* temporary) override {
    static std::atomic<uint32_t> theNext{GetTickCount()};
    for (uint32_t attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
      std::string candidate = folder + TemporaryFileName(theNext++);
      const HANDLE file = Open(candidate, GENERIC_WRITE, CREATE_NEW);
      if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        *temporary = std::move(candidate);
        return true;
      }
      if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
  }

  bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) override {
    const DWORD attributes = Attributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    // Opened, not created anew: an existing file keeps its attributes (a
    // hidden file cannot even be truncated by creation).
    const HANDLE file = Open(path, GENERIC_WRITE, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileType(file) == FILE_TYPE_DISK;
    size_t done = 0;
    while (ok && done < size) {
      DWORD put = 0;
      ok = WriteFile(file, data + done, DWORD(size - done), &put, nullptr) && put != 0;
      done += put;
    }
    ok = ok && SetEndOfFile(file) && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
  }

  // One rename: at every instant the folder holds the whole old file or the
  // whole new one. (ReplaceFileA is not one step: Wine moves the old file
  // away and deletes it first.) A symbolic link is replaced, its target kept.
  bool Replace(const std::string& from, const std::string& to) override {
    const DWORD attributes = Attributes(to);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      // A new file; never over one that appeared meanwhile.
      return GetLastError() == ERROR_FILE_NOT_FOUND && Move(from, to, MOVEFILE_WRITE_THROUGH);
    }
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
    const DWORD kept = attributes & kKeptAttributes;
    if (!SetAttributes(from, kept ? kept : FILE_ATTRIBUTE_NORMAL)) return false;
    return Move(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }

  void Remove(const std::string& path) override {
    const WidePath wide(path, wideFolders_);
    if (wide.used()) DeleteFileW(wide.c_str());
    else DeleteFileA(path.c_str());
  }

 private:
  // The file functions by the A path, or by the W path in a wide folder.
  HANDLE Open(const std::string& path, DWORD access, DWORD disposition) const {
    const WidePath wide(path, wideFolders_);
    return wide.used() ? CreateFileW(wide.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)
                       : CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  DWORD Attributes(const std::string& path) const {
    const WidePath wide(path, wideFolders_);
    return wide.used() ? GetFileAttributesW(wide.c_str()) : GetFileAttributesA(path.c_str());
  }
  bool SetAttributes(const std::string& path, DWORD attributes) const {
    const WidePath wide(path, wideFolders_);
    return (wide.used() ? SetFileAttributesW(wide.c_str(), attributes)
                        : SetFileAttributesA(path.c_str(), attributes)) != 0;
  }
  bool Move(const std::string& from, const std::string& to, DWORD flags) const {
    const WidePath wideFrom(from, wideFolders_);
    const WidePath wideTo(to, wideFolders_);
    if (wideFrom.used() != wideTo.used()) return false;
    return (wideFrom.used() ? MoveFileExW(wideFrom.c_str(), wideTo.c_str(), flags)
                            : MoveFileExA(from.c_str(), to.c_str(), flags)) != 0;
  }

  // Set by GatherFacts for the session: empty where every A path is exact.
  std::vector<WideFolder> wideFolders_;
};

}  // namespace

SettingsPlatform& SystemSettingsPlatform() {
  static Win32SettingsPlatform platform;
  return platform;
}

}  // namespace xvf

#endif  // _WIN32
