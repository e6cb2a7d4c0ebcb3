// The whole store over real files in a temporary folder, with the location
// facts given by the test and file failures injected.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "settings/settings_store.h"
#include "settings/temporary_name.h"
#include "tests/settings/settings_test_support.h"

namespace xvf {
namespace {

using test::CanonicalText;
using test::DialogPos;
using test::FileNamesIn;
using test::PathExists;
using test::ReadWholeFile;
using test::WriteWholeFile;

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.facts.platformId = 2;
    platform.facts.hostPath = folder.root() + "host\\Quillvox.exe";
    platform.facts.userFolder = folder.root() + "user";
    platform.facts.commandLine = "\"" + platform.facts.hostPath + "\"";
    test::MakeFolders(folder.root() + "host");
  }

  std::string Plugins() const { return folder.root() + "host\\Plugins\\"; }
  std::string File() const { return Plugins() + "XVF_Aspect.ini"; }
  std::string Contents(const std::string& path) const {
    std::string text;
    return ReadWholeFile(path, &text) ? text : "<missing>";
  }

  test::TestFolder folder;
  test::TestPlatform platform;
  SettingsStore store{platform};
};

TEST_F(SettingsStoreTest, NoFileGivesDefaultsThenTheSixLines) {
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.location().path, File());
  EXPECT_EQ(store.location().instance, "");
  EXPECT_EQ(store.current.aspectMode, 0);
  EXPECT_EQ(store.current.interlace, 1);
  EXPECT_EQ(DialogPos(store), std::make_pair(-100, -100));
  EXPECT_EQ(Contents(File()), "");  // opened for reading creates it empty

  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(-100, -100, 0, "1"));
  EXPECT_EQ(FileNamesIn(Plugins()), std::vector<std::string>{"XVF_Aspect.ini"});
}

TEST_F(SettingsStoreTest, CanonicalFileIsReadAndLeftUntouched) {
  const std::string text = CanonicalText(10, -20, 3, "0");
  WriteWholeFile(File(), text);
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.aspectMode, 3);
  EXPECT_EQ(store.current.interlace, 0);
  EXPECT_EQ(DialogPos(store), std::make_pair(10, -20));
  store.Save();
  store.Save();
  EXPECT_EQ(platform.writes, 0);
  EXPECT_EQ(Contents(File()), text);

  // A change is written; the comparison is always with the text as loaded.
  store.current.aspectMode = 4;
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(10, -20, 4, "0"));
  store.current.aspectMode = 3;
  store.Save();
  EXPECT_EQ(platform.writes, 1);
  EXPECT_EQ(Contents(File()), CanonicalText(10, -20, 4, "0"));
}

TEST_F(SettingsStoreTest, DefaultSectionNeverDecidesAndExtrasAreLost) {
  WriteWholeFile(File(),
                 "; hand-made\n[DEFAULT]\nAspectMode=2\nInterlace=0\n[COMMON]\nInterlace=0\n"
                 "[EXTRA]\nKey=v\n[DIALOG]\nDlgWndPosX=-100\nDlgWndPosY=50\n");
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.aspectMode, 0);  // the table default, not DEFAULT's 2
  EXPECT_EQ(store.current.interlace, 0);
  EXPECT_EQ(DialogPos(store), std::make_pair(-100, 50));  // one key at -100 is a position like any other
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(-100, 50, 0, "0"));
}

TEST_F(SettingsStoreTest, ValuesOutsideTheDialogsRangeRoundTrip) {
  WriteWholeFile(File(), "[COMMON]\r\nAspectMode=7\r\nInterlace=-1\r\n[DIALOG]\r\nDlgWndPosX=3x\r\n"
                         "DlgWndPosY=  -5\r\n");
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.aspectMode, 7);
  EXPECT_EQ(store.current.interlace, -1);
  EXPECT_EQ(DialogPos(store), std::make_pair(3, -5));
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(3, -5, 7, "4294967295"));
  // What was written reads back as the same bits and is then left alone.
  SettingsStore again(platform);
  again.Load("XVF_Aspect");
  EXPECT_EQ(again.current.interlace, -1);
  const int writes = platform.writes;
  again.Save();
  EXPECT_EQ(platform.writes, writes);
}

