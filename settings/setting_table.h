#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/ini_document.h"

namespace xvf {

// Value type code of a descriptor row, 0..12; rows above 12 are skipped.
// The value lives as the type says; the 32-bit codes keep it in a
// std::atomic<int32_t>.
using SettingType = uint32_t;
constexpr SettingType kSettingByte = 0;      // uint8_t    atoi, low 8 bits    "%u"
constexpr SettingType kSettingShort = 1;     // int16_t    atoi, low 16 bits   "%d"
constexpr SettingType kSettingWord = 2;      // uint16_t   atoi, low 16 bits   "%u"
constexpr SettingType kSettingUShort = 3;    // uint16_t   atoi, low 16 bits   "%u"
constexpr SettingType kSettingUInt = 4;      // 32-bit     atoi                "%u"
constexpr SettingType kSettingDword = 5;     // 32-bit     atoi                "%u"
constexpr SettingType kSettingInt = 6;       // 32-bit     atoi                "%d"
constexpr SettingType kSettingULong = 7;     // 32-bit     atoi                "%u"
constexpr SettingType kSettingLong = 8;      // 32-bit     atoi                "%d"
constexpr SettingType kSettingUIntPtr = 9;   // 32-bit     atoi                "%u"
constexpr SettingType kSettingInt64 = 10;    // int64_t    _atoi64             signed decimal
constexpr SettingType kSettingUInt64 = 11;   // uint64_t   _atoi64             unsigned decimal
constexpr SettingType kSettingString = 12;   // std::string  the value text    unchanged
constexpr SettingType kSettingLastType = kSettingString;

struct SettingDescriptor {
  SettingType type;
  const char* key;            // INI key name
  void* value;                // where the value lives, of the type's storage
  int64_t defaultValue;       // used when the key is absent; narrow types take the low part
  const char* defaultText;    // the default of the string type (null reads as empty)
};

// Every row in order: the value of its key in section, parsed as its type
// says, or its default when the key is absent.
void ReadTable(IniDocument& ini, const std::string& section, const SettingDescriptor* rows, size_t count);

// Every row in order, appended to the output text as "key=value".
void WriteTable(IniDocument& ini, const SettingDescriptor* rows, size_t count);

}  // namespace xvf
