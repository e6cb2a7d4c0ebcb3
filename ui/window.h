#pragma once
#include <windows.h>

namespace xvf {

// A window handle held by an object; the object never owns the window.
// Attached while the window it names exists, null otherwise.
class Window {
 public:
  HWND Hwnd() const { return hwnd_; }
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  HWND Detach() {
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    return hwnd;
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(hwnd_, message, wParam, lParam);
  }

 protected:
  HWND hwnd_ = nullptr;
};

// Control wrappers, bound to a dialog's controls by id (Dialog::DDX_Control).
class ComboBox : public Window {
 public:
  int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
  // An index outside the list removes the selection and gives CB_ERR.
  int SetCurSel(int index) const { return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index))); }
};

class Button : public Window {
 public:
  int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
  void SetCheck(int state) const { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

}  // namespace xvf