TEST_F(SettingsStoreTest, FinalLineWithoutBreakIsKeptAndRewrittenWithOne) {
  WriteWholeFile(File(), "[COMMON]\r\nAspectMode=2\r\nInterlace=0");
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.aspectMode, 2);
  EXPECT_EQ(store.current.interlace, 0);
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(-100, -100, 2, "0"));
}

TEST_F(SettingsStoreTest, RevertAndUnconfirmedChanges) {
  WriteWholeFile(File(), CanonicalText(-100, -100, 1, "1"));
  store.Load("XVF_Aspect");

  // Closed by the close message: the earlier values are back and saved.
  store.Snapshot();
  store.current.aspectMode = 3;
  store.current.interlace = 0;
  store.Revert();
  EXPECT_EQ(store.current.aspectMode, 1);
  EXPECT_EQ(store.current.interlace, 1);
  store.SetDialogPos(Rect{40, 60, 300, 200});
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(40, 60, 1, "1"));

  // Still open at shutdown: the values in use are saved, unconfirmed or not.
  store.current.aspectMode = 2;  // an earlier opening's change, kept
  store.Snapshot();
  store.current.aspectMode = 4;
  store.SetDialogPos(Rect{-8, 0, 100, 100});
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(-8, 0, 4, "1"));
  // A later revert goes back to the snapshot of that opening, not an earlier one.
  store.Revert();
  EXPECT_EQ(store.current.aspectMode, 2);
}

TEST_F(SettingsStoreTest, SecondLoadTakesTheFileIntoUse) {
  WriteWholeFile(File(), CanonicalText(1, 2, 2, "0"));
  store.Load("XVF_Aspect");
  WriteWholeFile(File(), CanonicalText(5, 6, 3, "1"));
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.aspectMode, 3);
  EXPECT_EQ(store.current.interlace, 1);
  EXPECT_EQ(DialogPos(store), std::make_pair(5, 6));
  store.Save();
  EXPECT_EQ(platform.writes, 0);
}

// The host owns the instance and user folders: only "Plugins" is made, and
// nothing is stored (nor left behind) until its parent exists.
TEST_F(SettingsStoreTest, OnlyThePluginsFolderIsCreated) {
  platform.facts.commandLine += " x-INST:Q.avi";
  const std::string file = folder.root() + "host\\Instances\\q\\Plugins\\XVF_Aspect.ini";
  for (const bool instanceExists : {false, true}) {
    if (instanceExists) test::MakeFolders(folder.root() + "host\\Instances\\q");
    SettingsStore store(platform);
    store.Load("XVF_Aspect");
    EXPECT_EQ(store.location().instance, "q");
    EXPECT_EQ(store.location().path, file);
    store.Save();
    EXPECT_EQ(Contents(file), instanceExists ? CanonicalText(-100, -100, 0, "1") : "<missing>");
    if (!instanceExists) {
      EXPECT_EQ(FileNamesIn(folder.root() + "host"), std::vector<std::string>{});
    }
  }

  // The user folder on the NT family with the switch set: only once the
  // host made "Quillvox" in it.
  platform.facts.storeInUsersFolder = 1;
  platform.facts.commandLine = "q";
  for (const bool quillvoxExists : {false, true}) {
    if (quillvoxExists) test::MakeFolders(folder.root() + "user\\Quillvox");
    SettingsStore user(platform);
    user.Load("Other");
    const std::string path = folder.root() + "user\\Quillvox\\Plugins\\Other.ini";
    EXPECT_EQ(user.location().path, path);
    EXPECT_EQ(user.location().moduleName, "Other");
    user.Save();
    EXPECT_EQ(Contents(path), quillvoxExists ? CanonicalText(-100, -100, 0, "1") : "<missing>");
    EXPECT_EQ(PathExists(folder.root() + "user"), quillvoxExists);
  }
}

