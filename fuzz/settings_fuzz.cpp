// libFuzzer target for the INI document and the settings store. The first
// byte chooses injected failures and the instance switch, the rest is the
// settings file's bytes. The store runs over an in-memory file system.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "settings/ini_document.h"
#include "settings/number_text.h"
#include "settings/settings_store.h"

namespace {

using xvf::IniDocument;
using xvf::LocationFacts;
using xvf::ReadResult;
using xvf::SettingsPlatform;
using xvf::SettingsStore;

void Check(bool condition) {
  if (!condition) std::abort();
}

class MemoryPlatform final : public SettingsPlatform {
 public:
  std::map<std::string, std::vector<uint8_t>> files;
  std::string commandLine;
  bool versionFails = false, failRead = false, failWrite = false, failReplace = false;
  int writes = 0;

  bool GatherFacts(LocationFacts* facts) override {
    if (versionFails) return false;
    facts->platformId = 2;
    facts->hostPath = "C:\\Quillvox\\Quillvox.exe";
    facts->commandLine = commandLine;
    return true;
  }
  void CreateFolder(const std::string&) override {}
  ReadResult ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) override {
    if (path.empty()) return ReadResult::kCannotOpen;
    *bytes = files[path];
    if (failRead) {
      bytes->clear();
      return ReadResult::kReadFailed;
    }
    return ReadResult::kRead;
  }
  bool WriteNew(const std::string& path, const uint8_t* data, size_t size) override {
    ++writes;
    files[path].assign(data, data + (failWrite ? size / 2 : size));
    return !failWrite;
  }
  bool Replace(const std::string& from, const std::string& to) override {
    if (failReplace || files.count(from) == 0) return false;
    files[to] = files[from];
    files.erase(from);
    return true;
  }
  void Remove(const std::string& path) override { files.erase(path); }
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

  // The first line's text also serves as a section and key name.
  doc.cursor = 0;
  doc.ReadLine(line);
  const std::string names[] = {"COMMON", "DIALOG", "DEFAULT", "AspectMode", "Interlace", "DlgWndPosX", line, ""};
  std::string value;
  for (const std::string& section : names) {
    for (const std::string& key : names) {
      if (doc.FindValue(section, key, value)) Check(!value.empty());
      Check(doc.inSize == 0 || doc.sectionStart < doc.inSize);
      xvf::ParseInt32(value);
      xvf::ParseInt64(value);
    }
  }
}

void DriveStore(uint8_t mode, const uint8_t* data, size_t size) {
  MemoryPlatform platform;
  platform.versionFails = (mode & 0x01) != 0 && (mode & 0x02) != 0;
  platform.failRead = (mode & 0x0C) == 0x04;
  platform.failWrite = (mode & 0x0C) == 0x08;
  platform.failReplace = (mode & 0x0C) == 0x0C;
  static const char* const kCommandLines[] = {"q.exe", "q.exe -inst:", "q.exe /INST:Z", "q.exe -inst:3 /inst:"};
  platform.commandLine = kCommandLines[(mode >> 4) & 3];
  const std::vector<uint8_t> original(data, data + size);

  SettingsStore store(platform);
  store.Load("XVF_Aspect");
  if (platform.versionFails) {
    Check(store.path.empty());
    store.Save();
    Check(platform.writes == 0);
    return;
  }
  const std::string file = store.path;
  platform.files[file] = original;
  store.Load("XVF_Aspect");
  Check(store.records.size() == 1);
  if (mode & 0x40) {
    store.Snapshot();
    store.current.aspectMode = int32_t(size);
    if (mode & 0x80) store.Revert();
  }
  store.Save();

  const bool failed = platform.failRead || platform.failWrite || platform.failReplace;
  if (failed) {
    // The old file is whole and no temporary file is left.
    Check(platform.files[file] == original);
    Check(platform.files.count(file + ".tmp") == 0);
    return;
  }
  // What was saved reads back to the same values and is then left alone.
  SettingsStore again(platform);
  again.Load("XVF_Aspect");
  Check(again.current.aspectMode == store.current.aspectMode);
  Check(again.current.interlace == store.current.interlace);
  Check(again.dlgPosX == store.dlgPosX && again.dlgPosY == store.dlgPosY);
  const int writes = platform.writes;
  again.Save();
  Check(platform.writes == writes);
  const std::vector<uint8_t>& saved = platform.files[file];
  Check(saved.size() >= 2 && saved[saved.size() - 2] == '\r' && saved.back() == '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  DriveDocument(data + 1, size - 1);
  DriveStore(data[0], data + 1, size - 1);
  return 0;
}
