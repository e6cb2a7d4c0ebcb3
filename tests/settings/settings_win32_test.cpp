// The store on the real system under Wine: the registry switch, the user's
// application-data folder, the executable's folder, the instance switch on a
// child process's command line, real files.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "settings/settings_store.h"
#include "tests/settings/settings_test_support.h"

namespace xvf {
namespace {

using test::CanonicalText;
using test::ReadWholeFile;
using test::WriteWholeFile;

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\') + 1);
}

std::string AppData() {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE);
  return path;
}

std::string Contents(const std::string& path) {
  std::string text;
  return ReadWholeFile(path, &text) ? text : "<missing>";
}

void SetSwitch(DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillvox", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "StoreInUsersFolder", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof(value)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void ClearSwitch() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillvox", 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, "StoreInUsersFolder");
  RegCloseKey(key);
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

struct FileStamp {
  FILETIME lastWrite{};
  DWORD indexHigh = 0, indexLow = 0;
  bool operator==(const FileStamp& o) const {
    return CompareFileTime(&lastWrite, &o.lastWrite) == 0 && indexHigh == o.indexHigh && indexLow == o.indexLow;
  }
};

FileStamp Stamp(const std::string& path) {
  FileStamp stamp;
  const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return stamp;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (GetFileInformationByHandle(file, &info)) {
    stamp.lastWrite = info.ftLastWriteTime;
    stamp.indexHigh = info.nFileIndexHigh;
    stamp.indexLow = info.nFileIndexLow;
  }
  CloseHandle(file);
  return stamp;
}

// Runs commandLine (a Windows program, or a Unix one under Wine) in folder
// (null: this one); its exit code.
DWORD RunProcess(std::wstring commandLine, const wchar_t* folder = nullptr) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process))
    return 1000;
  WaitForSingleObject(process.hProcess, 120000);
  DWORD code = 1001;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::wstring ThisProgram() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  return exe;
}

// Runs this program again with extra arguments; its exit code.
DWORD RunChild(const std::string& arguments) {
  return RunProcess(L"\"" + ThisProgram() + L"\" --gtest_filter=SettingsWin32Child.SavesUnderItsInstance " +
                    std::wstring(arguments.begin(), arguments.end()));
}

// Runs a copy of this program placed in folder, as a host there.
DWORD RunCopyIn(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const std::filesystem::path copy = folder / L"Quillvox.exe";
  std::filesystem::copy_file(ThisProgram(), copy, std::filesystem::copy_options::overwrite_existing);
  return RunProcess(L"\"" + copy.wstring() +
                    L"\" --gtest_filter=SettingsWin32Child.CopySavesOneModeMore --xvf-copy");
}

// The registry switch and the executable's folder are shared by every test
// process of this program: one test at a time.
class SettingsWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    mutex_ = CreateMutexA(nullptr, FALSE, "XvfSettingsWin32Tests");
    WaitForSingleObject(mutex_, INFINITE);
    ClearSwitch();
  }
  void TearDown() override {
    ClearSwitch();
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  HANDLE mutex_ = nullptr;
};

TEST_F(SettingsWin32Test, HostFolderFileIsCreatedReadAndRewrittenOnlyWhenChanged) {
  const std::string file = ExeFolder() + "Plugins\\XvfHostTest.ini";
  DeleteFileA(file.c_str());
  {
    SettingsStore store;
    store.Load("XvfHostTest");
    EXPECT_EQ(store.location().instance, "");
    EXPECT_EQ(store.location().moduleName, "XvfHostTest");
    EXPECT_EQ(store.location().path, file);
    EXPECT_EQ(Contents(file), "");
    EXPECT_EQ(store.current.interlace, 1);
    store.current.aspectMode = 2;
    store.SetDialogPos(Rect{120, 80, 400, 300});
    store.Save();
    EXPECT_EQ(Contents(file), CanonicalText(120, 80, 2, "1"));
  }
  const FileStamp written = Stamp(file);
  Sleep(50);
  {
    SettingsStore store;
    store.Load("XvfHostTest");
    EXPECT_EQ(store.current.aspectMode, 2);
    int32_t x = 0, y = 0;
    store.GetDialogPos(&x, &y);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 80);
    store.Save();
    EXPECT_TRUE(Stamp(file) == written);  // unchanged text: not even touched

    store.current.interlace = 0;
    store.Save();
    EXPECT_EQ(Contents(file), CanonicalText(120, 80, 2, "0"));
    EXPECT_FALSE(Stamp(file) == written);
  }
  SetSwitch(0);  // a zero switch is the host's folder as well
  SettingsStore store;
  store.Load("XvfHostTest");
  EXPECT_EQ(store.location().path, file);
  EXPECT_EQ(store.current.interlace, 0);
  DeleteFileA(file.c_str());
}

