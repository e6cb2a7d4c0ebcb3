#include "platform/aligned_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace xvf {
namespace {

TEST(AlignedBuffer, SixteenByteAlignedAndFreeable) {
  for (size_t bytes : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{1000}, size_t{720 * 576 * 4}}) {
    void* block = AlignedAlloc(bytes, 1);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    AlignedFree(block);
  }
  AlignedFree(nullptr);
}

TEST(AlignedBuffer, OverflowingSizeFails) {
  EXPECT_EQ(AlignedAlloc(SIZE_MAX / 2, 4), nullptr);
}

TEST(AlignedBuffer, FailureHookRefusesAllocations) {
  SetAllocFailureHook([](size_t) { return true; });
  EXPECT_EQ(AlignedAlloc(16, 1), nullptr);
  AlignedArray<int32_t> array;
  EXPECT_FALSE(array.Allocate(4));
  SetAllocFailureHook(nullptr);
  void* block = AlignedAlloc(16, 1);
  EXPECT_NE(block, nullptr);
  AlignedFree(block);
  ASSERT_TRUE(array.Allocate(4));
  SetAllocFailureHook([](size_t) { return true; });
  EXPECT_FALSE(array.Allocate(8));  // the old block is freed, not kept
  EXPECT_FALSE(array);
  SetAllocFailureHook(nullptr);
}

}  // namespace
}  // namespace xvf