TEST_F(SettingsStoreTest, FailedSaveLeavesTheOldFileWhole) {
  const std::string old = CanonicalText(7, 8, 1, "0");
  WriteWholeFile(File(), old);
  store.Load("XVF_Aspect");
  store.current.aspectMode = 4;

  platform.failWrite = true;  // no space left half-way
  store.Save();
  EXPECT_EQ(platform.writes, 1);
  EXPECT_EQ(Contents(File()), old);
  EXPECT_EQ(FileNamesIn(Plugins()), std::vector<std::string>{"XVF_Aspect.ini"});

  platform.failReplace = true;  // the swap into place fails
  store.Save();
  EXPECT_EQ(platform.replaces, 1);
  EXPECT_EQ(Contents(File()), old);
  EXPECT_EQ(FileNamesIn(Plugins()), std::vector<std::string>{"XVF_Aspect.ini"});

  platform.failReplace = false;
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(7, 8, 4, "0"));
  EXPECT_EQ(FileNamesIn(Plugins()), std::vector<std::string>{"XVF_Aspect.ini"});

  // No temporary file can be made in the folder: written in place instead;
  // a write that fails part-way puts the text as loaded back.
  store.Load("XVF_Aspect");
  platform.noTemporary = true;
  store.current.aspectMode = 2;
  platform.failWrite = true;
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(7, 8, 4, "0"));
  store.Save();
  EXPECT_EQ(Contents(File()), CanonicalText(7, 8, 2, "0"));
  EXPECT_EQ(FileNamesIn(Plugins()), std::vector<std::string>{"XVF_Aspect.ini"});

  // A taken temporary name is never written: the next one is tried; with
  // every name of the bounded sequence taken, the file is written in place.
  platform.noTemporary = false;
  for (const uint32_t taken : {3u, kTemporaryNameAttempts}) {
    std::string probe;  // the name before the ones the save tries
    ASSERT_TRUE(SystemSettingsPlatform().CreateTemporary(Plugins(), &probe));
    platform.Remove(probe);
    const uint32_t next = uint32_t(std::stoul(probe.substr(probe.size() - 8, 4), nullptr, 16)) + 1;
    for (uint32_t i = 0; i < taken; ++i) WriteWholeFile(Plugins() + TemporaryFileName(next + i), "the user's");
    store.current.aspectMode = int32_t(taken);
    store.Save();
    EXPECT_EQ(Contents(File()), CanonicalText(7, 8, int32_t(taken), "0"));
    EXPECT_EQ(FileNamesIn(Plugins()).size(), taken + 1);
    for (uint32_t i = 0; i < taken; ++i) {
      EXPECT_EQ(Contents(Plugins() + TemporaryFileName(next + i)), "the user's");
      platform.Remove(Plugins() + TemporaryFileName(next + i));
    }
  }
}

// A file with a byte order mark or in UTF-16 keeps the user's values and its
// encoding; unchanged text is not rewritten; a failed write in place puts its
// bytes back.
TEST_F(SettingsStoreTest, MarkedAndUtf16FilesKeepTheirEncoding) {
  struct Case {
    const char* mark;
    size_t zerosBefore, zerosAfter;  // around each ASCII byte: UTF-16 BE, LE
  } cases[] = {{"\xEF\xBB\xBF", 0, 0}, {"\xFF\xFE", 0, 1}, {"\xFE\xFF", 1, 0}};
  for (const Case& c : cases) {
    const auto Encoded = [&](const std::string& text) {
      std::string file = c.mark;
      for (const char ch : text) file += std::string(c.zerosBefore, '\0') + ch + std::string(c.zerosAfter, '\0');
      return file;
    };
    WriteWholeFile(File(), Encoded(CanonicalText(5, 6, 3, "0")));
    store.Load("XVF_Aspect");
    EXPECT_EQ(store.current.aspectMode, 3) << c.mark;
    store.Save();
    EXPECT_EQ(platform.writes, 0);
    store.current.aspectMode = 4;
    store.Save();
    EXPECT_EQ(Contents(File()), Encoded(CanonicalText(5, 6, 4, "0"))) << c.mark;
    store.Load("XVF_Aspect");
    store.current.aspectMode = 1;
    platform.noTemporary = platform.failWrite = true;
    store.Save();
    EXPECT_EQ(Contents(File()), Encoded(CanonicalText(5, 6, 4, "0"))) << c.mark;
    platform.noTemporary = false;
    platform.writes = 0;
  }
}

