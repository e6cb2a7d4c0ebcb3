#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "settings/text_encoding.h"

namespace xvf {

// True when file is, byte for byte, what a save writes in encoding: the six
// lines ([DIALOG] with DlgWndPosX and DlgWndPosY, [COMMON] with AspectMode
// and Interlace, decimal values, each line ending in CR LF) with the
// encoding's mark. A save cut short, another encoding or anyone else's file
// fails. May throw std::bad_alloc.
bool IsWholeSavedText(const std::vector<uint8_t>& file, TextEncoding encoding);

// The most bytes IsWholeSavedText accepts in encoding (every value at its
// longest, "-2147483648").
size_t LargestSavedText(TextEncoding encoding);

}  // namespace xvf
