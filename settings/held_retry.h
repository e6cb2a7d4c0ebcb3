#pragma once
// One bounded back-off for every file access that another program may be
// holding for a moment (a scanner, a backup, another host's save).
#include <cstdint>

#include "settings/settings_platform.h"

namespace xvf {

// Tried this many times in all, waiting 25 ms longer before each retry
// (1125 ms in all).
constexpr uint32_t kHeldTries = 10;
constexpr uint32_t kHeldRetryStepMs = 25;

// attempt() until it gives something other than Result::kHeld, at most
// kHeldTries times; the last result.
template <class Attempt>
auto RetryWhileHeld(SettingsPlatform& platform, Attempt attempt) -> decltype(attempt()) {
  auto result = attempt();
  for (uint32_t retry = 1; retry < kHeldTries && result == decltype(result)::kHeld; ++retry) {
    platform.Pause(retry * kHeldRetryStepMs);
    result = attempt();
  }
  return result;
}

}  // namespace xvf
