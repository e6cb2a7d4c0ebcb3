// File-layer failures at every operation of Init, Shutdown, Init, Shutdown:
// whichever operation fails and however (read error, file that cannot be
// opened, disk full half-way, failed rename, a temporary file that cannot be
// removed), the settings file is at every moment either the old text or the
// new text, whole, and the values read back are one of the two.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "tests/settings/settings_test_support.h"

namespace xvf {
namespace {

using test::CanonicalText;
using test::FileNamesIn;
using test::ReadWholeFile;
using test::WriteWholeFile;

enum class Fault { kNone, kReadFails, kCannotOpen, kDiskFullHalfWay, kDiskFullAtOnce, kRenameFails, kRemoveFails };

// The system's files under a test folder; operation number `failAt` (counted
// over reads, writes, renames and removals) fails as `fault` says when it is
// of the kind that fault applies to.
class FaultPlatform : public test::TestPlatform {
 public:
  int32_t failAt = -1;
  Fault fault = Fault::kNone;
  int32_t operations = 0;
  int32_t injected = 0;

  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    if (Hit(fault == Fault::kReadFails || fault == Fault::kCannotOpen)) {
      bytes->clear();
      return fault == Fault::kReadFails ? ReadResult::kReadFailed : ReadResult::kCannotOpen;
    }
    return TestPlatform::ReadOrCreate(path, bytes);
  }
  bool WriteNew(const std::string& path, const uint8_t* data, size_t size) override {
    if (Hit(fault == Fault::kDiskFullHalfWay || fault == Fault::kDiskFullAtOnce)) {
      TestPlatform::WriteNew(path, data, fault == Fault::kDiskFullHalfWay ? size / 2 : 0);
      return false;
    }
    return TestPlatform::WriteNew(path, data, size);
  }
  bool Replace(const std::string& from, const std::string& to) override {
    if (Hit(fault == Fault::kRenameFails)) return false;
    return TestPlatform::Replace(from, to);
  }
  void Remove(const std::string& path) override {
    if (Hit(fault == Fault::kRemoveFails)) return;
    TestPlatform::Remove(path);
  }

 private:
  bool Hit(bool applies) {
    const bool hit = operations++ == failAt && applies;
    injected += hit;
    return hit;
  }
};

class SettingsFaults : public ::testing::Test {
 protected:
  void Prepare(FaultPlatform* platform) {
    platform->facts.platformId = 2;
    platform->facts.hostPath = folder.root() + "host\\Quillvox.exe";
    platform->facts.commandLine = "\"" + platform->facts.hostPath + "\"";
  }
  std::string Plugins() const { return folder.root() + "host\\Plugins\\"; }
  std::string File() const { return Plugins() + "XVF_Aspect.ini"; }
  std::string Contents() const {
    std::string text;
    return ReadWholeFile(File(), &text) ? text : "<missing>";
  }

  test::TestFolder folder;
};

TEST_F(SettingsFaults, EveryFileOperationOfTwoSessions) {
  const std::string oldText = CanonicalText(10, 20, 2, "0");
  const std::string midText = CanonicalText(10, 20, 4, "1");
  const std::string newText = CanonicalText(10, 20, 1, "0");
  const std::vector<std::string> allowed = {oldText, midText, newText};
  const Fault faults[] = {Fault::kReadFails,      Fault::kCannotOpen,  Fault::kDiskFullHalfWay,
                          Fault::kDiskFullAtOnce, Fault::kRenameFails, Fault::kRemoveFails};
  // The operations of both sessions and the clean one after them, counted once without faults.
  int32_t operations = 0;
  {
    FaultPlatform platform;
    Prepare(&platform);
    WriteWholeFile(File(), oldText);
    for (int32_t mode : {4, 1, 3}) {
      SettingsStore store(platform);
      store.Load("XVF_Aspect");
      store.current.aspectMode = mode;
      store.Save();
    }
    operations = platform.operations;
    ASSERT_GE(operations, 9);  // a read, a write and a rename per session
  }
  for (const Fault fault : faults)
    for (int32_t failAt = 0; failAt < operations; ++failAt) {
      const std::string where = "fault " + std::to_string(static_cast<int>(fault)) + " at " + std::to_string(failAt);
      FaultPlatform platform;
      Prepare(&platform);
      platform.failAt = failAt;
      platform.fault = fault;
      WriteWholeFile(File(), oldText);  // the previous session's file

      // Session 1: the dialog chooses mode 4 with fields.
      {
        SettingsStore store(platform);
        store.Load("XVF_Aspect");
        store.current.aspectMode = 4;
        store.current.interlace = 1;
        store.Save();
        EXPECT_TRUE(Contents() == oldText || Contents() == midText) << where << ": " << Contents();
      }
      // Session 2 reads what session 1 left and chooses mode 1 without fields.
      {
        SettingsStore store(platform);
        store.Load("XVF_Aspect");
        const int32_t mode = store.current.aspectMode;
        // A read that failed gives the defaults and must not overwrite the file.
        EXPECT_TRUE(mode == 2 || mode == 4 || mode == 0) << where;
        store.current.aspectMode = 1;
        store.current.interlace = 0;
        store.Save();
        const std::string text = Contents();
        EXPECT_TRUE(std::find(allowed.begin(), allowed.end(), text) != allowed.end()) << where << ": " << text;
      }
      // The only file left beside the settings is a temporary whose removal
      // failed; the next clean save replaces it and the file alike.
      const auto names = FileNamesIn(Plugins());
      for (const std::string& name : names)
        EXPECT_TRUE(name == "XVF_Aspect.ini" || (fault == Fault::kRemoveFails && name == "XVF_Aspect.ini.tmp"))
            << where << ": " << name;
      platform.fault = Fault::kNone;
      SettingsStore clean(platform);
      clean.Load("XVF_Aspect");
      clean.current.aspectMode = 3;
      clean.current.interlace = 0;
      clean.Save();
      EXPECT_EQ(Contents(), CanonicalText(10, 20, 3, "0")) << where;
      EXPECT_EQ(FileNamesIn(Plugins()), std::vector<std::string>{"XVF_Aspect.ini"}) << where;
    }
}

// A save interrupted between writing the temporary file and swapping it in
// (the process ended there) leaves the old file whole; the next session reads
// the old values, not the half-finished new ones, and its save cleans up.
TEST_F(SettingsFaults, InterruptedSaveKeepsTheOldFile) {
  FaultPlatform platform;
  Prepare(&platform);
  const std::string oldText = CanonicalText(1, 2, 2, "1");
  WriteWholeFile(File(), oldText);
  WriteWholeFile(File() + ".tmp", "[COMMON]\r\nAspectMo");  // what the interrupted save left
  SettingsStore store(platform);
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.aspectMode, 2);
  store.current.aspectMode = 3;
  store.Save();
  EXPECT_EQ(Contents(), CanonicalText(1, 2, 3, "1"));
  EXPECT_EQ(FileNamesIn(Plugins()), std::vector<std::string>{"XVF_Aspect.ini"});
}

}  // namespace
}  // namespace xvf
