#include "ui/dialog.h"

#include <string>

#include "ui/dialog_init.h"
#include "ui/module_context.h"

namespace xvf {

const Dialog::MessageMapEntry Dialog::baseEntries[] = {
    CommandRow(BN_CLICKED, IDOK, &Dialog::OnOK),
    CommandRow(BN_CLICKED, IDCANCEL, &Dialog::OnCancel),
};
const Dialog::MessageMap Dialog::baseMessageMap = {nullptr, baseEntries, sizeof(baseEntries) / sizeof(baseEntries[0])};

const Dialog::MessageMap* Dialog::GetMessageMap() const { return &baseMessageMap; }

bool Dialog::Create(HWND owner) {
  HWND hwnd = CreateDialogParamW(CurrentModule(), MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  if (!hwnd) hwnd_ = nullptr;
  return hwnd != nullptr;
}

INT_PTR Dialog::DoModal(HWND owner) {
  return DialogBoxParamW(CurrentModule(), MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::DestroyWindow() { return hwnd_ && ::DestroyWindow(hwnd_); }

BOOL Dialog::OnInitDialog() {
  ExecuteDlgInit();
  DoDataExchange();
  return TRUE;
}

void Dialog::OnOK() { EndDialog(IDOK); }

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::DDX_Control(int controlId, Window& control) const { control.Attach(GetDlgItem(hwnd_, controlId)); }

void Dialog::EndDialog(INT_PTR result) const { ::EndDialog(hwnd_, result); }

// The list strings are Windows-1251 in the resource; they are decoded here and
// added through the UTF-16 API, so the system's code page plays no part.
void Dialog::ExecuteDlgInit() const {
  HMODULE module = CurrentModule();
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(kDialogInitResourceType));
  if (!info) return;
  HGLOBAL handle = LoadResource(module, info);
  const void* bytes = handle ? LockResource(handle) : nullptr;
  if (!bytes) return;
  for (const DialogInitRecord& record : ParseDialogInit(static_cast<const uint8_t*>(bytes), SizeofResource(module, info))) {
    UINT message = 0;
    if (record.message == kDialogInitComboAddString) message = CB_ADDSTRING;
    if (record.message == kDialogInitListAddString) message = LB_ADDSTRING;
    if (!message) continue;
    const std::u16string text = DecodeWindows1251(record.data, record.length);
    const std::wstring wide(text.begin(), text.end());
    SendDlgItemMessageW(hwnd_, record.controlId, message, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
}

bool Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const UINT code = HIWORD(wParam);
  const UINT id = LOWORD(wParam);
  for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
    for (size_t i = 0; i < map->count; ++i) {
      const MessageMapEntry& row = map->entries[i];
      if (row.message != message) continue;
      if (message == WM_COMMAND && (row.code != code || id < row.firstId || id > row.lastId)) continue;
      if (row.kind == HandlerKind::kResultFromParams) {
        *result = (this->*row.resultHandler)(wParam, lParam);
      } else {
        (this->*row.plainHandler)();
        *result = 0;
      }
      return true;
    }
  }
  return false;
}

// Runs with the plug-in's module current. Nothing may unwind into the dialog
// manager: an exception ends the message as unhandled.
INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ModuleContextGuard context;
  try {
    if (message == WM_INITDIALOG) {
      Dialog* self = reinterpret_cast<Dialog*>(lParam);
      SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
      self->hwnd_ = hwnd;
      return self->OnInitDialog();
    }
    Dialog* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT)
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
      self->PostNcDestroy();
      return FALSE;  // the dialog manager still frees its own data
    }
    LRESULT result = 0;
    if (!self->Dispatch(message, wParam, lParam, &result)) return FALSE;
    if (message == WM_DESTROY) return FALSE;  // default destroy handling follows the handler
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace xvf