#ifndef _WIN32
// A FIFO at the path neither hangs Init nor is written; a file its owner may
// not write is left as it was (for root too); a saved file keeps its mode.
TEST_F(SettingsStoreTest, PosixFileKindsAndModes) {
  const auto Posix = [](std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
  };
  test::MakeFolders(Plugins());
  ASSERT_EQ(mkfifo(Posix(File()).c_str(), 0644), 0);
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.interlace, 1);
  store.Save();
  EXPECT_EQ(platform.writes, 0);
  struct stat info = {};
  ASSERT_EQ(stat(Posix(File()).c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  unlink(Posix(File()).c_str());

  const std::string old = CanonicalText(1, 2, 3, "0");
  for (const mode_t mode : {mode_t(0444), mode_t(0640)}) {
    WriteWholeFile(File(), old);
    chmod(Posix(File()).c_str(), mode);
    for (const bool inPlace : {false, true}) {
      platform.noTemporary = inPlace;
      store.Load("XVF_Aspect");
      store.current.aspectMode = inPlace ? 1 : 2;
      store.Save();
      EXPECT_EQ(Contents(File()), mode == 0444 ? old : CanonicalText(1, 2, inPlace ? 1 : 2, "0")) << mode;
      ASSERT_EQ(stat(Posix(File()).c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, mode);
      EXPECT_EQ(FileNamesIn(Plugins()), std::vector<std::string>{"XVF_Aspect.ini"});
    }
  }

}
#endif

// A file whose settings could not be learned (it opens but reading fails, it
// cannot be opened, or another program held it through every retry at Init)
// is not replaced by defaults at Shutdown.
TEST_F(SettingsStoreTest, UnreadableFileIsNotOverwrittenWithDefaults) {
  for (const ReadResult fault : {ReadResult::kReadFailed, ReadResult::kCannotOpen, ReadResult::kHeld}) {
    const std::string old = CanonicalText(7, 8, 2, "0");
    WriteWholeFile(File(), old);
    platform.readFault = fault;
    store.Load("XVF_Aspect");
    EXPECT_EQ(store.current.aspectMode, 0);
    EXPECT_EQ(store.current.interlace, 1);
    EXPECT_EQ(DialogPos(store), std::make_pair(-100, -100));
    store.current.aspectMode = 3;
    store.Save();
    EXPECT_EQ(platform.writes, 0);
    EXPECT_EQ(Contents(File()), old);

    // Readable again at the next load: back to normal.
    platform.readFault = ReadResult::kRead;
    store.Load("XVF_Aspect");
    EXPECT_EQ(store.current.aspectMode, 2);
    store.current.aspectMode = 3;
    store.Save();
    EXPECT_EQ(Contents(File()), CanonicalText(7, 8, 3, "0"));
    platform.writes = 0;
  }
}

// Each store's cleanup leaves the other's temporary file alone between its
// write and its rename.
TEST_F(SettingsStoreTest, TwoStoresSavingInOneFolderLoseNothing) {
  test::MakeFolders(Plugins());
  EXPECT_EQ(test::SavesLostBySideBySideStores(platform.facts, 500), 0);
}

TEST_F(SettingsStoreTest, WithoutTheVersionNothingIsLocatedReadOrWritten) {
  platform.versionFails = true;
  store.current.aspectMode = 2;
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.location().path, "");
  EXPECT_EQ(store.location().moduleName, "");
  EXPECT_EQ(store.current.aspectMode, 0);
  EXPECT_EQ(store.current.interlace, 1);
  store.Save();
  EXPECT_EQ(platform.writes, 0);
  EXPECT_EQ(FileNamesIn(folder.root() + "host"), std::vector<std::string>{});

  // A later failure keeps the location found before.
  platform.versionFails = false;
  store.Load("XVF_Aspect");
  platform.versionFails = true;
  platform.facts.commandLine = "-inst:3";
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.location().path, File());
}

TEST_F(SettingsStoreTest, OperationsBeforeAnyLoadAreHarmless) {
  SettingsStore fresh(platform);
  EXPECT_EQ(fresh.current.aspectMode, 0);
  EXPECT_EQ(fresh.current.interlace, 0);
  EXPECT_EQ(DialogPos(fresh), std::make_pair(0, 0));
  fresh.Revert();  // no snapshot: nothing to go back to
  EXPECT_EQ(fresh.current.aspectMode, 0);
  fresh.current.aspectMode = 2;
  fresh.Save();  // no location: nothing written
  EXPECT_EQ(platform.writes, 0);
  fresh.Snapshot();
  fresh.current.aspectMode = 1;
  fresh.Revert();
  EXPECT_EQ(fresh.current.aspectMode, 2);
}

}  // namespace
}  // namespace xvf
