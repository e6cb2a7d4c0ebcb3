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
#include "settings/whole_file_read.h"

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

// Where the local path starts in a final path: after \\?\ (4), or after
// \\?\UNC\ (7; the caller puts back the \\ of a share).
template <typename Char>
DWORD LocalPathStart(const Char* path, DWORD length) {
  const auto Is = [&](DWORD at, const char* text) {
    for (DWORD i = 0; text[i]; ++i)
      if (at + i >= length || path[at + i] != Char(text[i])) return false;
    return true;
  };
  if (!Is(0, "\\\\?\\")) return 0;
  return Is(4, "UNC\\") ? 7 : 4;
}

// A file held by another program (a scanner, a backup, an editor): the
// refusal may clear.
ReplaceResult Refused() {
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION
             ? ReplaceResult::kHeld
             : ReplaceResult::kFailed;
}

// A share mode or a byte-range lock of another program's: it may clear.
bool HeldError(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

// All of the disk file open as file; bytes empty unless kRead. A read
// refused by another program's lock is kHeld.
ReadResult ReadAll(HANDLE file, std::vector<uint8_t>* bytes) {
  bytes->clear();
  LARGE_INTEGER size = {};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
      size.QuadPart > 0x7FFFFFFF)
    return ReadResult::kReadFailed;
  DWORD error = ERROR_SUCCESS;
  const bool read = ReadWholeFile(size_t(size.QuadPart), bytes, [file, &error](uint8_t* at, size_t most) {
    DWORD got = 0;
    if (ReadFile(file, at, DWORD(most), &got, nullptr)) return int64_t(got);
    error = GetLastError();
    return int64_t(0);
  });
  if (read) return ReadResult::kRead;
  return HeldError(error) ? ReadResult::kHeld : ReadResult::kReadFailed;
}

