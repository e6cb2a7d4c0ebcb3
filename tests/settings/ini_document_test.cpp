#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ini_document.h"

namespace xvf {
namespace {

IniDocument Doc(const std::string& text) {
  IniDocument doc;
  doc.LoadText(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return doc;
}

std::vector<std::string> Lines(const std::string& text) {
  IniDocument doc = Doc(text);
  std::vector<std::string> lines;
  std::string line;
  while (doc.ReadLine(line)) lines.push_back(line);
  EXPECT_EQ(line, "");
  EXPECT_EQ(doc.cursor, doc.inSize);
  return lines;
}

// Value of key in section, or "<absent>".
std::string Value(IniDocument& doc, const std::string& section, const std::string& key) {
  std::string value = "junk";
  if (!doc.FindValue(section, key, value)) return "<absent>";
  return value;
}

std::string Value(const std::string& text, const std::string& section, const std::string& key) {
  IniDocument doc = Doc(text);
  return Value(doc, section, key);
}

TEST(IniDocument, LineBreaks) {
  using L = std::vector<std::string>;
  EXPECT_EQ(Lines(""), L{});
  EXPECT_EQ(Lines("a\r\nb\n\rc\r\rd\n\ne\r\n"), (L{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(Lines("a\r\n\r\nb\r\n"), (L{"a", "", "b"}));  // a blank line survives
  EXPECT_EQ(Lines("a\n\n\nb\n"), (L{"a", "", "b"}));
  EXPECT_EQ(Lines("\r\n"), L{""});
  // A final line without a break is a line: a hand-edited file keeps it.
  EXPECT_EQ(Lines("a\r\nlast"), (L{"a", "last"}));
  EXPECT_EQ(Value("[COMMON]\r\nAspectMode=2\r\nInterlace=0", "COMMON", "Interlace"), "0");
  EXPECT_EQ(Value("[COMMON]", "COMMON", "Interlace"), "<absent>");
}

// How key lines and section headers are read: text, section, key, the value found.
TEST(IniDocument, KeyAndSectionText) {
  const char* const cases[][4] = {
      {"[COMMON]\r\nAspectMode=\r\n", "COMMON", "AspectMode", "<absent>"},
      {"[COMMON]\r\nAspectMode= \r\n", "COMMON", "AspectMode", " "},
      {"[COMMON]\r\n  AspectMode  =  3\r\n", "COMMON", "AspectMode", "  3"},
      {"[COMMON]\r\n\tAspectMode\t=1=2 \r\n", "COMMON", " AspectMode\t", "1=2 "},
      {"[COMMON]\r\naspectmode=1\r\n", "COMMON", "AspectMode", "<absent>"},
      {"[COMMON]\r\nAspect Mode=1\r\nAspectMode\r\nAspectModeX=5\r\n; c\r\n\r\nAspectMode=4\r\n", "COMMON",
       "AspectMode", "4"},
      // The first key line decides, even when its value is empty.
      {"[COMMON]\r\nAspectMode=1\r\nAspectMode=2\r\n", "COMMON", "AspectMode", "1"},
      {"[COMMON]\r\nAspectMode=\r\nAspectMode=2\r\n", "COMMON", "AspectMode", "<absent>"},
      {"[ COMMON ]\r\nA=1\r\n", "COMMON", "A", "<absent>"},
      {"[common]\r\nA=1\r\n", "COMMON", "A", "<absent>"},
      {" \t[COMMON] \t\r\nA=1\r\n", "COMMON", "A", "1"},
      {"[COMMON]\r\nA=1\r\n", " COMMON ", "A", "1"},  // the name is trimmed
      // No byte-order mark is skipped: it hides the first header.
      {"\xEF\xBB\xBF[COMMON]\r\nA=1\r\n", "COMMON", "A", "<absent>"},
      // Key lines outside the section.
      {"A=1\r\n[COMMON]\r\nB=2\r\n", "COMMON", "A", "<absent>"},
      {"[COMMON]\r\nB=2\r\n[OTHER]\r\nA=1\r\n", "COMMON", "A", "<absent>"},
      {"[COMMON]\r\nB=2\r\n  [x\r\nA=1\r\n", "COMMON", "A", "<absent>"},
      {"", "COMMON", "A", "<absent>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Value(c[0], c[1], c[2]), c[3]) << c[0];
}

TEST(IniDocument, SectionSearchIsCircularFromTheLastHeaderFound) {
  IniDocument doc = Doc("[COMMON]\r\nA=1\r\n[OTHER]\r\nB=1\r\n[COMMON]\r\nA=2\r\n");
  EXPECT_EQ(Value(doc, "COMMON", "A"), "1");
  EXPECT_EQ(doc.sectionStart, 0u);
  EXPECT_EQ(Value(doc, "OTHER", "B"), "1");
  EXPECT_EQ(doc.sectionStart, 15u);
  // From OTHER the next COMMON header is the second one.
  EXPECT_EQ(Value(doc, "COMMON", "A"), "2");
  EXPECT_EQ(doc.sectionStart, 29u);
  // A failed search sees every line once and keeps sectionStart.
  EXPECT_FALSE(doc.FindSection("MISSING"));
  EXPECT_EQ(doc.sectionStart, 29u);
  // Wrapping past the end finds the first header again.
  EXPECT_EQ(Value(doc, "OTHER", "B"), "1");
  EXPECT_EQ(Value(doc, "COMMON", "A"), "2");
  EXPECT_EQ(Value(doc, "COMMON", "A"), "2");

  // A fresh load starts over.
  doc.LoadText(std::vector<uint8_t>{'[', 'X', ']'});
  EXPECT_EQ(doc.sectionStart, 0u);
  EXPECT_EQ(doc.cursor, 0u);
  EXPECT_TRUE(doc.FindSection("X"));
  EXPECT_EQ(doc.cursor, 3u);
}

TEST(IniDocument, OutputText) {
  IniDocument doc = Doc("[S]\r\nK=v\r\n");
  EXPECT_FALSE(doc.OutputChanged());  // no output text yet
  doc.Append("ignored");              // nothing to append to
  EXPECT_EQ(doc.outLength, 0u);

  ASSERT_TRUE(doc.ResetOutput());
  EXPECT_EQ(doc.outCapacity, 100000u);
  EXPECT_FALSE(doc.OutputChanged());  // empty output writes nothing
  doc.WriteSection(" S\t");
  doc.WriteKey(" K ", "v");
  EXPECT_EQ(std::string(doc.outText.begin(), doc.outText.begin() + doc.outLength), "[S]\r\nK=v\r\n");
  EXPECT_FALSE(doc.OutputChanged());
  doc.WriteKey("K", " w ");
  EXPECT_TRUE(doc.OutputChanged());

  // Growth by whole steps keeps the text.
  const std::string big(150000, 'x');
  doc.Append(big);
  EXPECT_EQ(doc.outCapacity, 200000u);
  EXPECT_EQ(doc.outLength, 17u + big.size());
  EXPECT_EQ(std::string(doc.outText.begin(), doc.outText.begin() + 17), "[S]\r\nK=v\r\nK= w \r\n");
  EXPECT_EQ(doc.outText[doc.outLength - 1], 'x');

  ASSERT_TRUE(doc.ResetOutput());
  EXPECT_EQ(doc.outLength, 0u);
  EXPECT_EQ(doc.outCapacity, 100000u);
}

}  // namespace
}  // namespace xvf
