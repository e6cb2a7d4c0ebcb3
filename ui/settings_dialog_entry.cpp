#include "ui/settings_dialog_entry.h"

namespace xvf {

// No dialog yet: nothing opens, nothing to close.
void OpenSettingsDialog(HWND) {}

void CloseSettingsDialog() {}

}  // namespace xvf
