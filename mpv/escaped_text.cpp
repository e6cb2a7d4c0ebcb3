#include "mpv/escaped_text.h"

#include <cstdio>

namespace xvf {

std::string EscapedText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7f) {
      out += c;
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    }
  }
  return out;
}

}  // namespace xvf
