#include "settings/saved_text.h"

#include "settings/text_encoding.h"

namespace xvf {

bool IsWholeSavedText(const std::vector<uint8_t>& file) {
  // '#' stands for a decimal value, signed or not.
  static const char* const kLines[] = {"[DIALOG]",  "DlgWndPosX=#", "DlgWndPosY=#",
                                       "[COMMON]", "AspectMode=#", "Interlace=#"};
  const TextEncoding encoding = SettingsTextEncoding(file);
  const std::vector<uint8_t> text = encoding == TextEncoding::kAnsi ? file : DecodeSettingsText(file, encoding);
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

}  // namespace xvf
