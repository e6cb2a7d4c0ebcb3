// The frame thread and the dialog's thread together, as in the plug-in: the
// frame thread reads current.aspectMode and current.interlace once per frame
// (as Process does) and runs the frame pass with that reading, while the
// dialog's thread keeps changing them (as its combo box and check box do, and
// as the close message's revert does). Built with ThreadSanitizer by the
// native-tsan preset: no data race may be reported. Every frame must equal the
// frame a single-threaded pass gives for the reading it took.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "framepass/plugin_state.h"
#include "settings/settings_store.h"
#include "tests/support/frame_setup.h"

namespace xvf {
namespace {

constexpr int32_t kWidth = 96;
constexpr int32_t kHeight = 72;
constexpr int32_t kFormat = 0;
constexpr int32_t kClientWidth = 600;
constexpr int32_t kClientHeight = 600;
constexpr int kFrames = 600;

std::vector<uint8_t> Noise(size_t bytes) {
  std::mt19937 random(17);
  std::uniform_int_distribution<int> value(40, 215);
  std::vector<uint8_t> frame(bytes);
  for (auto& b : frame) b = static_cast<uint8_t>(value(random));
  return frame;
}

struct Reading {
  int32_t mode;
  int32_t interlace;
};

TEST(SettingsConcurrency, EveryFrameFollowsOneReadingOfTheDialogsSettings) {
  const std::vector<uint8_t> input = Noise(static_cast<size_t>(kWidth) * kHeight * 2);
  const StreamFormat stream{kWidth, kHeight, 0, kFormat, 0};

  // Single-threaded reference per reading: modes 0..4 and one outside, both field flags.
  struct Reference {
    int32_t result;
    std::vector<uint8_t> frame;
  };
  Reference references[6][2];
  for (int32_t mode = 0; mode < 6; ++mode)
    for (int32_t interlace = 0; interlace < 2; ++interlace) {
      PluginState reference;
      reference.Start(stream, nullptr);
      references[mode][interlace].frame = input;
      references[mode][interlace].result = reference.ProcessFrame(
          references[mode][interlace].frame.data(), test::WindowInputs(mode, kClientWidth, kClientHeight, interlace));
    }
  ASSERT_EQ(references[1][1].result, 1);
  ASSERT_NE(references[1][1].frame, references[1][0].frame);  // fields matter here

  SettingsStore& store = theSettingsStore;
  store.current.aspectMode.store(1, std::memory_order_relaxed);
  store.current.interlace.store(0, std::memory_order_relaxed);

  PluginState state;
  state.Start(stream, nullptr);
  std::atomic<int> framesDone{0};
  std::atomic<int> changes{0};
  std::vector<Reading> readings(kFrames);
  std::vector<char> matches(kFrames, 0);

  // The dialog's thread: a change of the combo box, a change of the check box,
  // now and then a snapshot and a revert, for as long as frames run.
  std::thread dialog([&] {
    std::mt19937 random(3);
    while (framesDone.load() < kFrames) {
      store.current.aspectMode.store(static_cast<int32_t>(random() % 6), std::memory_order_relaxed);
      store.current.interlace.store(static_cast<int32_t>(random() % 2), std::memory_order_relaxed);
      if (random() % 16 == 0) {
        store.Snapshot();
        store.current.aspectMode.store(static_cast<int32_t>(random() % 6), std::memory_order_relaxed);
        store.Revert();
      }
      changes.fetch_add(1);
      std::this_thread::yield();
    }
  });

  // The frame thread, as Process: one reading of each setting, then the pass.
  std::thread frames([&] {
    std::vector<uint8_t> frame(input.size());
    for (int i = 0; i < kFrames; ++i) {
      // Every other frame waits for a change, so the frames see many
      // readings; the others race the dialog freely.
      if (i % 2 == 0) {
        const int seen = changes.load();
        while (changes.load() == seen) std::this_thread::yield();
      }
      std::memcpy(frame.data(), input.data(), input.size());
      FrameInputs in = test::WindowInputs(0, kClientWidth, kClientHeight);
      in.aspectMode = store.current.aspectMode.load(std::memory_order_relaxed);
      in.interlace = store.current.interlace.load(std::memory_order_relaxed);
      readings[i] = Reading{in.aspectMode, in.interlace};
      const int32_t result = state.ProcessFrame(frame.data(), in);
      const Reference& expected = references[in.aspectMode][in.interlace != 0];
      matches[i] = result == expected.result && frame == expected.frame;
      framesDone.fetch_add(1);
    }
  });
  frames.join();
  dialog.join();

  std::set<std::pair<int32_t, int32_t>> distinct;
  for (int i = 0; i < kFrames; ++i) {
    EXPECT_TRUE(matches[i]) << "frame " << i << " read mode " << readings[i].mode << ", fields "
                            << readings[i].interlace;
    distinct.insert({readings[i].mode, readings[i].interlace});
  }
  // The frames really saw the settings change under them.
  EXPECT_GE(distinct.size(), 6u);
}

}  // namespace
}  // namespace xvf
