#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rect.h"
#include "settings/ini_document.h"
#include "settings/setting_table.h"
#include "settings/settings_location.h"
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
  // folder and extension), reads it (letting others read and write it
  // meanwhile; a file another program holds is tried again for up to
  // 1125 ms, as a save's rename is), and takes its values into use: dialog
  // position from "DIALOG", aspect mode and field flag from "COMMON"
  // (defaults when absent). A second Load replaces the values in use.
  void Load(const std::string& moduleName);

  // Writes DIALOG and COMMON with the values in use, only when the text
  // differs from the one loaded: into a temporary file beside it that then
  // replaces it (in place when no temporary file can be made, or when another
  // program held the file through every try), in the encoding the file was
  // read in. A symbolic link's target is replaced. A save that writes removes
  // what killed saves left beside the file, never another save's file.
  void Save();

  // Keeps a copy of the values in use (the dialog opens).
  void Snapshot();
  // Takes the copy of the last Snapshot into use again; nothing without one.
  void Revert();

  // The stored dialog position; -100, -100 means none.
  void GetDialogPos(int32_t* x, int32_t* y) const;
  // Keeps left and top of the dialog's window rectangle (screen coordinates).
  void SetDialogPos(const Rect& windowRect);

  // Where the last Load that could query the system found the file (empty
  // before); only the instance when no file could be named. Window titles
  // use the instance.
  const SettingsLocation& location() const { return location_; }

  // The settings in use: the dialog writes them, the frame pass reads them.
  SettingsRecord current;

 private:
  // Steps of Load and Save.
  void Locate();
  void LoadText();
  void StoreText();
  ReplaceResult ReplaceWhenFree(const std::string& temporary, const std::string& target);
  void WriteInPlace(const std::string& target, const uint8_t* text, size_t length);
  void RemoveLeftovers(const std::string& folder);

  static constexpr int32_t kNoDialogPos = -100;
  static constexpr size_t kSettingsTableRows = 2;
  // No save lasts this long between writing its temporary file and renaming
  // it (its retries take 1125 ms): an older one was left by a save that died.
  static constexpr uint32_t kLeftoverAgeSeconds = 60;

  int32_t dlgPosX = 0;
  int32_t dlgPosY = 0;
  std::vector<SettingsRecord> records;   // records[0] is the one in use
  std::vector<SettingsRecord> snapshot;  // records as the dialog opened
  IniDocument ini;
  SettingsLocation location_;
  // "AspectMode" (kSettingInt, default 0) and "Interlace" (kSettingUInt,
  // default 1) over current.
  SettingDescriptor settingsTable[kSettingsTableRows];

  SettingsPlatform* platform_;
  std::string requestedModule_;  // the base name Load received; Locate makes it the location's moduleName
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
