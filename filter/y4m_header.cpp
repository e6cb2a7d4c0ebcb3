#include "filter/y4m_header.h"

#include <algorithm>

#include "common/options/tool_options.h"

namespace xvf {
namespace {

struct ChromaName {
  const char* name;
  Y4mChroma chroma;
};
constexpr ChromaName kChromaNames[] = {{"420jpeg", Y4mChroma::k420}, {"420mpeg2", Y4mChroma::k420},
                                       {"420paldv", Y4mChroma::k420}, {"420", Y4mChroma::k420},
                                       {"422", Y4mChroma::k422},      {"mono", Y4mChroma::kMono}};

}  // namespace

std::string ParseY4mHeader(const std::string& line, Y4mHeader* header) {
  *header = Y4mHeader();
  if (line.compare(0, sizeof kY4mSignature - 1, kY4mSignature) != 0) return "not a YUV4MPEG2 header";
  bool haveWidth = false, haveHeight = false;
  size_t at = sizeof kY4mSignature - 1;
  for (;;) {
    const size_t end = std::min(line.find(' ', at), line.size());
    const std::string token = line.substr(at, end - at);
    if (token.empty()) return "YUV4MPEG2 header: empty parameter";
    const std::string value = token.substr(1);
    switch (token[0]) {
      case 'W':
      case 'H':
        if (!ParseWhole(value, 1, INT32_MAX, token[0] == 'W' ? &header->width : &header->height))
          return "YUV4MPEG2 header: bad size parameter " + token;
        (token[0] == 'W' ? haveWidth : haveHeight) = true;
        break;
      case 'I':
        if (value != "p" && value != "t" && value != "b" && value != "m" && value != "?")
          return "YUV4MPEG2 header: bad interlacing parameter " + token;
        header->interlacing = value[0];
        break;
      case 'C': {
        bool known = false;
        for (const ChromaName& name : kChromaNames)
          if (value == name.name) header->chroma = name.chroma, known = true;
        if (!known)
          return "YUV4MPEG2 colour space C" + value +
                 " is not supported (supported: C420jpeg, C420mpeg2, C420paldv, C420, C422, Cmono)";
        break;
      }
      // Kept as read whatever their form; a ratio that is not N:D stays 0:0.
      case 'A':
        ParseRatio(value, &header->aspectNum, &header->aspectDen);
        break;
      case 'F':
        ParseRatio(value, &header->rateNum, &header->rateDen);
        break;
      default:
        if (static_cast<unsigned char>(token[0]) < 'A' || static_cast<unsigned char>(token[0]) > 'Z')
          return "YUV4MPEG2 header: bad parameter " + token.substr(0, 32);
        break;
    }
    header->tokens.push_back(token);
    if (end == line.size()) break;
    at = end + 1;
  }
  if (!haveWidth || !haveHeight) return std::string("YUV4MPEG2 header without ") + (haveWidth ? "H" : "W");
  return std::string();
}

bool IsY4mFrameHeader(const std::string& line) {
  return line.compare(0, 5, "FRAME") == 0 && (line.size() == 5 || line[5] == ' ');
}

std::string Y4mHeaderLine(const Y4mHeader& header, int64_t aspectNum, int64_t aspectDen) {
  const std::string aspect = "A" + std::to_string(aspectNum) + ":" + std::to_string(aspectDen);
  std::string line = "YUV4MPEG2";
  bool placed = false;
  for (const std::string& token : header.tokens) {
    const bool isAspect = token[0] == 'A';
    line += " " + (isAspect ? aspect : token);
    placed = placed || isAspect;
  }
  if (!placed) line += " " + aspect;
  return line + "\n";
}

size_t Y4mFrameBytes(const Y4mHeader& header) {
  const size_t luma = static_cast<size_t>(header.width) * static_cast<size_t>(header.height);
  const size_t halfWidth = static_cast<size_t>(header.width / 2);
  switch (header.chroma) {
    case Y4mChroma::k422:
      return luma * 2;
    case Y4mChroma::k420:
      return luma + 2 * halfWidth * ((static_cast<size_t>(header.height) + 1) / 2);
    case Y4mChroma::kMono:
      return luma;
  }
  return 0;
}

}  // namespace xvf
