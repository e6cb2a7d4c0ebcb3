#include "settings/settings_store.h"

#include "settings/held_retry.h"
#include "settings/number_text.h"
#include "settings/saved_text.h"
#include "settings/temporary_name.h"
#include "settings/text_encoding.h"

namespace xvf {

SettingsStore theSettingsStore;

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

}  // namespace

SettingsRecord::SettingsRecord(const SettingsRecord& other)
    : aspectMode(other.aspectMode.load(kRelaxed)), interlace(other.interlace.load(kRelaxed)) {}

SettingsRecord& SettingsRecord::operator=(const SettingsRecord& other) {
  aspectMode.store(other.aspectMode.load(kRelaxed), kRelaxed);
  interlace.store(other.interlace.load(kRelaxed), kRelaxed);
  return *this;
}

SettingsStore::SettingsStore() : SettingsStore(SystemSettingsPlatform()) {}

// Key names, sections ("DIALOG", "COMMON") and the table's types and
// defaults are those of every stored file: fixed, case-sensitive.
SettingsStore::SettingsStore(SettingsPlatform& platform)
    : settingsTable{{kSettingInt, "AspectMode", &current.aspectMode, 0, nullptr},
                    {kSettingUInt, "Interlace", &current.interlace, 1, nullptr}},
      platform_(&platform) {}

void SettingsStore::Locate() {
  LocationFacts facts;
  // Without the OS version the location stays as it was (empty at first).
  if (!platform_->GatherFacts(&facts)) return;
  location_ = ComputeLocation(facts, requestedModule_);
  // Only "Plugins": the host owns the instance and user folders, and
  // nothing is stored until they exist.
  const std::string& directory = location_.directory;
  if (!directory.empty()) platform_->CreateFolder(directory.substr(0, directory.size() - 1));
}

void SettingsStore::LoadText() {
  ini.LoadText(std::vector<uint8_t>());
  inReadFailed_ = false;
  encoding_ = TextEncoding::kAnsi;
  loadedFile_.clear();
  if (location_.path.empty()) return;
  std::vector<uint8_t> bytes;
  switch (RetryWhileHeld(*platform_, [&] { return platform_->ReadOrCreate(location_.path, &bytes); })) {
    case ReadResult::kRead:
      encoding_ = SettingsTextEncoding(bytes);
      if (encoding_ == TextEncoding::kAnsi) {
        ini.LoadText(std::move(bytes));
      } else {
        ini.LoadText(DecodeSettingsText(bytes, encoding_));
        loadedFile_ = std::move(bytes);
      }
      break;
    case ReadResult::kCannotOpen:  // no rights, or held through every try: its settings are unknown
    case ReadResult::kReadFailed:
    case ReadResult::kHeld:
      inReadFailed_ = true;
      break;
  }
}

void SettingsStore::StoreText() {
  // A file that could not be read is not replaced by defaults.
  if (inReadFailed_ || location_.path.empty() || !ini.OutputChanged()) return;
  // A link is followed: its target is replaced, the link kept. A link to
  // nothing is a file that cannot be written: nothing is created.
  std::string target;
  if (!platform_->FollowLinks(location_.path, &target)) return;
  const std::string folder = target.substr(0, target.rfind('\\') + 1);
  RemoveLeftovers(folder);
  // Written back in the encoding it was read in; ANSI text is the file as it is.
  const bool ansi = encoding_ == TextEncoding::kAnsi;
  const std::vector<uint8_t> encoded =
      ansi ? std::vector<uint8_t>() : EncodeSettingsText(ini.outText.data(), ini.outLength, encoding_);
  const uint8_t* text = ansi ? ini.outText.data() : encoded.data();
  const size_t length = ansi ? ini.outLength : encoded.size();
  std::string temporary;
  if (!platform_->CreateTemporary(folder, &temporary)) {
    // No temporary file can be made here: written in place rather than lost.
    WriteInPlace(target, text, length);
    return;
  }
  // Written beside the file, then put in its place: a failure at any step
  // leaves the old file whole and our temporary file removed.
  ReplaceResult replaced = ReplaceResult::kFailed;
  try {
    if (platform_->WriteWhole(temporary, text, length)) replaced = ReplaceWhenFree(temporary, target);
  } catch (...) {
    platform_->Remove(temporary);
    throw;
  }
  if (replaced == ReplaceResult::kReplaced) return;
  platform_->Remove(temporary);
  // Still held after every try: a holder that lets others write (a scanner,
  // a backup) takes the text in place; one that does not keeps the old file.
  if (replaced == ReplaceResult::kHeld) WriteInPlace(target, text, length);
}

