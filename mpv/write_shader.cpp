// Writes one mode's mpv user shader from mpv/xvfaspect.glsl.in, with the
// frame pass's own numbers put in for its @NAME@ fields: the mode's number
// and name, the other modes' numbers, the 4:3 band and the panorama cap.
// Run by the build: write_shader TEMPLATE MODE-NAME OUTPUT.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>

#include "framepass/aspect_geometry.h"
#include "framepass/frame_modes.h"
#include "framepass/panorama_table.h"

namespace {

// `value` as a whole numerator over a power of ten, value == n / d exactly
// in double; false when no d up to 10^4 gives one.
bool DecimalFraction(double value, long* n, long* d) {
  for (*d = 1; *d <= 10000; *d *= 10) {
    *n = std::lround(value * static_cast<double>(*d));
    if (static_cast<double>(*n) / static_cast<double>(*d) == value) return true;
  }
  return false;
}

// A GLSL float literal that reads back as `value`.
std::string FloatLiteral(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", value);
  std::string literal = text;
  if (literal.find_first_of(".e") == std::string::npos) literal += ".0";
  return literal;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: write_shader TEMPLATE MODE-NAME OUTPUT\n";
    return 2;
  }
  const int32_t mode = xvf::ParseAspectMode(argv[2]);
  if (mode <= xvf::kFitToWindow || std::string(argv[2]) != xvf::AspectModeName(mode)) {
    std::cerr << "write_shader: no shader for mode " << argv[2] << "\n";
    return 2;
  }
  // The band is tested as OUTPUT.w * d against OUTPUT.h * n in single
  // precision: exact while both products stay below 2^24 for sides below
  // 65536.
  long low = 0, high = 0, lowScale = 0, highScale = 0;
  if (!DecimalFraction(xvf::kFourThirdsBandLow, &low, &lowScale) ||
      !DecimalFraction(xvf::kFourThirdsBandHigh, &high, &highScale) || lowScale != highScale ||
      65536.0 * static_cast<double>(high > lowScale ? high : lowScale) >= 16777216.0) {
    std::cerr << "write_shader: the 4:3 band has no exact small decimal form\n";
    return 1;
  }
  const std::map<std::string, std::string> fields = {
      {"XVF_MODE", std::to_string(mode)},
      {"XVF_MODE_NAME", argv[2]},
      {"XVF_FIT_HEIGHT", std::to_string(xvf::kFitToHeight)},
      {"XVF_PANORAMA", std::to_string(xvf::kPanorama)},
      {"XVF_ANAMORPHIC", std::to_string(xvf::kAnamorphic)},
      {"XVF_BAND_LOW", std::to_string(low)},
      {"XVF_BAND_HIGH", std::to_string(high)},
      {"XVF_BAND_SCALE", std::to_string(lowScale)},
      {"XVF_PANORAMA_CAP", FloatLiteral(xvf::kPanoramaRatioCap)}};

  std::ifstream in(argv[1], std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    std::cerr << "write_shader: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const size_t open = text.find('@', at), close = open == std::string::npos ? open : text.find('@', open + 1);
    if (close == std::string::npos) {
      out += text.substr(at);
      break;
    }
    const auto field = fields.find(text.substr(open + 1, close - open - 1));
    if (field == fields.end()) {
      std::cerr << "write_shader: unknown field " << text.substr(open, close - open + 1) << "\n";
      return 1;
    }
    out += text.substr(at, open - at) + field->second;
    at = close + 1;
  }
  std::ofstream file(argv[3], std::ios::binary);
  file << out;
  file.close();
  return file.good() ? 0 : 1;
}
