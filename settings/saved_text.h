#pragma once
#include <cstdint>
#include <vector>

namespace xvf {

// True when file holds, whole, the six lines a save writes ([DIALOG] with
// DlgWndPosX and DlgWndPosY, [COMMON] with AspectMode and Interlace, decimal
// values, each line ending in CR LF) in one of the encodings a save writes.
// A save cut short or anyone else's file fails. May throw std::bad_alloc.
bool IsWholeSavedText(const std::vector<uint8_t>& file);

}  // namespace xvf
