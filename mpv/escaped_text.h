#pragma once
#include <string>

namespace xvf {

// `text` as the terminal and the OSD may show it: bytes outside printable
// ASCII written as \xNN and the backslash as \\, so an option value's
// escape sequences reach no terminal and every byte shows on one line.
std::string EscapedText(const std::string& text);

}  // namespace xvf
