// Our Windows-1251 table against the system's, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "ui/dialog_init.h"

namespace {

TEST(Windows1251Win32, EveryByteDecodesAsTheSystemDecodesIt) {
  for (int byte = 1; byte < 256; ++byte) {
    const char in = static_cast<char>(byte);
    wchar_t system = 0;
    ASSERT_EQ(MultiByteToWideChar(1251, 0, &in, 1, &system, 1), 1) << byte;
    const uint8_t ours = static_cast<uint8_t>(byte);
    const std::u16string decoded = xvf::DecodeWindows1251(&ours, 1);
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(static_cast<int>(decoded[0]), static_cast<int>(system)) << "byte " << byte;
  }
}

}  // namespace
