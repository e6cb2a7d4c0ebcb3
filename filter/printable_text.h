#pragma once
#include <string>

namespace xvf {

// `text` with control bytes written as escapes (\r, \n, \t, \xNN), so a
// message shows every byte of a header or file name on one line.
std::string PrintableText(const std::string& text);

}  // namespace xvf