// The user folder is used only once the host made "Quillvox" in it.
TEST_F(SettingsWin32Test, NonZeroSwitchSelectsTheUserFolder) {
  const std::string file = AppData() + "\\Quillvox\\Plugins\\XvfUserTest.ini";
  RemoveTree(AppData() + "\\Quillvox");
  SetSwitch(1);
  {
    SettingsStore store;
    store.Load("XvfUserTest");
    EXPECT_EQ(store.location().path, file);
    store.Save();
    EXPECT_FALSE(std::filesystem::exists(AppData() + "\\Quillvox"));
  }
  ASSERT_TRUE(CreateDirectoryA((AppData() + "\\Quillvox").c_str(), nullptr));
  for (DWORD value : {DWORD(1), DWORD(0x100)}) {
    SetSwitch(value);
    SettingsStore store;
    store.Load("XvfUserTest");
    EXPECT_EQ(store.location().path, file) << value;
    store.current.aspectMode = 3;
    store.Save();
    EXPECT_EQ(Contents(file), CanonicalText(-100, -100, 3, "1")) << value;
  }
  SetSwitch(0);
  SettingsStore store;
  store.Load("XvfUserTest");
  EXPECT_EQ(store.location().path, ExeFolder() + "Plugins\\XvfUserTest.ini");
  DeleteFileA(store.location().path.c_str());
  RemoveTree(AppData() + "\\Quillvox");
}

// The host owns Instances\<c>\: without it nothing is made, also for stray
// switch text inside another argument.
TEST_F(SettingsWin32Test, InstanceSwitchOnTheCommandLine) {
  const std::string instances = ExeFolder() + "Instances";
  RemoveTree(instances);
  EXPECT_EQ(RunChild("--xvf-child /inst:7"), 0u);
  EXPECT_EQ(RunChild("--xvf-child x-inst:q.avi"), 0u);
  EXPECT_FALSE(std::filesystem::exists(instances));
  ASSERT_TRUE(CreateDirectoryA(instances.c_str(), nullptr));
  for (const char* c : {"5", "k"}) ASSERT_TRUE(CreateDirectoryA((instances + "\\" + c).c_str(), nullptr));
  EXPECT_EQ(RunChild("--xvf-child -INST:K"), 0u);
  EXPECT_EQ(Contents(instances + "\\k\\Plugins\\XvfInstTest.ini"), CanonicalText(-100, -100, 4, "1"));
  EXPECT_EQ(RunChild("--xvf-child /inst:5 -inst:3"), 0u);
  EXPECT_EQ(Contents(instances + "\\5\\Plugins\\XvfInstTest.ini"), CanonicalText(-100, -100, 4, "1"));
  EXPECT_FALSE(std::filesystem::exists(instances + "\\3"));
  RemoveTree(instances);
}

// Started by InstanceSwitchOnTheCommandLine; skipped when run on its own.
TEST(SettingsWin32Child, SavesUnderItsInstance) {
  if (!std::strstr(GetCommandLineA(), "--xvf-child")) GTEST_SKIP() << "runs as a child process only";
  SettingsStore store;
  store.Load("XvfInstTest");
  const SettingsLocation& location = store.location();
  ASSERT_EQ(location.instance.size(), 1u);
  EXPECT_EQ(location.path, ExeFolder() + "Instances\\" + location.instance + "\\Plugins\\XvfInstTest.ini");
  store.current.aspectMode = 4;
  store.Save();
}

// Started by CopyOfThisProgramInAWideFolder; skipped when run on its own.
TEST(SettingsWin32Child, CopySavesOneModeMore) {
  if (!std::strstr(GetCommandLineA(), "--xvf-copy")) GTEST_SKIP() << "runs as a child process only";
  SettingsStore store;
  store.Load("XvfCopyTest");
  store.current.aspectMode = store.current.aspectMode + 1;
  store.Save();
}

// A host folder the ANSI code page cannot name saves and reloads beside the
// host, by its wide path.
TEST(SettingsWin32Save, CopyOfThisProgramInAWideFolder) {
  test::TestFolder folder;
  const std::filesystem::path wide = std::filesystem::path(folder.root()) / L"\u5BA2\u6237\u7AEF";
  ASSERT_EQ(RunCopyIn(wide), 0u);
  ASSERT_EQ(RunCopyIn(wide), 0u);
  std::ifstream file(wide / L"Plugins" / L"XvfCopyTest.ini", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), CanonicalText(-100, -100, 2, "1"));
}

