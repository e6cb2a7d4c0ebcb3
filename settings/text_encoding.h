#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace xvf {

// How a settings file holds its text, told by its byte order mark as the
// Windows profile functions tell it. A file without a mark is ANSI bytes.
enum class TextEncoding { kAnsi, kUtf8Mark, kUtf16Le, kUtf16Be };

TextEncoding SettingsTextEncoding(const std::vector<uint8_t>& file);

// The text the INI reader sees: the mark dropped; UTF-16 one byte per code
// unit, '?' for a code unit above 0x7F (keys and values are ASCII), a last
// odd byte ignored.
std::vector<uint8_t> DecodeSettingsText(const std::vector<uint8_t>& file, TextEncoding encoding);

// size bytes of ASCII text as a file in encoding, with its mark.
std::vector<uint8_t> EncodeSettingsText(const uint8_t* text, size_t size, TextEncoding encoding);

}  // namespace xvf