ReplaceResult SettingsStore::ReplaceWhenFree(const std::string& temporary, const std::string& target) {
  return RetryWhileHeld(*platform_, [&] { return platform_->Replace(temporary, target); });
}

void SettingsStore::WriteInPlace(const std::string& target, const uint8_t* text, size_t length) {
  // A write that failed part-way puts the file's bytes as loaded back.
  const std::vector<uint8_t>& loaded = encoding_ == TextEncoding::kAnsi ? ini.inText : loadedFile_;
  if (!platform_->WriteWhole(target, text, length)) platform_->WriteWhole(target, loaded.data(), loaded.size());
}

void SettingsStore::RemoveLeftovers(const std::string& folder) {
  // Only what a save of this file writes, whole, in its encoding, last
  // written over a minute ago and held open by nobody: a save that died
  // before its rename. Another save's file (of this or any other file in the
  // folder) between its write and its rename is younger; a cut, larger or
  // foreign file is not ours. A larger file is not even read.
  const size_t largest = LargestSavedText(encoding_);
  std::vector<uint8_t> bytes;
  for (const std::string& name : platform_->TemporaryNamesIn(folder)) {
    if (!IsTemporaryFileName(name)) continue;
    if (platform_->ReadLeftover(folder + name, largest, kLeftoverAgeSeconds, &bytes) &&
        IsWholeSavedText(bytes, encoding_))
      platform_->Remove(folder + name);
  }
}

void SettingsStore::Load(const std::string& module) {
  try {
    requestedModule_ = module;
    Locate();
    LoadText();
    dlgPosX = ini.FindValue("DIALOG", "DlgWndPosX", ini.valueText) ? ParseInt32(ini.valueText) : kNoDialogPos;
    dlgPosY = ini.FindValue("DIALOG", "DlgWndPosY", ini.valueText) ? ParseInt32(ini.valueText) : kNoDialogPos;
    // DEFAULT never decides a value: COMMON assigns every row again.
    ReadTable(ini, "DEFAULT", settingsTable, kSettingsTableRows);
    ReadTable(ini, "COMMON", settingsTable, kSettingsTableRows);
    // The record just read is the one in use, at every Load.
    records.assign(1, current);
    current = records.front();
  } catch (...) {
    // Out of memory part-way: the file's values are unknown, as for a file
    // that could not be opened, so it is not saved over.
    inReadFailed_ = true;
  }
}

void SettingsStore::Save() {
  try {
    if (!ini.ResetOutput()) return;
    if (records.empty()) records.emplace_back();
    records.front() = current;
    ini.WriteSection("DIALOG");
    ini.WriteKey("DlgWndPosX", FormatSigned(dlgPosX));
    ini.WriteKey("DlgWndPosY", FormatSigned(dlgPosY));
    ini.WriteSection("COMMON");
    WriteTable(ini, settingsTable, kSettingsTableRows);
    StoreText();
  } catch (...) {
    // Out of memory: nothing written.
  }
}

void SettingsStore::Snapshot() {
  try {
    if (records.empty()) records.emplace_back();
    records.front() = current;
    snapshot = records;
  } catch (...) {
  }
}

void SettingsStore::Revert() {
  if (snapshot.empty()) return;
  try {
    records = snapshot;
    current = records.front();
  } catch (...) {
  }
}

void SettingsStore::GetDialogPos(int32_t* x, int32_t* y) const {
  if (x) *x = dlgPosX;
  if (y) *y = dlgPosY;
}

void SettingsStore::SetDialogPos(const Rect& windowRect) {
  dlgPosX = windowRect.left;
  dlgPosY = windowRect.top;
}

}  // namespace xvf