TEST_F(SettingsWin32Test, FileHeldOpenIsNeitherReadNorReplaced) {
  const std::string file = ExeFolder() + "Plugins\\XvfHeldTest.ini";
  const std::string old = CanonicalText(1, 2, 3, "0");
  WriteWholeFile(file, old);
  const HANDLE held =
      CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SettingsStore store;
  store.Load("XvfHeldTest");
  EXPECT_EQ(store.current.aspectMode, 0);  // nothing could be read
  store.Save();
  CloseHandle(held);
  EXPECT_EQ(Contents(file), old);

  store.Load("XvfHeldTest");
  EXPECT_EQ(store.current.aspectMode, 3);
  DeleteFileA(file.c_str());
}

// Saving touches nothing that is not ours: a 258-character path is saved
// (its temporary file's name is shorter), the user's "XVF_Aspect.ini.tmp"
// stays, a hidden file stays hidden, a read-only file is left as it was, and
// no temporary file is left; a symbolic link as the file is followed.
TEST(SettingsWin32Save, KeepsWhatIsNotOurs) {
  test::TestFolder folder;
  const std::string host = folder.root() + std::string(236 - folder.root().size() - 1, 'h') + "\\";
  test::MakeFolders(host);
  test::TestPlatform platform;
  platform.facts.platformId = 2;
  platform.facts.hostPath = host + "Quillvox.exe";
  const std::string plugins = host + "Plugins\\";
  const std::string file = plugins + "XVF_Aspect.ini";
  const auto Attributes = [&] { return GetFileAttributesA(file.c_str()); };
  const auto Names = [&] {
    auto names = test::FileNamesIn(plugins);
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> expectedNames = {"XVF_Aspect.ini", "XVF_Aspect.ini.tmp"};
  ASSERT_EQ(file.size(), 258u);
  ASSERT_TRUE(CreateDirectoryA(plugins.c_str(), nullptr));
  WriteWholeFile(file + ".tmp", "the user's own");

  struct Step {
    DWORD attribute;
    int32_t mode;
    bool written;
  } steps[] = {{0, 2, true}, {FILE_ATTRIBUTE_HIDDEN, 3, true}, {FILE_ATTRIBUTE_READONLY, 4, false}};
  for (const Step& step : steps) {
    const std::string before = Contents(file);
    if (step.attribute) {
      ASSERT_TRUE(SetFileAttributesA(file.c_str(), step.attribute));
    }
    SettingsStore store(platform);
    store.Load("XVF_Aspect");
    ASSERT_EQ(store.location().path, file);
    store.current.aspectMode = step.mode;
    store.Save();
    EXPECT_EQ(Contents(file), step.written ? CanonicalText(-100, -100, step.mode, "1") : before) << step.mode;
    if (step.attribute) {
      EXPECT_TRUE(Attributes() & step.attribute) << step.mode;
    }
    EXPECT_EQ(Contents(file + ".tmp"), "the user's own");
    EXPECT_EQ(Names(), expectedNames) << step.mode;
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  // A symbolic link made on the Linux side (Wine's CreateSymbolicLinkW makes
  // none): its target takes the text and the link stays. With the target
  // gone it is a link to nothing: nothing is made there. Wine starts the Unix
  // program without a process to wait on.
  DeleteFileA(file.c_str());
  WriteWholeFile(host + "target.ini", CanonicalText(1, 2, 3, "0"));
  RunProcess(L"/bin/ln -s ../target.ini XVF_Aspect.ini", std::wstring(plugins.begin(), plugins.end()).c_str());
  for (int i = 0; i < 100 && Contents(file) == "<missing>"; ++i) Sleep(50);
  SettingsStore store(platform);
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.aspectMode, 3);
  store.current.aspectMode = 4;
  store.Save();
  EXPECT_EQ(Contents(host + "target.ini"), CanonicalText(1, 2, 4, "0"));
  WriteWholeFile(host + "target.ini", "through the link");
  EXPECT_EQ(Contents(file), "through the link");
  DeleteFileA((host + "target.ini").c_str());
  store.Load("XVF_Aspect");
  store.Save();
  EXPECT_FALSE(test::PathExists(host + "target.ini"));
}

// Another program holds the file without delete sharing while it is saved:
// for part of the retry window the rename gets through; for all of it a
// holder that lets others write takes the text in place, one that does not
// keeps the old file. A killed save's whole temporary file (over a minute
// old) is removed; one
// held open, one cut short and anyone else's stay.
TEST(SettingsWin32Save, HeldFileAndLeftovers) {
  test::TestFolder folder;
  test::TestPlatform platform;
  platform.facts.platformId = 2;
  platform.facts.hostPath = folder.root() + "Quillvox.exe";
  const std::string plugins = folder.root() + "Plugins\\", file = plugins + "XVF_Aspect.ini";
  const std::string old = CanonicalText(1, 2, 0, "1");
  for (const char* name : {"xvf0001.tmp", "xvf0002.tmp"}) {
    WriteWholeFile(plugins + name, old);
    test::AgeFile(plugins + name, 61);
  }
  WriteWholeFile(plugins + "xvf0003.tmp", old.substr(0, 30));
  WriteWholeFile(plugins + "xvf0004.tmp", "the user's");
  const HANDLE leftover = CreateFileA((plugins + "xvf0002.tmp").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  const struct {
    DWORD share, heldMs;  // 0: through the whole save
    int32_t saved;
  } cases[] = {{FILE_SHARE_READ, 200, 1}, {FILE_SHARE_READ, 0, 0}, {FILE_SHARE_READ | FILE_SHARE_WRITE, 0, 3}};
  for (const auto& c : cases) {
    WriteWholeFile(file, old);
    SettingsStore store(platform);
    store.Load("XVF_Aspect");
    store.current.aspectMode = c.saved ? c.saved : 2;
    platform.pausedMs = 0;
    const HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
    std::thread release([&] {
      if (!c.heldMs) return;
      Sleep(c.heldMs);
      CloseHandle(held);
    });
    store.Save();
    release.join();
    if (!c.heldMs) CloseHandle(held);
    EXPECT_EQ(Contents(file), CanonicalText(1, 2, c.saved, "1")) << c.heldMs << " " << c.share;
    EXPECT_EQ(platform.pausedMs == 1125, c.heldMs == 0) << platform.pausedMs;
    auto names = test::FileNamesIn(plugins);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"XVF_Aspect.ini", "xvf0002.tmp", "xvf0003.tmp", "xvf0004.tmp"}));
  }
  CloseHandle(leftover);
  EXPECT_TRUE(test::PathExists(plugins + "xvf0002.tmp"));  // not deleted behind its holder
}

