// File-layer failures at every operation of Init, Shutdown, Init, Shutdown:
// whichever operation fails and however (read error, file that cannot be
// opened, no temporary file, disk full half-way, failed rename, a temporary
// file that cannot be removed, memory running out, another program holding
// the file for a while or for good), the settings file is at
// every moment either the old text or the new text, whole, the values read
// back are one of the two, no temporary file is left (unless its removal was
// what failed) and the user's own files beside it are untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "settings/saved_text.h"
#include "settings/settings_store.h"
#include "tests/settings/settings_test_support.h"

namespace xvf {
namespace {

using test::CanonicalText;
using test::FileNamesIn;
using test::ReadWholeFile;
using test::WriteWholeFile;

// kOutOfMemory: std::bad_alloc out of any operation but Remove. The held
// faults, last, start at a rename: another program holds the settings file for
// three tries (kHeldBriefly), or for good, letting others write it
// (kHeldLetsWrite) or not (kHeldNoWrites).
enum class Fault { kNone, kReadFails, kCannotOpen, kNoTemporary, kDiskFullHalfWay, kDiskFullAtOnce, kRenameFails,
                   kRemoveFails, kOutOfMemory, kHeldBriefly, kHeldLetsWrite, kHeldNoWrites };

// The system's files under a test folder; operation number `failAt` (counted
// over reads, temporary files, writes, renames and removals) fails as `fault`
// says when it is of the kind that fault applies to.
class FaultPlatform : public test::TestPlatform {
 public:
  int32_t failAt = -1;
  Fault fault = Fault::kNone;
  int32_t operations = 0;
  int32_t injected = 0;
  int32_t heldTries = 0;  // renames still refused; negative: for good
  uint32_t pausedMs = 0;
  std::vector<std::string> wholeTexts;  // what the settings file may hold; empty: not checked

  void ExpectWhole(const std::string& path, const char* when) const {
    if (wholeTexts.empty()) return;
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, &text) &&
                std::find(wholeTexts.begin(), wholeTexts.end(), text) != wholeTexts.end())
        << when << ": " << text;
  }

  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    if (Hit(fault == Fault::kReadFails || fault == Fault::kCannotOpen || fault == Fault::kOutOfMemory)) {
      if (fault == Fault::kOutOfMemory) {
        TestPlatform::ReadOrCreate(path, bytes);
        throw std::bad_alloc();  // as while the text is parsed
      }
      bytes->clear();
      return fault == Fault::kReadFails ? ReadResult::kReadFailed : ReadResult::kCannotOpen;
    }
    return TestPlatform::ReadOrCreate(path, bytes);
  }
  bool CreateTemporary(const std::string& folder, std::string* temporary) override {
    if (Hit(fault == Fault::kNoTemporary || fault == Fault::kOutOfMemory)) {
      if (fault == Fault::kOutOfMemory) throw std::bad_alloc();
      return false;
    }
    return TestPlatform::CreateTemporary(folder, temporary);
  }
  bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) override {
    const bool settingsFile = path.size() >= 4 && path.compare(path.size() - 4, 4, ".ini") == 0;
    if (heldTries < 0 && fault == Fault::kHeldNoWrites && settingsFile) return false;
    if (Hit(fault == Fault::kDiskFullHalfWay || fault == Fault::kDiskFullAtOnce || fault == Fault::kOutOfMemory)) {
      TestPlatform::WriteWhole(path, data, fault == Fault::kDiskFullAtOnce ? 0 : size / 2);
      if (fault == Fault::kOutOfMemory) throw std::bad_alloc();
      return false;
    }
    return TestPlatform::WriteWhole(path, data, size);
  }
  // A kill between the temporary write and the rename leaves the folder as
  // it is here, and a kill after it as it is then: one whole file each time.
  ReplaceResult Replace(const std::string& from, const std::string& to) override {
    const bool held = fault >= Fault::kHeldBriefly;
    if (Hit(fault == Fault::kRenameFails || fault == Fault::kOutOfMemory || held)) {
      if (fault == Fault::kOutOfMemory) throw std::bad_alloc();
      if (!held) return ReplaceResult::kFailed;
      heldTries = fault == Fault::kHeldBriefly ? 3 : -1;
    }
    if (held && heldTries != 0) {
      heldTries -= heldTries > 0;
      return ReplaceResult::kHeld;
    }
    ExpectWhole(to, "before the rename");
    const ReplaceResult replaced = TestPlatform::Replace(from, to);
    ExpectWhole(to, "after the rename");
    return replaced;
  }
  void Remove(const std::string& path) override {
    if (Hit(fault == Fault::kRemoveFails)) return;
    TestPlatform::Remove(path);
  }
  void Pause(uint32_t milliseconds) override { pausedMs += milliseconds; }

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
  const std::string usersText = "the user's own";
  const Fault faults[] = {Fault::kReadFails,      Fault::kCannotOpen,  Fault::kNoTemporary,
                          Fault::kDiskFullHalfWay, Fault::kDiskFullAtOnce, Fault::kRenameFails,
                          Fault::kRemoveFails,    Fault::kOutOfMemory,   Fault::kHeldBriefly,
                          Fault::kHeldLetsWrite,  Fault::kHeldNoWrites};
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
    ASSERT_GE(operations, 12);  // a read, a temporary file, a write and a rename per session
  }
  for (const Fault fault : faults)
    for (int32_t failAt = 0; failAt < operations; ++failAt) {
      const std::string where = "fault " + std::to_string(static_cast<int>(fault)) + " at " + std::to_string(failAt);
      const bool held = fault >= Fault::kHeldBriefly;
      FaultPlatform platform;
      Prepare(&platform);
      platform.failAt = failAt;
      platform.fault = fault;
      platform.wholeTexts = {oldText, midText, newText, CanonicalText(10, 20, 3, "0")};
      WriteWholeFile(File(), oldText);  // the previous session's file
      WriteWholeFile(File() + ".tmp", usersText);

      // Session 1: the dialog chooses mode 4 with fields.
      {
        SettingsStore store(platform);
        store.Load("XVF_Aspect");
        store.current.aspectMode = 4;
        store.current.interlace = 1;
        store.Save();
        EXPECT_TRUE(Contents() == oldText || Contents() == midText) << where << ": " << Contents();
      }
      const bool heldInFirst = platform.injected != 0;
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
        // A hold that clears, or lets others write, loses nothing; one that
        // never lets go keeps the file as it was before the held save.
        const bool lost = fault == Fault::kHeldNoWrites && platform.injected;
        EXPECT_TRUE(!held || text == (!lost ? newText : heldInFirst ? oldText : midText)) << where << ": " << text;
      }
      // 25 to 75 ms before the three retries of a brief hold; 25 to 225 ms
      // before the nine of each save that a lasting hold refuses.
      const uint32_t waited = !held || !platform.injected ? 0 : fault == Fault::kHeldBriefly ? 150 : 1125;
      EXPECT_TRUE(platform.pausedMs == waited || platform.pausedMs == 2 * waited) << where << ": " << platform.pausedMs;
      // Beside the settings only the user's file, and a temporary file of
      // ours only where its removal failed.
      const auto OnlyOursAndTheUsers = [&](const std::string& stage) {
        std::string user;
        EXPECT_TRUE(ReadWholeFile(File() + ".tmp", &user) && user == usersText) << where << stage;
        int32_t temporaries = 0;
        for (const std::string& name : FileNamesIn(Plugins())) {
          const bool temporary = name.size() == 11 && name.compare(0, 3, "xvf") == 0 &&
                                 name.compare(7, 4, ".tmp") == 0;
          temporaries += temporary;
          EXPECT_TRUE(name == "XVF_Aspect.ini" || name == "XVF_Aspect.ini.tmp" || temporary)
              << where << stage << ": " << name;
        }
        EXPECT_LE(temporaries, fault == Fault::kRemoveFails ? 1 : 0) << where << stage;
      };
      OnlyOursAndTheUsers(", two sessions");
      platform.fault = Fault::kNone;
      platform.heldTries = 0;
      SettingsStore clean(platform);
      clean.Load("XVF_Aspect");
      clean.current.aspectMode = 3;
      clean.current.interlace = 0;
      clean.Save();
      EXPECT_EQ(Contents(), CanonicalText(10, 20, 3, "0")) << where;
      OnlyOursAndTheUsers(", clean session");
    }
}

