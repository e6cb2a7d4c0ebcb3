#include "settings/saved_text.h"

#include <cstring>

namespace xvf {
namespace {

// '#' stands for a decimal value, signed or not.
const char* const kLines[] = {"[DIALOG]", "DlgWndPosX=#", "DlgWndPosY=#", "[COMMON]", "AspectMode=#", "Interlace=#"};
constexpr size_t kLongestValue = 11;  // "-2147483648"

}  // namespace

bool IsWholeSavedText(const std::vector<uint8_t>& file, TextEncoding encoding) {
  if (file.size() > LargestSavedText(encoding) || SettingsTextEncoding(file) != encoding) return false;
  const std::vector<uint8_t> text = encoding == TextEncoding::kAnsi ? file : DecodeSettingsText(file, encoding);
  // Only the bytes a save writes: no odd byte, no code unit it would not write.
  if (encoding != TextEncoding::kAnsi && EncodeSettingsText(text.data(), text.size(), encoding) != file) return false;
  size_t at = 0;
  const auto Take = [&](char c) {
    if (at >= text.size() || text[at] != uint8_t(c)) return false;
    ++at;
    return true;
  };
  for (const char* line : kLines) {
    for (const char* c = line; *c; ++c) {
      if (*c != '#') {
        if (!Take(*c)) return false;
        continue;
      }
      Take('-');
      const size_t digits = at;
      while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
      if (at == digits) return false;
    }
    if (!Take('\r') || !Take('\n')) return false;
  }
  return at == text.size();
}

size_t LargestSavedText(TextEncoding encoding) {
  size_t characters = 0;
  for (const char* line : kLines) {
    const size_t length = std::strlen(line);
    characters += length + 2 + (line[length - 1] == '#' ? kLongestValue - 1 : 0);
  }
  switch (encoding) {
    case TextEncoding::kAnsi:
      return characters;
    case TextEncoding::kUtf8Mark:
      return 3 + characters;
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be:
      return 2 + 2 * characters;
  }
  return 0;
}

}  // namespace xvf
