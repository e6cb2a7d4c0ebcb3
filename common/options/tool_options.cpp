#include "common/options/tool_options.h"

#include <cstdio>

namespace xvf {
bool ParseWhole(const std::string& text, int64_t low, int64_t high, int32_t* value) {
  const bool negative = !text.empty() && text[0] == '-' && low < 0;
  const size_t digits = text.size() - (negative ? 1 : 0);
  if (digits == 0 || digits > 10) return false;
  int64_t v = 0;
  for (size_t i = negative ? 1 : 0; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  if (negative) v = -v;
  if (v < low || v > high) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

namespace {

// Two whole numbers in low..2^31-1 around `separator`; both or neither stored.
bool ParsePair(const std::string& text, char separator, int64_t low, int32_t* first, int32_t* second) {
  const size_t at = text.find(separator);
  if (at == std::string::npos) return false;
  int32_t a = 0, b = 0;
  if (!ParseWhole(text.substr(0, at), low, INT32_MAX, &a) || !ParseWhole(text.substr(at + 1), low, INT32_MAX, &b))
    return false;
  *first = a;
  *second = b;
  return true;
}

}  // namespace

bool ParseSize(const std::string& text, int32_t* width, int32_t* height) {
  return ParsePair(text, 'x', 1, width, height);
}

bool ParseRatio(const std::string& text, int32_t* num, int32_t* den) { return ParsePair(text, ':', 0, num, den); }

int NextOption(int argc, char* const* argv, const char* shortOptions, const option* longOptions, bool first) {
  if (first) {
    optind = 0;  // full reinitialisation, in glibc and in mingw-w64's runtime
    opterr = 0;
  }
  return getopt_long(argc, argv, shortOptions, longOptions, nullptr);
}

std::string OptionErrorText(int code, char* const* argv) {
  const std::string arg = optind > 0 ? argv[optind - 1] : "";
  std::string name = std::string("-") + static_cast<char>(optopt);
  const bool isLong = arg.compare(0, 2, "--") == 0;
  if (isLong) name = arg.substr(0, arg.find('='));
  if (code == ':') return "option " + name + " needs a value";
  if (isLong && arg.find('=') != std::string::npos && optopt != 0) return "option " + name + " takes no value";
  return "unknown option " + name;
}

int OptionError(const char* program, const std::string& message) {
  std::fprintf(stderr, "%s: %s (try %s --help)\n", program, message.c_str(), program);
  return 2;
}

int PrintVersion(const char* program) {
  std::printf("%s %s\n", program, XVF_TOOLS_VERSION);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int HelpOrVersion(int code, int versionCode, const char* program, const char* help) {
  if (code == versionCode) return PrintVersion(program);
  if (code != 'h') return -1;
  return std::fputs(help, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace xvf
