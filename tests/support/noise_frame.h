#pragma once
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace xvf::test {

// Mid-grey noise, bytes 40..215: no pixel of it is black, so a painted band
// shows, and neighbours differ, so any resampling shows.
inline std::vector<uint8_t> MidGreyNoise(size_t bytes, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(40, 215);
  std::vector<uint8_t> frame(bytes);
  for (auto& b : frame) b = static_cast<uint8_t>(value(random));
  return frame;
}

}  // namespace xvf::test
