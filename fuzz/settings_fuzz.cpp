// libFuzzer target for the INI document and the settings store. The first
// byte chooses file faults and the instance switch, the second the allocation
// that fails inside Load and Save, the rest is the settings file's bytes. The
// store runs over an in-memory file system.
//
// Checked: after Save the file holds the old text or the new text, whole; a
// file whose values Load could not learn (read error, allocation failure) is
// never saved over; no temporary file is left, and the user's own
// "XVF_Aspect.ini.tmp" is untouched.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "settings/ini_document.h"
#include "settings/number_text.h"
#include "settings/settings_store.h"
#include "settings/text_encoding.h"

namespace {

// Allocation failures: counted from when armed, the allocation failAt fails,
// every later one too when failLater is set. Paused inside the file system
// operations that allocate nothing on a real system.
bool theArmed = false;
int32_t theIndex = 0;
int32_t theFailAt = -1;
bool theFailLater = false;
int32_t theFailures = 0;

bool FailThisAllocation() {
  if (!theArmed) return false;
  const int32_t index = theIndex++;
  const bool fail = index == theFailAt || (theFailLater && index > theFailAt);
  theFailures += fail;
  return fail;
}

}  // namespace

void* operator new(size_t size) {
  if (FailThisAllocation()) throw std::bad_alloc();
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return FailThisAllocation() ? nullptr : std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }

namespace {

using xvf::IniDocument;
using xvf::LocationFacts;
using xvf::ReadResult;
using xvf::SettingsPlatform;
using xvf::SettingsStore;

[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "settings_fuzz.cpp:%d: %s\n", line, condition);
  std::abort();
}
#define Check(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

class Unarmed {
 public:
  Unarmed() : was_(theArmed) { theArmed = false; }
  ~Unarmed() { theArmed = was_; }

 private:
  bool was_;
};

struct MemoryFile {
  std::vector<uint8_t> bytes;
  bool readOnly = false;
};

class MemoryPlatform final : public SettingsPlatform {
 public:
  std::map<std::string, MemoryFile> files;
  std::string commandLine;
  bool versionFails = false, failRead = false, noTemporary = false, failWrite = false, failReplace = false;
  int writes = 0;
  uint32_t nextTemporary = 0;

  bool GatherFacts(LocationFacts* facts) override {
    if (versionFails) return false;
    facts->platformId = 2;
    facts->hostPath = "C:\\Quillvox\\Quillvox.exe";
    facts->commandLine = commandLine;
    return true;
  }
  void CreateFolder(const std::string&) override {}
  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    if (path.empty()) return ReadResult::kCannotOpen;
    try {
      *bytes = files[path].bytes;
    } catch (const std::bad_alloc&) {
      return ReadResult::kReadFailed;
    }
    if (failRead) {
      bytes->clear();
      return ReadResult::kReadFailed;
    }
    return ReadResult::kRead;
  }
  bool FollowLinks(const std::string& path, std::string* target) override { *target = path; return true; }
  std::vector<std::string> TemporaryNamesIn(const std::string&) override { return {}; }
  bool ReadLeftover(const std::string&, size_t, uint32_t, std::vector<uint8_t>*) override { return false; }
  void Pause(uint32_t) override {}
  bool CreateTemporary(const std::string& folder, std::string* temporary) override {
    if (noTemporary) return false;
    char name[16];
    std::snprintf(name, sizeof(name), "xvf%04X.tmp", unsigned(nextTemporary++ & 0xFFFF));
    std::string path = folder + name;  // may fail before any file exists
    if (files.count(path)) return false;
    files.emplace(path, MemoryFile());
    *temporary = std::move(path);
    return true;
  }
  bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) override {
    Unarmed unarmed;
    ++writes;
    MemoryFile& file = files[path];
    if (file.readOnly) return false;
    // The disk fills half-way through the first write.
    file.bytes.assign(data, data + (failWrite ? size / 2 : size));
    const bool ok = !failWrite;
    failWrite = false;
    return ok;
  }
  xvf::ReplaceResult Replace(const std::string& from, const std::string& to) override {
    Unarmed unarmed;
    if (failReplace || files.count(from) == 0 || (files.count(to) && files[to].readOnly))
      return xvf::ReplaceResult::kFailed;
    files[to].bytes = files[from].bytes;
    files.erase(from);
    return xvf::ReplaceResult::kReplaced;
  }
  void Remove(const std::string& path) override {
    Unarmed unarmed;
    files.erase(path);
  }
};

