#include "settings/setting_table.h"

#include <atomic>

#include "settings/number_text.h"

namespace xvf {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

std::atomic<int32_t>& Atomic32(const SettingDescriptor& row) {
  return *static_cast<std::atomic<int32_t>*>(row.value);
}

// The row's value as text, in its type's width and sign.
std::string ValueText(const SettingDescriptor& row) {
  switch (row.type) {
    case kSettingByte: return FormatUnsigned(*static_cast<const uint8_t*>(row.value));
    case kSettingShort: return FormatSigned(*static_cast<const int16_t*>(row.value));
    case kSettingWord:
    case kSettingUShort: return FormatUnsigned(*static_cast<const uint16_t*>(row.value));
    case kSettingInt:
    case kSettingLong: return FormatSigned(Atomic32(row).load(kRelaxed));
    case kSettingInt64: return FormatSigned(*static_cast<const int64_t*>(row.value));
    case kSettingUInt64: return FormatUnsigned(*static_cast<const uint64_t*>(row.value));
    case kSettingString: return *static_cast<const std::string*>(row.value);
    default:  // kSettingUInt, kSettingDword, kSettingULong, kSettingUIntPtr
      return FormatUnsigned(uint32_t(Atomic32(row).load(kRelaxed)));
  }
}

}  // namespace

void ReadTable(IniDocument& ini, const std::string& section, const SettingDescriptor* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const SettingDescriptor& row = rows[i];
    if (row.type > kSettingLastType) continue;
    const bool found = ini.FindValue(section, row.key, ini.valueText);
    if (row.type == kSettingString) {
      *static_cast<std::string*>(row.value) =
          found ? ini.valueText : std::string(row.defaultText ? row.defaultText : "");
      continue;
    }
    const int64_t number = !found                       ? row.defaultValue
                           : row.type >= kSettingInt64  ? ParseInt64(ini.valueText)
                                                        : int64_t(ParseInt32(ini.valueText));
    const uint64_t bits = uint64_t(number);
    switch (row.type) {
      case kSettingByte:
        *static_cast<uint8_t*>(row.value) = uint8_t(bits);
        break;
      case kSettingShort:
        *static_cast<int16_t*>(row.value) = int16_t(uint16_t(bits));
        break;
      case kSettingWord:
      case kSettingUShort:
        *static_cast<uint16_t*>(row.value) = uint16_t(bits);
        break;
      case kSettingInt64:
        *static_cast<int64_t*>(row.value) = number;
        break;
      case kSettingUInt64:
        *static_cast<uint64_t*>(row.value) = bits;
        break;
      default: {  // the 32-bit codes, kSettingUInt to kSettingUIntPtr
        const uint32_t low = uint32_t(bits);
        Atomic32(row).store(low <= 0x7FFFFFFFu ? int32_t(low) : -int32_t(~low) - 1, kRelaxed);
        break;
      }
    }
  }
}

void WriteTable(IniDocument& ini, const SettingDescriptor* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const SettingDescriptor& row = rows[i];
    if (row.type > kSettingLastType) continue;
    ini.valueText = ValueText(row);
    ini.WriteKey(row.key, ini.valueText);
  }
}

}  // namespace xvf
