#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_platform.h"
#include "settings/settings_store.h"

namespace xvf::test {

// A fresh folder under the system's temporary folder, removed with its
// contents at destruction. Paths are in the store's form (backslashes).
class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& root() const { return root_; }  // ends in a backslash

 private:
  std::string root_;
};

// File helpers over store-form paths.
bool ReadWholeFile(const std::string& path, std::string* text);
void WriteWholeFile(const std::string& path, const std::string& text);
bool PathExists(const std::string& path);
void MakeFolders(const std::string& folder);  // with its missing parents
std::vector<std::string> FileNamesIn(const std::string& folder);

// The system's own platform with the location facts given by the test and
// file failures injected on request; counts what reached the disk.
class TestPlatform : public SettingsPlatform {
 public:
  LocationFacts facts;
  bool versionFails = false;
  // What a read of an existing file gives: kReadFailed when it opens but
  // reading fails, kCannotOpen when it cannot be opened, kHeld when another
  // program holds it.
  ReadResult readFault = ReadResult::kRead;
  bool noTemporary = false;    // no temporary file can be made in the folder
  bool failWrite = false;      // the disk fills half-way through the next write
  bool failReplace = false;    // the swap into place fails
  int writes = 0;
  int replaces = 0;
  uint32_t pausedMs = 0;   // waited before retries

  bool GatherFacts(LocationFacts* out) override;
  void CreateFolder(const std::string& folder) override;
  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override;
  bool FollowLinks(const std::string& path, std::string* to) override { return system_.FollowLinks(path, to); }
  std::vector<std::string> TemporaryNamesIn(const std::string& f) override { return system_.TemporaryNamesIn(f); }
  bool ReadLeftover(const std::string& p, size_t largest, uint32_t age, std::vector<uint8_t>* b) override {
    return system_.ReadLeftover(p, largest, age, b);
  }
  bool CreateTemporary(const std::string& folder, std::string* temporary) override;
  bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) override;
  ReplaceResult Replace(const std::string& from, const std::string& to) override;
  void Remove(const std::string& path) override;
  void Pause(uint32_t ms) override { pausedMs += ms; system_.Pause(ms); }

 private:
  SettingsPlatform& system_ = SystemSettingsPlatform();
};

// Sets path's last write back by seconds: a file left that long ago.
void AgeFile(const std::string& path, int seconds);

// Two stores, each on a thread of its own through the system's platform,
// save `saves` different texts each to "XvfLeft.ini" and "XvfRight.ini" in
// the folder facts locate; how many saves were not in their file right
// after they returned.
int SavesLostBySideBySideStores(const LocationFacts& facts, int saves);

// The store's dialog position as (x, y).
std::pair<int32_t, int32_t> DialogPos(const SettingsStore& store);

// The text the store writes for these values.
std::string CanonicalText(int32_t x, int32_t y, int32_t mode, const std::string& interlace);

}  // namespace xvf::test
