#pragma once
// Allocations that fail on purpose, through AlignedAlloc's hook. Once armed,
// requests are counted from 0: the one with index failAt fails, and every
// later one too when failLater is set; failAt -1 fails none and only counts.
#include <cstdint>

namespace xvf::test {

void ArmAllocationFailures(int32_t failAt, bool failLater);
void DisarmAllocationFailures();

// Requests since armed.
int32_t AllocationCount();
// Failures since armed or since the last call.
int32_t TakeAllocationFailures();

}  // namespace xvf::test