// Each store's cleanup leaves the other's temporary file alone after its
// close and before its move.
TEST(SettingsWin32Save, TwoStoresSavingInOneFolderLoseNothing) {
  test::TestFolder folder;
  LocationFacts facts;
  facts.platformId = 2;
  facts.hostPath = folder.root() + "Quillvox.exe";
  test::MakeFolders(folder.root() + "Plugins");
  EXPECT_EQ(test::SavesLostBySideBySideStores(facts, 300), 0);
}

// Another program opens the file for 1 ms every 3 ms through 100 sessions
// (a scanner sharing reading and writing, one sharing nothing, one locking
// all of it): every Init reads what the session before saved.
TEST(SettingsWin32Save, ProgramOpeningTheFileAtInitLosesNoSession) {
  test::TestFolder folder;
  test::TestPlatform platform;
  platform.facts.platformId = 2;
  platform.facts.hostPath = folder.root() + "Quillvox.exe";
  const std::string file = folder.root() + "Plugins\\XVF_Aspect.ini";
  const DWORD kScanner = FILE_SHARE_READ | FILE_SHARE_WRITE;
  for (const auto& [share, locks] : {std::pair(kScanner, false), std::pair(0ul, false), std::pair(kScanner, true)}) {
    WriteWholeFile(file, CanonicalText(0, 0, 1, "1"));
    std::atomic<bool> done{false};
    std::thread program([&, share = share, locks = locks] {
      for (; !done; Sleep(2)) {
        const HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        const bool locked = locks && LockFile(held, 0, 0, MAXDWORD, 0);
        Sleep(1);
        if (locked) UnlockFile(held, 0, 0, MAXDWORD, 0);
        CloseHandle(held);
      }
    });
    int lost = 0;  // sessions that did not read the previous session's save
    for (int32_t session = 1; session <= 101; ++session) {
      SettingsStore store(platform);
      store.Load("XVF_Aspect");
      lost += test::DialogPos(store).first != session - 1;
      store.SetDialogPos(Rect{session, 0, session + 100, 100});
      store.Save();
    }
    done = true;
    program.join();
    EXPECT_EQ(lost, 0) << share << " " << locks;
  }
}

}  // namespace
}  // namespace xvf
