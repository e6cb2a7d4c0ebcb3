#include "settings/ini_document.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace xvf {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsBreak(uint8_t c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string TrimWhiteSpace(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string TrimLeadingWhiteSpace(const std::string& text) {
  size_t begin = 0;
  while (begin < text.size() && IsSpace(text[begin])) ++begin;
  return text.substr(begin);
}

void IniDocument::LoadText(const uint8_t* data, size_t size) {
  LoadText(std::vector<uint8_t>(data, data + size));
}

void IniDocument::LoadText(std::vector<uint8_t> bytes) {
  inText = std::move(bytes);
  inSize = inText.size();
  cursor = 0;
  sectionStart = 0;
}

bool IniDocument::ReadLine(std::string& line) {
  line.clear();
  const size_t start = cursor;
  if (cursor >= inSize) return false;
  while (cursor < inSize && !IsBreak(inText[cursor])) ++cursor;
  line.assign(reinterpret_cast<const char*>(inText.data()) + start, cursor - start);
  // An unterminated final line is a line all the same.
  if (cursor == inSize) return true;
  ++cursor;
  if (cursor < inSize && IsBreak(inText[cursor])) ++cursor;
  return true;
}

bool IniDocument::FindSection(const std::string& name) {
  if (inSize == 0) return false;
  const std::string target = "[" + TrimWhiteSpace(name) + "]";
  // sectionStart is always the start of a line, so the circular walk from it
  // comes back to it after seeing every line once.
  size_t p = std::min(sectionStart, inSize);
  cursor = p;
  std::string line;
  for (;;) {
    ReadLine(line);
    if (TrimWhiteSpace(line) == target) {
      sectionStart = p;
      return true;
    }
    p = cursor;
    if (p == inSize) {
      p = 0;
      cursor = 0;
    }
    if (p == sectionStart) return false;
  }
}

bool IniDocument::FindValue(const std::string& section, const std::string& key, std::string& value) {
  value.clear();
  const std::string wanted = TrimWhiteSpace(key);
  if (!FindSection(section)) return false;
  std::string line;
  while (ReadLine(line)) {
    line = TrimLeadingWhiteSpace(line);
    if (line.empty()) continue;
    if (line[0] == '[') return false;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    size_t nameEnd = equals;
    while (nameEnd > 0 && IsSpace(line[nameEnd - 1])) --nameEnd;
    if (line.compare(0, nameEnd, wanted) != 0 || nameEnd != wanted.size()) continue;
    value = line.substr(equals + 1);
    return !value.empty();
  }
  return false;
}

bool IniDocument::ResetOutput() {
  outText.clear();
  outText.shrink_to_fit();
  outLength = 0;
  outCapacity = 0;
  try {
    outText.resize(kOutputStep);
  } catch (const std::bad_alloc&) {
    return false;
  }
  outCapacity = kOutputStep;
  return true;
}

void IniDocument::Append(const std::string& text) {
  const size_t n = text.size();
  if (outCapacity == 0) return;
  size_t capacity = outCapacity;
  while (capacity < outLength + n) capacity += kOutputStep;
  if (capacity != outCapacity) {
    try {
      outText.resize(capacity);
    } catch (const std::bad_alloc&) {
      return;  // dropped whole; the text keeps what it had
    }
    outCapacity = capacity;
  }
  std::memcpy(outText.data() + outLength, text.data(), n);
  outLength += n;
}

void IniDocument::WriteSection(const std::string& name) {
  Append("[" + TrimWhiteSpace(name) + "]\r\n");
}

void IniDocument::WriteKey(const std::string& key, const std::string& value) {
  Append(TrimWhiteSpace(key) + "=" + value + "\r\n");
}

bool IniDocument::OutputChanged() const {
  if (outCapacity == 0 || outLength == 0) return false;
  return !(outLength == inSize && std::memcmp(outText.data(), inText.data(), outLength) == 0);
}

}  // namespace xvf