void DriveDocument(const uint8_t* data, size_t size) {
  IniDocument doc;
  doc.LoadText(data, size);
  std::string line;
  size_t lines = 0;
  while (doc.ReadLine(line)) {
    Check(doc.cursor <= doc.inSize);
    ++lines;
  }
  Check(doc.cursor == doc.inSize && lines <= size);

  // The first line's text also serves as a section and key name. Each
  // lookup walks the text from the last header found, so sections taken in
  // turn reach every start of the circular search.
  doc.cursor = 0;
  doc.ReadLine(line);
  const std::string sections[] = {"COMMON", "DIALOG", line, ""};
  const std::string keys[] = {"AspectMode", "DlgWndPosX", line, ""};
  std::string value;
  for (const std::string& section : sections) {
    for (const std::string& key : keys) {
      if (doc.FindValue(section, key, value)) Check(!value.empty());
      Check(doc.inSize == 0 || doc.sectionStart < doc.inSize);
      xvf::ParseInt32(value);
      xvf::ParseInt64(value);
    }
  }
}

// The values in use and the dialog position.
std::array<int32_t, 4> Values(const SettingsStore& store) {
  std::array<int32_t, 4> values = {store.current.aspectMode, store.current.interlace, 0, 0};
  store.GetDialogPos(&values[2], &values[3]);
  return values;
}

// The values a fresh store reads from the platform's file equal store's.
void CheckReadsBack(MemoryPlatform& platform, const SettingsStore& store) {
  SettingsStore again(platform);
  again.Load("XVF_Aspect");
  Check(Values(again) == Values(store));
  const int writes = platform.writes;
  again.Save();
  Check(platform.writes == writes);
}

void DriveStore(uint8_t mode, uint8_t allocation, const uint8_t* data, size_t size) {
  MemoryPlatform platform;
  platform.versionFails = (mode & 0x03) == 0x03;
  platform.noTemporary = (mode & 0x03) == 0x01;
  const bool readOnly = (mode & 0x03) == 0x02;
  platform.failRead = (mode & 0x0C) == 0x04;
  platform.failWrite = (mode & 0x0C) == 0x08;
  platform.failReplace = (mode & 0x0C) == 0x0C;
  static const char* const kCommandLines[] = {"q.exe", "q.exe -inst:", "q.exe /INST:Z", "q.exe -inst:3 /inst:"};
  platform.commandLine = kCommandLines[(mode >> 4) & 3];
  const std::vector<uint8_t> original(data, data + size);

  SettingsStore store(platform);
  store.Load("XVF_Aspect");
  if (platform.versionFails) {
    Check(store.location().path.empty());
    store.Save();
    Check(platform.writes == 0);
    return;
  }
  const std::string file = store.location().path;
  const std::string users = file + ".tmp";
  const std::vector<uint8_t> usersBytes = {'m', 'i', 'n', 'e'};
  platform.files[file] = MemoryFile{original, readOnly};
  platform.files[users] = MemoryFile{usersBytes, false};

  theIndex = 0;
  theFailAt = allocation == 0 ? -1 : (allocation - 1) & 0x7F;
  theFailLater = allocation != 0 && ((allocation - 1) & 0x80) != 0;
  theFailures = 0;
  theArmed = allocation != 0;
  store.Load("XVF_Aspect");
  const int32_t loadFailures = theFailures;
  theArmed = false;
  if (loadFailures == 0) {
    // A second Load takes the file's values into use, as a first one does.
    SettingsStore first(platform);
    first.Load("XVF_Aspect");
    Check(Values(first) == Values(store));
  }
  if (mode & 0x40) {
    store.Snapshot();
    store.current.aspectMode = int32_t(size);
    if (mode & 0x80) store.Revert();
  }
  const bool writeFails = platform.failWrite;  // one write only: a write in place is then undone
  theFailures = 0;
  theArmed = allocation != 0;
  store.Save();
  const int32_t saveFailures = theFailures;
  theArmed = false;

  Check(platform.files[users].bytes == usersBytes);
  Check(platform.files.size() == 2);  // no temporary file left
  const std::vector<uint8_t>& saved = platform.files[file].bytes;
  const bool unread = platform.failRead || loadFailures > 0;
  // Without a temporary file nothing is replaced: the text is written in place.
  const bool replaceFails = platform.failReplace && !platform.noTemporary;
  if (unread || readOnly || replaceFails || writeFails) {
    Check(saved == original);
    return;
  }
  if (saved == original && saveFailures > 0) return;
  // The new text, whole, in the file's encoding: it reads back to the values
  // saved, and is then left alone.
  const std::vector<uint8_t> text = xvf::DecodeSettingsText(saved, xvf::SettingsTextEncoding(saved));
  Check(text.size() >= 2 && text[text.size() - 2] == '\r' && text.back() == '\n');
  CheckReadsBack(platform, store);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  DriveDocument(data + 2, size - 2);
  DriveStore(data[0], data[1], data + 2, size - 2);
  return 0;
}
