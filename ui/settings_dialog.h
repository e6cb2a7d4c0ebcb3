#pragma once
#include <windows.h>

#include "ui/about_dialog.h"
#include "ui/dialog.h"
#include "ui/window.h"

namespace xvf {

// Posted to itself at initialisation: wParam 0 sets the check box from the
// field flag in use. Result 1.
constexpr UINT WM_SYNC_INTERLACE = WM_USER + 400;

// The modeless settings dialog (template 5000), owned by the host's window.
// Every change of the list or the check box goes straight into the settings
// in use; "Отмена" and any WM_CLOSE revert to the snapshot taken at opening,
// "ОК" keeps. Enter and Escape do nothing. The window rectangle's top-left
// is stored when the window is destroyed; the file is written only at
// Shutdown.
class SettingsDialog : public Dialog {
 public:
  SettingsDialog();
  ~SettingsDialog() override = default;

  // Configure: focus and flash the open dialog, or create and show it.
  void Open(HWND hostWindow);
  // 2 x count caption inversions, 60 ms apart; ends in the normal state.
  void FlashCaption(int count);

 protected:
  const MessageMap* GetMessageMap() const override;
  void DoDataExchange() override;
  void PostNcDestroy() override;
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}

 private:
  LRESULT OnSyncInterlace(WPARAM wParam, LPARAM lParam);
  void OnClose();
  void OnCancelButton();
  void OnOkButton();
  void OnAboutButton();
  void OnDestroy();
  void OnInterlaceClicked();
  void OnAspectSelChange();

  Window m_hostWnd;  // owner while the window exists; never destroyed here
  AboutDialog m_aboutDlg;
  ComboBox m_aspectCombo;
  Button m_interlaceCheck;

  static const MessageMapEntry messageEntries[];
  static const MessageMap messageMap;
};

extern SettingsDialog theSettingsDialog;

}  // namespace xvf
