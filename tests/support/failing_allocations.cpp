#include "tests/support/failing_allocations.h"

#include <cstddef>

#include "platform/aligned_buffer.h"

namespace xvf::test {
namespace {

int32_t theIndex = 0;
int32_t theFailAt = -1;
bool theFailLater = false;
int32_t theFailures = 0;

bool FailAllocation(size_t) {
  const int32_t index = theIndex++;
  const bool fail = theFailAt >= 0 && (index == theFailAt || (theFailLater && index > theFailAt));
  theFailures += fail;
  return fail;
}

}  // namespace

void ArmAllocationFailures(int32_t failAt, bool failLater) {
  theIndex = 0;
  theFailAt = failAt;
  theFailLater = failLater;
  theFailures = 0;
  SetAllocFailureHook(FailAllocation);
}

void DisarmAllocationFailures() { SetAllocFailureHook(nullptr); }

int32_t AllocationCount() { return theIndex; }

int32_t TakeAllocationFailures() {
  const int32_t failures = theFailures;
  theFailures = 0;
  return failures;
}

}  // namespace xvf::test
