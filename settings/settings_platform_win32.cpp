// The store's system access on Win32: kernel32, advapi32 and shell32.
#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>

#include "settings/settings_platform.h"

namespace xvf {
namespace {

class Win32SettingsPlatform final : public SettingsPlatform {
 public:
  bool GatherFacts(LocationFacts* facts) override {
    // Extended record first (size 156), then the basic one (148).
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

    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE);
    folder[MAX_PATH - 1] = 0;
    facts->userFolder = folder;

    char host[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, host, MAX_PATH);
    facts->hostPath.assign(host, length < MAX_PATH ? length : MAX_PATH - 1);

    const char* commandLine = GetCommandLineA();
    facts->commandLine = commandLine ? commandLine : "";
    return true;
  }

  void CreateFolder(const std::string& folder) override { CreateDirectoryA(folder.c_str(), nullptr); }

  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
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

  // "xvfFFFF.tmp": the system picks the four hex digits and creates the file
  // exclusively. Fails when folder is longer than MAX_PATH - 14.
  bool CreateTemporary(const std::string& folder, std::string* temporary) override {
    char name[MAX_PATH] = {};
    if (!GetTempFileNameA(folder.c_str(), "xvf", 0, name)) return false;
    try {
      temporary->assign(name);
    } catch (...) {
      DeleteFileA(name);
      throw;
    }
    return true;
  }

  bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    // Opened, not created anew: an existing file keeps its attributes (a
    // hidden file cannot even be truncated by creation).
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
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

  bool Replace(const std::string& from, const std::string& to) override {
    const DWORD attributes = GetFileAttributesA(to.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      // A new file; never over one that appeared meanwhile.
      return GetLastError() == ERROR_FILE_NOT_FOUND &&
             MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
    // ReplaceFileA keeps them; given to the new file beforehand, they also
    // survive a system whose ReplaceFileA only renames.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
      SetFileAttributesA(from.c_str(), attributes & kKept);
    if (ReplaceFileA(to.c_str(), from.c_str(), nullptr, 0, nullptr, nullptr)) return true;
    // Without a backup, a replacement that could not be moved in has already
    // removed the old file: move the new one there. Should that fail too,
    // from is kept, as the only copy of the settings.
    if (GetFileAttributesA(to.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND) {
      MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
      return true;
    }
    return false;
  }

  void Remove(const std::string& path) override { DeleteFileA(path.c_str()); }
};

}  // namespace

SettingsPlatform& SystemSettingsPlatform() {
  static Win32SettingsPlatform platform;
  return platform;
}

}  // namespace xvf

#endif  // _WIN32