// A save interrupted between writing its temporary file and putting it in
// place (the process ended there) leaves the old file whole: the next session
// reads the old values, saves and removes that whole leftover once it is over
// a minute old. Another save's file in flight (younger), one cut short or
// larger than any save, one in another encoding than this file's, and the
// user's "XVF_Aspect.ini.tmp" are not known to be ours and stay.
TEST_F(SettingsFaults, InterruptedSaveKeepsTheOldFile) {
  FaultPlatform platform;
  Prepare(&platform);
  const std::string oldText = CanonicalText(1, 2, 2, "1");
  const std::string longest = CanonicalText(-2147483647 - 1, -2147483647 - 1, -2147483647 - 1, "4294967295");
  std::string oversized = longest;  // one byte more than any save writes
  oversized.insert(oversized.find("-2147483648") + 1, LargestSavedText(TextEncoding::kAnsi) + 1 - longest.size(), '0');
  std::string utf16 = "\xFF\xFE";
  for (const char c : CanonicalText(1, 2, 4, "1")) utf16 += std::string(1, c) + '\0';
  const struct {
    const char* name;
    std::string text;
    int ageSeconds;
  } files[] = {{"xvf1A2B.tmp", "[COMMON]\r\nAspectMo", 3600},
               {"xvf1A2C.tmp", CanonicalText(1, 2, 4, "-1"), 61},
               {"xvf1A2D.tmp", CanonicalText(1, 2, 4, "1"), 0},
               {"xvf1A2E.tmp", longest, 61},
               {"xvf1A2F.tmp", oversized, 61},
               {"xvf1A30.tmp", utf16, 61}};
  for (const auto& file : files) {
    WriteWholeFile(Plugins() + file.name, file.text);
    test::AgeFile(Plugins() + file.name, file.ageSeconds);
  }
  WriteWholeFile(File(), oldText);
  WriteWholeFile(File() + ".tmp", oldText);
  test::AgeFile(File() + ".tmp", 3600);
  SettingsStore store(platform);
  store.Load("XVF_Aspect");
  EXPECT_EQ(store.current.aspectMode, 2);
  store.current.aspectMode = 3;
  store.Save();
  EXPECT_EQ(Contents(), CanonicalText(1, 2, 3, "1"));
  std::string left;
  EXPECT_TRUE(ReadWholeFile(File() + ".tmp", &left) && left == oldText);
  auto names = FileNamesIn(Plugins());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"XVF_Aspect.ini", "XVF_Aspect.ini.tmp", "xvf1A2B.tmp", "xvf1A2D.tmp",
                                             "xvf1A2F.tmp", "xvf1A30.tmp"}));
}

}  // namespace
}  // namespace xvf
