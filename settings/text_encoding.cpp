#include "settings/text_encoding.h"

#include <initializer_list>

namespace xvf {
namespace {

size_t MarkSize(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8Mark: return 3;
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be: return 2;
    default: return 0;
  }
}

bool StartsWith(const std::vector<uint8_t>& file, std::initializer_list<uint8_t> mark) {
  if (file.size() < mark.size()) return false;
  size_t i = 0;
  for (const uint8_t byte : mark)
    if (file[i++] != byte) return false;
  return true;
}

}  // namespace

TextEncoding SettingsTextEncoding(const std::vector<uint8_t>& file) {
  if (StartsWith(file, {0xEF, 0xBB, 0xBF})) return TextEncoding::kUtf8Mark;
  if (StartsWith(file, {0xFF, 0xFE})) return TextEncoding::kUtf16Le;
  if (StartsWith(file, {0xFE, 0xFF})) return TextEncoding::kUtf16Be;
  return TextEncoding::kAnsi;
}

std::vector<uint8_t> DecodeSettingsText(const std::vector<uint8_t>& file, TextEncoding encoding) {
  const size_t start = MarkSize(encoding);
  if (encoding != TextEncoding::kUtf16Le && encoding != TextEncoding::kUtf16Be)
    return std::vector<uint8_t>(file.begin() + start, file.end());
  const size_t high = encoding == TextEncoding::kUtf16Be ? 0 : 1;  // byte of the unit's high half
  std::vector<uint8_t> text;
  text.reserve((file.size() - start) / 2);
  for (size_t at = start; at + 1 < file.size(); at += 2) {
    const unsigned unit = unsigned(file[at + high]) << 8 | file[at + 1 - high];
    text.push_back(unit <= 0x7F ? uint8_t(unit) : uint8_t('?'));
  }
  return text;
}

std::vector<uint8_t> EncodeSettingsText(const uint8_t* text, size_t size, TextEncoding encoding) {
  std::vector<uint8_t> file;
  switch (encoding) {
    case TextEncoding::kAnsi:
      break;
    case TextEncoding::kUtf8Mark:
      file = {0xEF, 0xBB, 0xBF};
      break;
    case TextEncoding::kUtf16Le:
      file = {0xFF, 0xFE};
      break;
    case TextEncoding::kUtf16Be:
      file = {0xFE, 0xFF};
      break;
  }
  const bool utf16 = encoding == TextEncoding::kUtf16Le || encoding == TextEncoding::kUtf16Be;
  file.reserve(file.size() + (utf16 ? 2 * size : size));
  for (size_t i = 0; i < size; ++i) {
    if (encoding == TextEncoding::kUtf16Be) file.push_back(0);
    file.push_back(text[i]);
    if (encoding == TextEncoding::kUtf16Le) file.push_back(0);
  }
  return file;
}

}  // namespace xvf
