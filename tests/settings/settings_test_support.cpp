#include "tests/settings/settings_test_support.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace xvf::test {
namespace fs = std::filesystem;

namespace {

std::string ToNative(std::string path) {
#ifndef _WIN32
  for (char& c : path)
    if (c == '\\') c = '/';
#endif
  return path;
}

std::string FromNative(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

TestFolder::TestFolder() {
  std::random_device entropy;
  static std::atomic<unsigned> serial{0};
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    const fs::path candidate =
        base / ("xvf-settings-" + std::to_string(entropy()) + "-" + std::to_string(serial++));
    if (fs::create_directory(candidate)) {
      root_ = FromNative(candidate.string()) + "\\";
      return;
    }
  }
}

TestFolder::~TestFolder() {
  std::error_code ignored;
  fs::remove_all(ToNative(root_), ignored);
}

bool ReadWholeFile(const std::string& path, std::string* text) {
  std::ifstream file(ToNative(path), std::ios::binary);
  if (!file) return false;
  text->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  std::error_code ignored;
  fs::create_directories(fs::path(ToNative(path)).parent_path(), ignored);
  std::ofstream file(ToNative(path), std::ios::binary | std::ios::trunc);
  file << text;
}

bool PathExists(const std::string& path) { return fs::exists(ToNative(path)); }

void MakeFolders(const std::string& folder) {
  std::error_code ignored;
  fs::create_directories(ToNative(folder), ignored);
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(ToNative(folder), ignored))
    names.push_back(entry.path().filename().string());
  return names;
}

bool TestPlatform::GatherFacts(LocationFacts* out) {
  if (versionFails) return false;
  *out = facts;
  return true;
}

void TestPlatform::CreateFolder(const std::string& folder) { system_.CreateFolder(folder); }

ReadResult TestPlatform::ReadOrCreate(const std::string& path, std::vector<uint8_t>* bytes) {
  const ReadResult result = system_.ReadOrCreate(path, bytes);
  if (readFault != ReadResult::kRead && result == ReadResult::kRead) {
    bytes->clear();
    return readFault;
  }
  return result;
}

bool TestPlatform::CreateTemporary(const std::string& folder, std::string* temporary) {
  return !noTemporary && system_.CreateTemporary(folder, temporary);
}

bool TestPlatform::WriteWhole(const std::string& path, const uint8_t* data, size_t size) {
  ++writes;
  if (failWrite) {
    failWrite = false;
    system_.WriteWhole(path, data, size / 2);
    return false;
  }
  return system_.WriteWhole(path, data, size);
}

ReplaceResult TestPlatform::Replace(const std::string& from, const std::string& to) {
  ++replaces;
  if (failReplace) return ReplaceResult::kFailed;
  return system_.Replace(from, to);
}

void TestPlatform::Remove(const std::string& path) { system_.Remove(path); }

void AgeFile(const std::string& path, int seconds) {
  std::error_code ignored;
  const fs::path file = ToNative(path);
  fs::last_write_time(file, fs::last_write_time(file, ignored) - std::chrono::seconds(seconds), ignored);
}

int SavesLostBySideBySideStores(const LocationFacts& facts, int saves) {
  std::atomic<int> lost{0};
  const auto Saving = [&](const char* module) {
    TestPlatform platform;
    platform.facts = facts;
    SettingsStore store(platform);
    store.Load(module);
    for (int32_t save = 1; save <= saves; ++save) {
      store.SetDialogPos(Rect{save, 0, save + 100, 100});
      store.Save();
      std::string text;
      lost += !ReadWholeFile(store.location().path, &text) || text != CanonicalText(save, 0, 0, "1");
    }
  };
  std::thread left(Saving, "XvfLeft");
  std::thread right(Saving, "XvfRight");
  left.join();
  right.join();
  return lost;
}

std::pair<int32_t, int32_t> DialogPos(const SettingsStore& store) {
  std::pair<int32_t, int32_t> pos;
  store.GetDialogPos(&pos.first, &pos.second);
  return pos;
}

std::string CanonicalText(int32_t x, int32_t y, int32_t mode, const std::string& interlace) {
  return "[DIALOG]\r\nDlgWndPosX=" + std::to_string(x) + "\r\nDlgWndPosY=" + std::to_string(y) +
         "\r\n[COMMON]\r\nAspectMode=" + std::to_string(mode) + "\r\nInterlace=" + interlace + "\r\n";
}

}  // namespace xvf::test
