#include "settings/temporary_name.h"

namespace xvf {

std::string TemporaryFileName(uint32_t serial) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string name = "xvf0000.tmp";
  for (int digit = 0; digit < 4; ++digit) name[6 - digit] = kHex[(serial >> (4 * digit)) & 0xF];
  return name;
}

bool IsTemporaryFileName(const std::string& name) {
  if (name.size() != 11 || name.compare(0, 3, "xvf") != 0 || name.compare(7, 4, ".tmp") != 0) return false;
  for (size_t i = 3; i < 7; ++i)
    if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'A' && name[i] <= 'F'))) return false;
  return true;
}

}  // namespace xvf
