#pragma once
#include <windows.h>

namespace xvf {

// Configure: opens the modeless settings dialog owned by `owner`, or focuses
// and flashes it when it is already open. Returns without waiting.
void OpenSettingsDialog(HWND owner);

// Shutdown's first step: destroys the settings dialog window if it exists
// (its position is stored on the way).
void CloseSettingsDialog();

}  // namespace xvf
