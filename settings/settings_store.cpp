#include "settings/settings_store.h"

#include "settings/number_text.h"
#include "settings/saved_text.h"
#include "settings/settings_location.h"
#include "settings/temporary_name.h"
#include "settings/text_encoding.h"

namespace xvf {

SettingsStore theSettingsStore;

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

std::atomic<int32_t>& Atomic32(const SettingDescriptor& row) {
  return *static_cast<std::atomic<int32_t>*>(row.value);
}

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
  SettingsLocation location = ComputeLocation(facts, requestedModule_);
  instance = std::move(location.instance);
  moduleName = std::move(location.moduleName);
  directory = std::move(location.directory);
  fileName = std::move(location.fileName);
  path = std::move(location.path);
  // Only "Plugins": the host owns the instance and user folders, and
  // nothing is stored until they exist.
  if (!directory.empty()) platform_->CreateFolder(directory.substr(0, directory.size() - 1));
}

void SettingsStore::LoadText() {
  ini.LoadText(std::vector<uint8_t>());
  inReadFailed_ = false;
  encoding_ = TextEncoding::kAnsi;
  loadedFile_.clear();
  if (path.empty()) return;
  std::vector<uint8_t> bytes;
  switch (platform_->ReadOrCreate(path, &bytes)) {
    case ReadResult::kRead:
      encoding_ = SettingsTextEncoding(bytes);
      if (encoding_ == TextEncoding::kAnsi) {
        ini.LoadText(std::move(bytes));
      } else {
        ini.LoadText(DecodeSettingsText(bytes, encoding_));
        loadedFile_ = std::move(bytes);
      }
      break;
    case ReadResult::kCannotOpen:  // held open elsewhere, no rights: its settings are unknown
    case ReadResult::kReadFailed:
      inReadFailed_ = true;
      break;
  }
}

void SettingsStore::StoreText() {
  // A file that could not be read is not replaced by defaults.
  if (inReadFailed_ || path.empty() || !ini.OutputChanged()) return;
  // A link is followed: its target is replaced, the link kept. A link to
  // nothing is a file that cannot be written: nothing is created.
  std::string target;
  if (!platform_->FollowLinks(path, &target)) return;
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
  ReplaceResult result = platform_->Replace(temporary, target);
  for (uint32_t retry = 1; retry < kReplaceTries && result == ReplaceResult::kHeld; ++retry) {
    platform_->Pause(retry * kReplaceRetryStepMs);
    result = platform_->Replace(temporary, target);
  }
  return result;
}

void SettingsStore::WriteInPlace(const std::string& target, const uint8_t* text, size_t length) {
  // A write that failed part-way puts the file's bytes as loaded back.
  const std::vector<uint8_t>& loaded = encoding_ == TextEncoding::kAnsi ? ini.inText : loadedFile_;
  if (!platform_->WriteWhole(target, text, length)) platform_->WriteWhole(target, loaded.data(), loaded.size());
}

void SettingsStore::RemoveLeftovers(const std::string& folder) {
  // Only a whole file of ours that nobody holds open: a save killed after it
  // wrote its temporary file; a cut or foreign file stays. Only a save that
  // writes cleans: another host's save of this file at this moment, between
  // its write and its rename, would give way to this one's text anyway.
  std::vector<uint8_t> bytes;
  for (const std::string& name : platform_->TemporaryNamesIn(folder)) {
    if (!IsTemporaryFileName(name)) continue;
    if (platform_->ReadUnshared(folder + name, &bytes) && IsWholeSavedText(bytes)) platform_->Remove(folder + name);
  }
}

void SettingsStore::ReadTable(const std::string& section, const SettingDescriptor* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const SettingDescriptor& row = rows[i];
    if (row.type > kSettingLastType) continue;
    const bool found = ini.FindValue(section, row.key, ini.valueText);
    if (row.type == kSettingString) {
      *static_cast<std::string*>(row.value) =
          found ? ini.valueText : std::string(row.defaultText ? row.defaultText : "");
      continue;
    }
    const int64_t number = !found                       ? row.defaultValue
                           : row.type >= kSettingInt64  ? ParseInt64(ini.valueText)
                                                        : int64_t(ParseInt32(ini.valueText));
    const uint64_t bits = uint64_t(number);
    switch (row.type) {
      case kSettingByte:
        *static_cast<uint8_t*>(row.value) = uint8_t(bits);
        break;
      case kSettingShort:
        *static_cast<int16_t*>(row.value) = int16_t(uint16_t(bits));
        break;
      case kSettingWord:
      case kSettingUShort:
        *static_cast<uint16_t*>(row.value) = uint16_t(bits);
        break;
      case kSettingInt64:
        *static_cast<int64_t*>(row.value) = number;
        break;
      case kSettingUInt64:
        *static_cast<uint64_t*>(row.value) = bits;
        break;
      default: {  // the 32-bit codes, kSettingUInt to kSettingUIntPtr
        const uint32_t low = uint32_t(bits);
        Atomic32(row).store(low <= 0x7FFFFFFFu ? int32_t(low) : -int32_t(~low) - 1, kRelaxed);
        break;
      }
    }
  }
}

void SettingsStore::WriteTable(const SettingDescriptor* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const SettingDescriptor& row = rows[i];
    if (row.type > kSettingLastType) continue;
    switch (row.type) {
      case kSettingByte:
        ini.valueText = FormatUnsigned(*static_cast<const uint8_t*>(row.value));
        break;
      case kSettingShort:
        ini.valueText = FormatSigned(*static_cast<const int16_t*>(row.value));
        break;
      case kSettingWord:
      case kSettingUShort:
        ini.valueText = FormatUnsigned(*static_cast<const uint16_t*>(row.value));
        break;
      case kSettingInt:
      case kSettingLong:
        ini.valueText = FormatSigned(Atomic32(row).load(kRelaxed));
        break;
      case kSettingInt64:
        ini.valueText = FormatSigned(*static_cast<const int64_t*>(row.value));
        break;
      case kSettingUInt64:
        ini.valueText = FormatUnsigned(*static_cast<const uint64_t*>(row.value));
        break;
      case kSettingString:
        ini.valueText = *static_cast<const std::string*>(row.value);
        break;
      default:  // kSettingUInt, kSettingDword, kSettingULong, kSettingUIntPtr
        ini.valueText = FormatUnsigned(uint32_t(Atomic32(row).load(kRelaxed)));
        break;
    }
    ini.WriteKey(row.key, ini.valueText);
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
    ReadTable("DEFAULT", settingsTable, kSettingsTableRows);
    ReadTable("COMMON", settingsTable, kSettingsTableRows);
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
    WriteTable(settingsTable, kSettingsTableRows);
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