// FILETIME as one count of 100 ns units.
uint64_t Ticks(const FILETIME& time) { return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

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

  // Created only where no name is: never through a link to nothing (the
  // system shows such a link's own attributes; Wine refuses CREATE_NEW).
  // Shares reading and writing, as scanners and backups open it, so that
  // their open does not refuse ours; a save's rename still waits for us.
  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = Open(path, GENERIC_READ, OPEN_EXISTING, kShared);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND &&
        Attributes(path) == INVALID_FILE_ATTRIBUTES) {
      file = Open(path, GENERIC_READ, CREATE_NEW, kShared);
      // Made meanwhile by another process: read that one.
      if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
        file = Open(path, GENERIC_READ, OPEN_EXISTING, kShared);
    }
    if (file == INVALID_HANDLE_VALUE) return HeldError(GetLastError()) ? ReadResult::kHeld : ReadResult::kCannotOpen;
    const ReadResult result = ReadAll(file, bytes);
    CloseHandle(file);
    return result;
  }

  // Through GetFinalPathNameByHandle, loaded at run time: Vista and later.
  // Before Vista files have no links, and the path is the file's own.
  bool FollowLinks(const std::string& path, std::string* target) override {
    *target = path;
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto finalW = kernel ? reinterpret_cast<DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD)>(
                                     reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleW")))
                               : nullptr;
    const auto finalA = kernel ? reinterpret_cast<DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD)>(
                                     reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleA")))
                               : nullptr;
    if (!finalW || !finalA) return true;
    // No access asked: a file held by others opens all the same.
    const HANDLE file = Open(path, 0, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (file == INVALID_HANDLE_VALUE) {
      // A name that is there but opens as nothing is a link to nothing.
      const DWORD error = GetLastError();
      return !((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) &&
               Attributes(path) != INVALID_FILE_ATTRIBUTES);
    }
    // \\?\C:\... or \\?\UNC\server\...; room for the prefix.
    wchar_t wide[MAX_PATH + 8];
    char ansi[MAX_PATH + 8];
    const DWORD wideLength = finalW(file, wide, MAX_PATH + 8, 0);
    const DWORD ansiLength = finalA(file, ansi, MAX_PATH + 8, 0);
    CloseHandle(file);
    if (wideLength == 0 || wideLength >= MAX_PATH + 8 || ansiLength == 0 || ansiLength >= MAX_PATH + 8) return true;
    const DWORD wideSkip = LocalPathStart(wide, wideLength);
    const DWORD ansiSkip = LocalPathStart(ansi, ansiLength);
    if (wideLength - wideSkip >= MAX_PATH) return true;  // beyond what the file functions take
    std::string local = ansiSkip == 7 ? "\\\\" : "";
    std::wstring wideLocal = wideSkip == 7 ? L"\\\\" : L"";
    local.append(ansi + ansiSkip, ansiLength - ansiSkip);
    wideLocal.append(wide + wideSkip, wideLength - wideSkip);
    AddWideFolder(local.c_str(), DWORD(local.size()), wideLocal.c_str(), DWORD(wideLocal.size()), &wideFolders_);
    *target = std::move(local);
    return true;
  }

  std::vector<std::string> TemporaryNamesIn(const std::string& folder) override {
    std::vector<std::string> names;
    const std::string pattern = folder + "xvf*.tmp";
    const WidePath wide(pattern, wideFolders_);
    if (wide.used()) {
      WIN32_FIND_DATAW found;
      const HANDLE search = FindFirstFileW(wide.c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) return names;
      try {
        do {
          // Our names are ASCII; any other is not ours.
          std::string name;
          for (const wchar_t* c = found.cFileName; *c && *c < 0x80; ++c) name += char(*c);
          if (name.size() == wcslen(found.cFileName)) names.push_back(name);
        } while (FindNextFileW(search, &found));
      } catch (...) {
        FindClose(search);
        throw;
      }
      FindClose(search);
      return names;
    }
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    try {
      do names.push_back(found.cFileName);
      while (FindNextFileA(search, &found));
    } catch (...) {
      FindClose(search);
      throw;
    }
    FindClose(search);
    return names;
  }

  // Judged by name first: a file that may be another save's is never
  // opened, as an open without sharing would refuse that save's own. Then
  // judged again on the handle, opened without sharing: a file another
  // handle holds (its writer's included) is refused.
  bool ReadLeftover(const std::string& path, size_t largest, uint32_t minimumAgeSeconds,
                    std::vector<uint8_t>* bytes) override {
    bytes->clear();
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    const auto Leftover = [&](uint64_t size, const FILETIME& written) {
      const uint64_t age = uint64_t(minimumAgeSeconds) * 10000000;  // in 100 ns units
      return size <= largest && Ticks(written) <= Ticks(now) && Ticks(now) - Ticks(written) >= age;
    };
    WIN32_FILE_ATTRIBUTE_DATA named = {};
    if (!AttributesOf(path, &named) ||
        !Leftover((uint64_t(named.nFileSizeHigh) << 32) | named.nFileSizeLow, named.ftLastWriteTime))
      return false;
    const HANDLE file = Open(path, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    FILETIME written = {};
    const bool leftover = GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
                          GetFileTime(file, nullptr, nullptr, &written) && Leftover(uint64_t(size.QuadPart), written);
    const bool read = leftover && ReadAll(file, bytes) == ReadResult::kRead;
    CloseHandle(file);
    return read;
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
    // hidden file cannot even be truncated by creation). A reader that holds
    // the file and lets others write (a scanner, a backup) may stay.
    const HANDLE file = Open(path, GENERIC_WRITE, OPEN_ALWAYS, FILE_SHARE_READ);
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
  // away and deletes it first.)
  ReplaceResult Replace(const std::string& from, const std::string& to) override {
    const DWORD attributes = Attributes(to);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      // A new file; never over one that appeared meanwhile.
      if (GetLastError() != ERROR_FILE_NOT_FOUND) return ReplaceResult::kFailed;
      return Move(from, to, MOVEFILE_WRITE_THROUGH) ? ReplaceResult::kReplaced : Refused();
    }
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return ReplaceResult::kFailed;
    const DWORD kept = attributes & kKeptAttributes;
    if (!SetAttributes(from, kept ? kept : FILE_ATTRIBUTE_NORMAL)) return Refused();
    return Move(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? ReplaceResult::kReplaced : Refused();
  }

  void Remove(const std::string& path) override {
    const WidePath wide(path, wideFolders_);
    if (wide.used()) DeleteFileW(wide.c_str());
    else DeleteFileA(path.c_str());
  }

  void Pause(uint32_t milliseconds) override { Sleep(milliseconds); }

 private:
  // The file functions by the A path, or by the W path in a wide folder.
  HANDLE Open(const std::string& path, DWORD access, DWORD disposition, DWORD share = 0) const {
    const WidePath wide(path, wideFolders_);
    return wide.used()
               ? CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)
               : CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  DWORD Attributes(const std::string& path) const {
    const WidePath wide(path, wideFolders_);
    return wide.used() ? GetFileAttributesW(wide.c_str()) : GetFileAttributesA(path.c_str());
  }
  bool AttributesOf(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA* data) const {
    const WidePath wide(path, wideFolders_);
    return (wide.used() ? GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, data)
                        : GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, data)) != 0;
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
