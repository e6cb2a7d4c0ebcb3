#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rect.h"
#include "settings/ini_document.h"
#include "settings/settings_platform.h"
#include "settings/text_encoding.h"

namespace xvf {

// The settings in use. The dialog's thread writes the two fields and the
// frame thread reads them, each as one relaxed 32-bit access; copying a
// record reads and writes each field once.
struct SettingsRecord {
  std::atomic<int32_t> aspectMode{0};  // AspectMode 0..4 from the dialog; any value from the file
  std::atomic<int32_t> interlace{0};   // field flag 0 or 1 from the dialog; written unsigned

  SettingsRecord() = default;
  SettingsRecord(int32_t mode, int32_t fields) : aspectMode(mode), interlace(fields) {}
  SettingsRecord(const SettingsRecord& other);
  SettingsRecord& operator=(const SettingsRecord& other);
};

// Value type code of a descriptor row, 0..12; rows above 12 are skipped.
// The value lives as the type says; the 32-bit codes keep it in a
// std::atomic<int32_t>.
using SettingType = uint32_t;
constexpr SettingType kSettingByte = 0;      // uint8_t    atoi, low 8 bits    "%u"
constexpr SettingType kSettingShort = 1;     // int16_t    atoi, low 16 bits   "%d"
constexpr SettingType kSettingWord = 2;      // uint16_t   atoi, low 16 bits   "%u"
constexpr SettingType kSettingUShort = 3;    // uint16_t   atoi, low 16 bits   "%u"
constexpr SettingType kSettingUInt = 4;      // 32-bit     atoi                "%u"
constexpr SettingType kSettingDword = 5;     // 32-bit     atoi                "%u"
constexpr SettingType kSettingInt = 6;       // 32-bit     atoi                "%d"
constexpr SettingType kSettingULong = 7;     // 32-bit     atoi                "%u"
constexpr SettingType kSettingLong = 8;      // 32-bit     atoi                "%d"
constexpr SettingType kSettingUIntPtr = 9;   // 32-bit     atoi                "%u"
constexpr SettingType kSettingInt64 = 10;    // int64_t    _atoi64             signed decimal
constexpr SettingType kSettingUInt64 = 11;   // uint64_t   _atoi64             unsigned decimal
constexpr SettingType kSettingString = 12;   // std::string  the value text    unchanged
constexpr SettingType kSettingLastType = kSettingString;

struct SettingDescriptor {
  SettingType type;
  const char* key;            // INI key name
  void* value;                // where the value lives, of the type's storage
  int64_t defaultValue;       // used when the key is absent; narrow types take the low part
  const char* defaultText;    // the default of the string type (null reads as empty)
};

// The plug-in's settings: where the INI file is, its text, the values in use,
// the dialog position, and the snapshot taken while the dialog is open.
//
// Single instance: theSettingsStore (static storage, constructed when the
// module loads, destroyed when it unloads; destruction saves nothing).
// Load at Init, Save at Shutdown, Snapshot and Revert around the dialog.
// None of the operations throws or reports an error.
class SettingsStore {
 public:
  // platform gathers the location facts and does the file access; the
  // default is the build's own system (Win32 or POSIX).
  SettingsStore();
  explicit SettingsStore(SettingsPlatform& platform);
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Locates the file for moduleName (the plug-in module's file name without
  // folder and extension), reads it, and takes its values into use: dialog
  // position from "DIALOG", settingsTable from "COMMON" (defaults when
  // absent). A second Load replaces the values in use.
  void Load(const std::string& moduleName);

  // Writes DIALOG and COMMON with the values in use, only when the text
  // differs from the one loaded: into a temporary file beside it that then
  // replaces it (in place when no temporary file can be made, or when another
  // program held the file through every try), in the encoding the file was
  // read in. A symbolic link's target is replaced. A save that writes removes
  // what killed saves left beside the file.
  void Save();

  // records[0] = current, snapshot = records.
  void Snapshot();
  // records = snapshot, current = records[0]; nothing without a snapshot.
  void Revert();

  // The stored dialog position; -100, -100 means none.
  void GetDialogPos(int32_t* x, int32_t* y) const;
  // Keeps left and top of the dialog's window rectangle (screen coordinates).
  void SetDialogPos(const Rect& windowRect);

  // Steps of Load and Save, public for tests.
  void Locate();
  void LoadText();
  void StoreText();
  void ReadTable(const std::string& section, const SettingDescriptor* rows, size_t count);
  void WriteTable(const SettingDescriptor* rows, size_t count);

  SettingsRecord current;
  int32_t dlgPosX = 0;
  int32_t dlgPosY = 0;
  std::vector<SettingsRecord> records;   // records[0] is the one in use
  std::vector<SettingsRecord> snapshot;  // records as the dialog opened

  IniDocument ini;  // inText, cursor, inSize, outText, outLength, outCapacity, sectionStart, valueText

  // Location; empty until the first Locate that could query the system.
  std::string instance;    // host instance character, or empty (window titles use it)
  std::string directory;   // ends in a backslash
  std::string moduleName;
  std::string fileName;
  std::string path;

  // "AspectMode" (kSettingInt, default 0) and "Interlace" (kSettingUInt,
  // default 1) over current.
  SettingDescriptor settingsTable[2];
  static constexpr size_t kSettingsTableRows = 2;

  static constexpr int32_t kNoDialogPos = -100;

  // A rename refused while another program holds the file: tried this many
  // times in all, waiting 25 ms longer before each retry (1125 ms in all).
  static constexpr uint32_t kReplaceTries = 10;
  static constexpr uint32_t kReplaceRetryStepMs = 25;

 private:
  ReplaceResult ReplaceWhenFree(const std::string& temporary, const std::string& target);
  void WriteInPlace(const std::string& target, const uint8_t* text, size_t length);
  void RemoveLeftovers(const std::string& folder);

  SettingsPlatform* platform_;
  std::string requestedModule_;  // the base name Load received; Locate makes it moduleName
  // The file could not be opened or read, or Load failed part-way: its
  // values are unknown, so it is not saved over until a Load succeeds.
  bool inReadFailed_ = false;
  // The file's encoding as loaded; it is written back in it. loadedFile_
  // holds the file's bytes when they are not the text itself (a mark or
  // UTF-16), to put back after a failed write in place.
  TextEncoding encoding_ = TextEncoding::kAnsi;
  std::vector<uint8_t> loadedFile_;
};

extern SettingsStore theSettingsStore;

}  // namespace xvf
