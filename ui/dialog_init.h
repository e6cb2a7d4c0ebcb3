#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xvf {

// Resource type of a dialog's initial control data (RT_DLGINIT).
constexpr uint16_t kDialogInitResourceType = 240;

// Messages of the records, in their 16-bit numbering: adding a string to a
// combo box (sent as CB_ADDSTRING) or to a list box (LB_ADDSTRING).
constexpr uint16_t kDialogInitComboAddString = 0x0403;
constexpr uint16_t kDialogInitListAddString = 0x0401;

// One record of a dialog-init resource: a message for one control of the
// dialog with its data bytes. Layout in the resource, little-endian and
// unaligned: word control id, word message, dword length, `length` bytes.
// A control id of 0 closes the list.
struct DialogInitRecord {
  uint16_t controlId = 0;
  uint16_t message = 0;
  const uint8_t* data = nullptr;
  uint32_t length = 0;
};

// The records in resource order. Stops at the closing 0 or at a record whose
// header or data would run past `size`; no byte beyond `size` is read.
std::vector<DialogInitRecord> ParseDialogInit(const uint8_t* bytes, size_t size);

// Windows-1251 bytes to UTF-16, one code unit per byte, up to the first NUL
// or `length` bytes. Independent of the system's code page.
std::u16string DecodeWindows1251(const uint8_t* bytes, size_t length);

}  // namespace xvf
