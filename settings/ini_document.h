#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xvf {

// The INI text of the settings file, over byte buffers with stored lengths
// (no terminators). Lines end at CR or LF, a second CR or LF right after
// belongs to the same break; a final line without a break is still a line.
// Names compare byte for byte, case-sensitive. White space is space, tab,
// CR, LF, VT and FF.
class IniDocument {
 public:
  // Takes bytes as the input text; cursor and sectionStart go back to 0.
  void LoadText(const uint8_t* data, size_t size);
  void LoadText(std::vector<uint8_t> bytes);

  // Next line of the input text from cursor, without its line break; false
  // at the end of the text (line is then empty).
  bool ReadLine(std::string& line);

  // Positions cursor after the header line "[name]" (white space around the
  // line ignored). The search is circular, starting at sectionStart; on a
  // match sectionStart becomes the start of the header line.
  bool FindSection(const std::string& name);

  // The value text of key in section: everything after the first "=" of the
  // first line whose trimmed name is key, untrimmed. An empty value, the end
  // of the text or the next header counts as absent.
  bool FindValue(const std::string& section, const std::string& key, std::string& value);

  // Output text: a fresh buffer of 100000 bytes; false when it cannot be had
  // (outText stays absent then and nothing can be appended).
  bool ResetOutput();
  // Appends the bytes of text, growing by 100000 bytes as needed; a text that
  // cannot be placed is dropped whole.
  void Append(const std::string& text);
  void WriteSection(const std::string& name);                        // "[name]" CR LF
  void WriteKey(const std::string& key, const std::string& value);   // "key=value" CR LF

  // True when there is an output text to store and it differs from the input.
  bool OutputChanged() const;

  std::vector<uint8_t> inText;   // the file's bytes as loaded
  size_t cursor = 0;             // 0..inSize, where ReadLine reads next
  size_t inSize = 0;
  std::vector<uint8_t> outText;  // size() is outCapacity; absent when empty
  size_t outLength = 0;
  size_t outCapacity = 0;
  size_t sectionStart = 0;       // start of the last header found
  std::string valueText;         // the store's value text scratch

  static constexpr size_t kOutputStep = 100000;
};

// White space removed at both ends.
std::string TrimWhiteSpace(const std::string& text);

}  // namespace xvf
