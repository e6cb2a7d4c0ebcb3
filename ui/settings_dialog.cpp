#include "ui/settings_dialog.h"

#include <atomic>

#include "platform/rect.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "ui/dialog_placement.h"

namespace xvf {
namespace {

Rect WindowRect(HWND hwnd) {
  RECT r = {};
  if (!hwnd || !GetWindowRect(hwnd, &r)) return Rect{};
  return Rect{r.left, r.top, r.right, r.bottom};
}

}  // namespace

SettingsDialog theSettingsDialog;

// Matched first to last.
const Dialog::MessageMapEntry SettingsDialog::messageEntries[] = {
    MessageRow(WM_SYNC_INTERLACE, &SettingsDialog::OnSyncInterlace),
    MessageRow(WM_CLOSE, &SettingsDialog::OnClose),
    CommandRow(BN_CLICKED, IDC_CANCEL_BUTTON, &SettingsDialog::OnCancelButton),
    CommandRow(BN_CLICKED, IDC_OK_BUTTON, &SettingsDialog::OnOkButton),
    CommandRow(BN_CLICKED, IDC_ABOUT_BUTTON, &SettingsDialog::OnAboutButton),
    MessageRow(WM_DESTROY, &SettingsDialog::OnDestroy),
    CommandRow(BN_CLICKED, IDC_INTERLACE_CHECK, &SettingsDialog::OnInterlaceClicked),
    CommandRow(CBN_SELCHANGE, IDC_ASPECT_COMBO, &SettingsDialog::OnAspectSelChange),
};
const Dialog::MessageMap SettingsDialog::messageMap = {&Dialog::baseMessageMap, messageEntries,
                                                       sizeof(messageEntries) / sizeof(messageEntries[0])};

SettingsDialog::SettingsDialog() : Dialog(IDD_SETTINGS_DIALOG) {}

const Dialog::MessageMap* SettingsDialog::GetMessageMap() const { return &messageMap; }

void SettingsDialog::Open(HWND hostWindow) {
  if (Hwnd()) {
    SetFocus(Hwnd());
    FlashCaption(2);
    return;
  }
  m_hostWnd.Attach(hostWindow);
  if (!Create(m_hostWnd.Hwnd())) {
    m_hostWnd.Detach();  // nothing shown, nothing kept: the next Configure tries again
    return;
  }
  ShowWindow(Hwnd(), SW_SHOW);
}

void SettingsDialog::FlashCaption(int count) {
  for (int i = 0; i < 2 * count; ++i) {
    FlashWindow(Hwnd(), TRUE);
    Sleep(60);  // ms
  }
}

void SettingsDialog::DoDataExchange() {
  DDX_Control(IDC_ASPECT_COMBO, m_aspectCombo);
  DDX_Control(IDC_INTERLACE_CHECK, m_interlaceCheck);
}

void SettingsDialog::PostNcDestroy() {
  m_hostWnd.Detach();
  m_aspectCombo.Detach();
  m_interlaceCheck.Detach();
  Dialog::PostNcDestroy();
}

BOOL SettingsDialog::OnInitDialog() {
  Dialog::OnInitDialog();

  int32_t storedX = 0, storedY = 0;
  theSettingsStore.GetDialogPos(&storedX, &storedY);
  const DialogPosition at = PlaceDialog(storedX, storedY, WindowRect(Hwnd()), WindowRect(m_hostWnd.Hwnd()),
                                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(Hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

  theSettingsStore.Snapshot();
  m_aspectCombo.SetCurSel(theSettingsStore.current.aspectMode.load(std::memory_order_relaxed));
  PostMessageW(Hwnd(), WM_SYNC_INTERLACE, 0, 0);
  return TRUE;
}

LRESULT SettingsDialog::OnSyncInterlace(WPARAM wParam, LPARAM) {
  if (wParam == 0) m_interlaceCheck.SetCheck(theSettingsStore.current.interlace.load(std::memory_order_relaxed));
  return 1;
}

void SettingsDialog::OnClose() {
  theSettingsStore.Revert();
  DestroyWindow();
}

void SettingsDialog::OnCancelButton() { PostMessageW(Hwnd(), WM_CLOSE, 0, 0); }

void SettingsDialog::OnOkButton() { DestroyWindow(); }

void SettingsDialog::OnAboutButton() { m_aboutDlg.DoModal(Hwnd()); }

void SettingsDialog::OnDestroy() { theSettingsStore.SetDialogPos(WindowRect(Hwnd())); }

void SettingsDialog::OnInterlaceClicked() {
  theSettingsStore.current.interlace.store(m_interlaceCheck.GetCheck(), std::memory_order_relaxed);
}

void SettingsDialog::OnAspectSelChange() {
  theSettingsStore.current.aspectMode.store(m_aspectCombo.GetCurSel(), std::memory_order_relaxed);
}

}  // namespace xvf
