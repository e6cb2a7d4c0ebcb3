#include "settings/temporary_name.h"

namespace xvf {

std::string TemporaryFileName(uint32_t serial) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string name = "xvf0000.tmp";
  for (int digit = 0; digit < 4; ++digit) name[6 - digit] = kHex[(serial >> (4 * digit)) & 0xF];
  return name;
}

}  // namespace xvf
