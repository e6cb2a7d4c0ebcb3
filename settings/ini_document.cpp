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

void IniDocument::LoadText(const uint8_t* data, size_t size) {
  LoadText(std::vector<uint8_t>(data, data + size));
}

void IniDocument::LoadText(std::vector<uint8_t> bytes) {
  inText = std::move(bytes);
  inSize = inText.size();
  cursor = 0;
  sectionStart = 0;
}

namespace {

// A line of the input text: bytes [begin, end), its break not included.
struct LineSpan {
  size_t begin = 0;
  size_t end = 0;
};

// The line at *cursor; *cursor moves past its break. False at the end of
// the text (the span is then empty).
bool NextLine(const uint8_t* text, size_t size, size_t* cursor, LineSpan* line) {
  *line = LineSpan{};
  if (*cursor >= size) return false;
  size_t at = *cursor;
  line->begin = at;
  while (at < size && !IsBreak(text[at])) ++at;
  line->end = at;
  // An unterminated final line is a line all the same.
  if (at < size) {
    ++at;
    if (at < size && IsBreak(text[at])) ++at;
  }
  *cursor = at;
  return true;
}

void TrimSpan(const uint8_t* text, LineSpan* span, bool trailing) {
  while (span->begin < span->end && IsSpace(static_cast<char>(text[span->begin]))) ++span->begin;
  while (trailing && span->end > span->begin && IsSpace(static_cast<char>(text[span->end - 1]))) --span->end;
}

bool SpanEquals(const uint8_t* text, const LineSpan& span, const std::string& wanted) {
  return span.end - span.begin == wanted.size() && std::memcmp(text + span.begin, wanted.data(), wanted.size()) == 0;
}

}  // namespace

bool IniDocument::ReadLine(std::string& line) {
  LineSpan span;
  const bool more = NextLine(inText.data(), inSize, &cursor, &span);
  line.clear();
  if (span.end > span.begin) line.assign(reinterpret_cast<const char*>(inText.data()) + span.begin, span.end - span.begin);
  return more;
}

bool IniDocument::FindSection(const std::string& name) {
  if (inSize == 0) return false;
  const std::string target = "[" + TrimWhiteSpace(name) + "]";
  const uint8_t* text = inText.data();
  // sectionStart is always the start of a line, so the circular walk from it
  // comes back to it after seeing every line once.
  size_t p = std::min(sectionStart, inSize);
  cursor = p;
  LineSpan line;
  for (;;) {
    NextLine(text, inSize, &cursor, &line);
    TrimSpan(text, &line, true);
    if (SpanEquals(text, line, target)) {
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
  const uint8_t* text = inText.data();
  LineSpan line;
  while (NextLine(text, inSize, &cursor, &line)) {
    TrimSpan(text, &line, false);
    if (line.begin == line.end) continue;
    if (text[line.begin] == '[') return false;
    const auto* equals = static_cast<const uint8_t*>(std::memchr(text + line.begin, '=', line.end - line.begin));
    if (!equals) continue;
    LineSpan name{line.begin, static_cast<size_t>(equals - text)};
    TrimSpan(text, &name, true);
    if (!SpanEquals(text, name, wanted)) continue;
    value.assign(reinterpret_cast<const char*>(equals + 1), text + line.end - (equals + 1));
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
