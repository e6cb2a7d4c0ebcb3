#include "ui/settings_dialog_entry.h"

#include "ui/settings_dialog.h"

namespace xvf {

void OpenSettingsDialog(HWND owner) { theSettingsDialog.Open(owner); }

void CloseSettingsDialog() {
  if (theSettingsDialog.Hwnd()) theSettingsDialog.DestroyWindow();
}

}  // namespace xvf
