#pragma once
#include <windows.h>

#include <cstddef>

#include "ui/window.h"

namespace xvf {

// A dialog window built from a template of the current module, modeless
// (Create) or modal (DoModal). The object is kept with its window
// (DWLP_USER) from WM_INITDIALOG to WM_NCDESTROY, and messages reach the
// handlers through static message maps: the derived class's rows first to
// last, then its base map's.
class Dialog : public Window {
 public:
  // Handler kinds: wParam and lParam in, result out; nothing in or out.
  using ResultHandler = LRESULT (Dialog::*)(WPARAM, LPARAM);
  using PlainHandler = void (Dialog::*)();
  // The values are the message-map signature codes the dialogs' tables are
  // written with (10 and 12), kept as documented, not chosen here.
  enum class HandlerKind { kResultFromParams = 10, kNoArguments = 12 };

  // A window message (code 0, ids 0 to 0) or, for WM_COMMAND, a
  // notification code from controls firstId to lastId.
  struct MessageMapEntry {
    UINT message;
    UINT code;
    UINT firstId;
    UINT lastId;
    HandlerKind kind;
    ResultHandler resultHandler;
    PlainHandler plainHandler;
  };
  struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;
    size_t count;
  };

  template <class D>
  static MessageMapEntry MessageRow(UINT message, LRESULT (D::*handler)(WPARAM, LPARAM)) {
    return {message, 0, 0, 0, HandlerKind::kResultFromParams, static_cast<ResultHandler>(handler), nullptr};
  }
  template <class D>
  static MessageMapEntry MessageRow(UINT message, void (D::*handler)()) {
    return {message, 0, 0, 0, HandlerKind::kNoArguments, nullptr, static_cast<PlainHandler>(handler)};
  }
  template <class D>
  static MessageMapEntry CommandRow(UINT code, UINT id, void (D::*handler)()) {
    return {WM_COMMAND, code, id, id, HandlerKind::kNoArguments, nullptr, static_cast<PlainHandler>(handler)};
  }

  explicit Dialog(UINT templateId) : templateId_(templateId) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Modeless, owned by `owner`, not yet shown. False when no window could be
  // created; nothing is then attached.
  bool Create(HWND owner);
  // Runs the dialog until EndDialog; -1 when it could not be created.
  INT_PTR DoModal(HWND owner);
  bool DestroyWindow();

 protected:
  virtual const MessageMap* GetMessageMap() const;
  // Binds controls to their wrappers (DDX_Control); values are not exchanged.
  virtual void DoDataExchange() {}
  // Fills lists from the dialog-init resource of the template's id, then
  // binds the controls. TRUE: the dialog manager focuses the first tab stop.
  virtual BOOL OnInitDialog();
  // Commands IDOK and IDCANCEL (Enter, Escape, button 1): end a modal run.
  virtual void OnOK();
  virtual void OnCancel();
  // After the last message of the window; the object is detached already.
  virtual void PostNcDestroy() {}

  void DDX_Control(int controlId, Window& control) const;
  void EndDialog(INT_PTR result) const;

  static const MessageMap baseMessageMap;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void ExecuteDlgInit() const;

  static const MessageMapEntry baseEntries[];
  UINT templateId_;
};

}  // namespace xvf
