// XVF_Aspect.dll through its exports with hostile streams: sizes negative,
// zero, huge and odd, unknown pixel formats and bypass values, aspect modes
// outside 0..4 from the settings file, windows from nothing to huge, frames
// against no-access pages, in every mode with and without fields. Process
// never crashes, returns 0 exactly when the frame is unchanged, and gives the
// bytes of the portable frame pass.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "framepass/plugin_records.h"
#include "framepass/plugin_state.h"
#include "settings/settings_store.h"
#include "tests/plugin/loaded_dll.h"
#include "tests/support/frame_setup.h"
#include "tests/support/guarded_buffer.h"
#include "tests/host/host_standin.h"

namespace xvf {
namespace {

// A refused stream gets this many bytes: any touch past them faults.
constexpr size_t kSmallFrame = 4096;

using test::DllPath;
using test::StoreSettings;

bool Usable(const StreamFormat& s) { return IsUsableStream(PixelFormatOf(s.pixelFormat), s.width, s.height); }

size_t Bytes(const StreamFormat& s) {
  return Usable(s) ? FrameBytes(PixelFormatOf(s.pixelFormat), s.width, s.height) : kSmallFrame;
}

std::vector<uint8_t> Pattern(size_t bytes, uint32_t seed) {
  std::vector<uint8_t> frame(bytes);
  for (auto& b : frame) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(40 + (seed >> 16) % 176);
  }
  return frame;
}

TEST(PluginDllHostile, HostileStreamsModesAndWindows) {
  const StreamFormat streams[] = {
      {720, 576, 0, 0, 0},         {357, 287, 0, 1, 0},          {2, 1, 0, 0, 0},           {1, 1, 0, 1, 0},
      {65535, 2, 0, 1, 0},         {2, 4097, 0, 0, 3},           {720, 576, 0, 1, -1},      {720, 576, 0, 1, INT_MIN},
      {720, 576, 0, 0, 1},         {720, 576, 0, 1, 2},          {-720, 576, 0, 0, 0},      {720, -576, 0, 1, 0},
      {0, 0, 0, 0, 0},             {0, 576, 0, 1, 0},            {INT_MAX, INT_MAX, 0, 1, 0}, {INT_MIN, 2, 0, 0, 0},
      {65536, 2, 0, 1, 0},         {2, 65536, 0, 0, 0},          {719, 576, 0, 0, 0},       {720, 576, 0, 2, 0},
      {720, 576, 0, -1, 0},        {720, 576, 0, INT_MAX, 0},    {0x73737373, 1, 0, 1, 0},  {40000, 40000, 0, 1, 0},
  };
  const std::pair<int32_t, int32_t> windows[] = {{1024, 576}, {600, 600}, {640, 480}, {1, 1},
                                                 {0, 0},      {0, 300},   {300, 0},   {30000, 7},
                                                 {7, 30000},  {16000, 16000}};
  HostStandin host;
  ASSERT_TRUE(host.CreateWindows("", 1024, 576));
  int32_t processed = 0, refused = 0;
  // A stored field flag of -1 reads back as all bits set: nonzero, like 1.
  for (const int32_t mode : {0, 1, 2, 3, 4, 5, -1, INT_MAX})
    for (const int32_t interlace : {0, mode == 3 ? -1 : 1}) {
      StoreSettings(mode, interlace);
      ASSERT_TRUE(host.Load(DllPath())) << DllPath();
      const PluginDescriptor* plugin = host.Descriptor();
      ASSERT_NE(plugin, nullptr);
      const HostInfo info{0, 0};
      plugin->Init(&info);
      for (const StreamFormat& stream : streams) {
        ASSERT_EQ(plugin->Start(&stream), 1);
        const size_t bytes = Bytes(stream);
        const auto input = Pattern(bytes, static_cast<uint32_t>(stream.width + stream.height));
        PluginState reference;  // the portable pass, on a fresh state every frame
        int32_t frameNumber = 0;
        for (const auto& [cw, ch] : windows) {
          host.SetClientSize(cw, ch);
          RECT client{};
          GetClientRect(host.videoWindow(), &client);  // what the window system made of it
          const auto placement = ++frameNumber % 2 ? test::GuardedBuffer::kAgainstEnd : test::GuardedBuffer::kAgainstStart;
          test::GuardedBuffer frame(bytes, placement);
          std::memcpy(frame.data(), input.data(), bytes);
          const FrameRequest request{frame.data()};
          const int32_t result = plugin->Process(&request);
          const bool same = std::memcmp(frame.data(), input.data(), bytes) == 0;
          const std::string where = "mode " + std::to_string(mode) + " fields " + std::to_string(interlace) +
                                    " stream " + std::to_string(stream.width) + "x" + std::to_string(stream.height) +
                                    "/" + std::to_string(stream.pixelFormat) + " bypass " +
                                    std::to_string(stream.bypass) + " window " + std::to_string(client.right) + "x" +
                                    std::to_string(client.bottom);
          ASSERT_TRUE(result == 0 || result == 1) << where;
          if (result == 0) {
            EXPECT_TRUE(same) << where;
          } else if (same) {
            EXPECT_TRUE(
                test::NothingToChange(mode, stream.width, stream.height, client.right, client.bottom, interlace))
                << where;
          }
          if (!Usable(stream) || mode < 1 || mode > 4 || stream.bypass == 1 || stream.bypass == 2 ||
              client.right <= 0 || client.bottom <= 0) {
            EXPECT_EQ(result, 0) << where;
          }
          result ? ++processed : ++refused;
          if (!Usable(stream)) continue;
          reference.Start(stream, nullptr);
          std::vector<uint8_t> expected = input;
          const FrameInputs in = test::WindowInputs(mode, client.right, client.bottom, interlace);
          EXPECT_EQ(result, reference.ProcessFrame(expected.data(), in)) << where;
          EXPECT_EQ(std::memcmp(frame.data(), expected.data(), bytes), 0) << where;
        }
        plugin->Stop();
      }
      plugin->Shutdown();
      host.Unload();
    }
  host.DestroyWindows();
  EXPECT_GT(processed, 0);
  EXPECT_GT(refused, 0);
}

// A null request, a null frame and Process or Stop without a Start.
TEST(PluginDllHostile, CallsOutOfOrder) {
  HostStandin host;
  ASSERT_TRUE(host.CreateWindows("", 1024, 576));
  StoreSettings(1, 1);
  ASSERT_TRUE(host.Load(DllPath()));
  const PluginDescriptor* plugin = host.Descriptor();
  const HostInfo info{0, 0};
  plugin->Init(&info);
  plugin->Stop();
  test::GuardedBuffer frame(kSmallFrame);
  std::memset(frame.data(), 99, kSmallFrame);
  const FrameRequest request{frame.data()};
  EXPECT_EQ(plugin->Process(&request), 0);  // no stream yet: its size is 0 x 0
  EXPECT_EQ(plugin->Process(nullptr), 0);
  const FrameRequest none{nullptr};
  EXPECT_EQ(plugin->Process(&none), 0);
  EXPECT_EQ(plugin->Start(nullptr), 1);  // read as an empty stream
  EXPECT_EQ(plugin->Process(&request), 0);
  plugin->Stop();
  plugin->Stop();
  for (size_t i = 0; i < kSmallFrame; ++i) ASSERT_EQ(frame.data()[i], 99);
  plugin->Shutdown();
  host.Unload();
  host.DestroyWindows();
}

}  // namespace
}  // namespace xvf
