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
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF) {
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

  bool WriteNew(const std::string& path, const uint8_t* data, size_t size) override {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < size) {
      DWORD put = 0;
      ok = WriteFile(file, data + done, DWORD(size - done), &put, nullptr) && put != 0;
      done += put;
    }
    ok = ok && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
  }

  bool Replace(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
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
