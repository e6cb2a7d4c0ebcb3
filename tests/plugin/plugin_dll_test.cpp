// XVF_Aspect.dll through its two exports, driven by the stand-in host's
// windows in this process (and in child processes for the instance switch).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "framepass/plugin_records.h"
#include "framepass/plugin_state.h"
#include "settings/settings_store.h"
#include "tests/plugin/loaded_dll.h"
#include "tests/support/frame_setup.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/x87_control_word.h"
#include "tests/host/host_standin.h"
#include "tools/test_card.h"

namespace xvf {
namespace {

using test::DllPath;
using test::StoreSettings;
using test::SetX87ControlWord;
using test::X87ControlWord;

// The build copies the stand-in host beside this program too.
std::string HostStandinPath() { return ExecutableFolder() + "host-standin.exe"; }

std::vector<uint8_t> Noise(size_t bytes, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(0, 255);
  std::vector<uint8_t> frame(bytes);
  for (auto& b : frame) b = static_cast<uint8_t>(value(random));
  return frame;
}

class PluginDll : public ::testing::Test {
 protected:
  void Open(int32_t mode, int32_t interlace, bool windows = true) {
    StoreSettings(mode, interlace);
    if (windows) {
      ASSERT_TRUE(host_.CreateWindows("", clientWidth_, clientHeight_));
    }
    ASSERT_TRUE(host_.Load(DllPath())) << DllPath();
    plugin_ = host_.Descriptor();
    ASSERT_NE(plugin_, nullptr);
    const HostInfo info{0, 0};
    plugin_->Init(&info);
  }
  void Close() {
    if (plugin_) plugin_->Shutdown();
    plugin_ = nullptr;
    host_.Unload();
  }
  void TearDown() override {
    Close();
    host_.DestroyWindows();
  }
  int32_t Start(int32_t w, int32_t h, int32_t format, int32_t bypass = 0) {
    const StreamFormat stream{w, h, 0, format, bypass};
    return plugin_->Start(&stream);
  }
  int32_t Process(uint8_t* frame) {
    const FrameRequest request{frame};
    return plugin_->Process(&request);
  }

  HostStandin host_;
  const PluginDescriptor* plugin_ = nullptr;
  int32_t clientWidth_ = 1024;
  int32_t clientHeight_ = 576;
};

TEST_F(PluginDll, ExportsDescriptorAndVersion) {
  ASSERT_TRUE(host_.Load(DllPath()));
  EXPECT_EQ(host_.Version(), 3);  // before Init
  const PluginDescriptor* first = host_.Descriptor();
  EXPECT_EQ(host_.Descriptor(), first);
  EXPECT_STREQ(first->name, "\xC0\xF1\xEF\xE5\xEA\xF2\x20\xEA\xE0\xE4\xF0\xE0");  // Аспект кадра
  EXPECT_STREQ(first->description,
               "\xD3\xEF\xF0\xE0\xE2\xEB\xE5\xED\xE8\xE5\x20\xEF\xF0\xEE\xEF\xEE\xF0\xF6\xE8\xFF\xEC\xE8\x20\xE8"
               "\xE7\xEE\xE1\xF0\xE0\xE6\xE5\xED\xE8\xFF");
  for (const void* slot : {reinterpret_cast<const void*>(first->Init), reinterpret_cast<const void*>(first->Start),
                           reinterpret_cast<const void*>(first->Process), reinterpret_cast<const void*>(first->Stop),
                           reinterpret_cast<const void*>(first->Configure),
                           reinterpret_cast<const void*>(first->Shutdown)})
    EXPECT_NE(slot, nullptr);
  // Nothing else is exported under a decorated name.
  EXPECT_EQ(GetProcAddress(host_.module(), "_Quillvox_Plugin_PR"), nullptr);
  const HostInfo info{0, 0};
  first->Init(&info);
  first->Shutdown();
  EXPECT_EQ(host_.Version(), 3);  // after Shutdown
}

std::string VersionString(const std::vector<char>& data, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string key = std::string("\\StringFileInfo\\041904e3\\") + name;
  if (!VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return "?";
  return value;
}

TEST_F(PluginDll, VersionRecord) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(DllPath().c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(DllPath().c_str(), 0, size, data.data()));
  EXPECT_EQ(VersionString(data, "FileVersion"), "0, 1, 0, 2");
  EXPECT_EQ(VersionString(data, "ProductVersion"), "1.02");
  EXPECT_EQ(VersionString(data, "InternalName"), "XVF_Aspect");
  EXPECT_EQ(VersionString(data, "OriginalFilename"), "XVF_Aspect.DLL");
  EXPECT_EQ(VersionString(data, "FileDescription"), "XVF_Aspect DLL");
  EXPECT_EQ(VersionString(data, "ProductName"), "XVF_Aspect Dynamic Link Library");
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x419);
  EXPECT_EQ(translation[1], 1251);
}

TEST_F(PluginDll, StartSendsTheHostQueryOncePerStart) {
  Open(2, 0);
  HostStandin::ResetQueryCount();
  EXPECT_EQ(Start(720, 576, 0), 1);
  EXPECT_EQ(HostStandin::QueryCount(), 1);
  plugin_->Stop();
  plugin_->Stop();  // a second Stop does nothing
  EXPECT_EQ(Start(0, 576, 0), 1);  // width 0 still starts
  EXPECT_EQ(HostStandin::QueryCount(), 2);
  std::vector<uint8_t> frame(16, 9);
  EXPECT_EQ(Process(frame.data()), 0);  // nothing to scale in an empty stream
  plugin_->Stop();
  EXPECT_EQ(Start(720, 576, 0), 1);
  EXPECT_EQ(Process(nullptr), 0);
  EXPECT_EQ(plugin_->Process(nullptr), 0);
  plugin_->Stop();
}

TEST_F(PluginDll, BypassOneAndTwoLeaveFramesAlone) {
  Open(2, 0);
  for (int32_t bypass : {0, 1, 2, 3}) {
    EXPECT_EQ(Start(720, 576, 1, bypass), 1);
    auto frame = Noise(FrameBytes(PixelFormat::kRgb24, 720, 576), bypass);
    const auto original = frame;
    const int32_t result = Process(frame.data());
    EXPECT_EQ(result, bypass == 1 || bypass == 2 ? 0 : 1) << bypass;
    EXPECT_EQ(frame == original, result == 0) << bypass;
    plugin_->Stop();
  }
}

TEST_F(PluginDll, WithoutHostWindowsFramesAreLeftAlone) {
  Open(1, 0, /*windows=*/false);
  HostStandin::ResetQueryCount();
  EXPECT_EQ(Start(720, 576, 0), 1);
  auto frame = Noise(FrameBytes(PixelFormat::kYuy2, 720, 576), 11);
  const auto original = frame;
  EXPECT_EQ(Process(frame.data()), 0);
  EXPECT_EQ(frame, original);
  EXPECT_EQ(HostStandin::QueryCount(), 0);
  plugin_->Stop();
}

// The portable frame pass, in this process, on the same input.
std::vector<uint8_t> Reference(const std::vector<uint8_t>& input, int32_t w, int32_t h, int32_t format, int32_t mode,
                               int32_t interlace, int32_t cw, int32_t ch, int32_t* result) {
  PluginState state;
  state.Start(StreamFormat{w, h, 0, format, 0}, nullptr);
  const FrameInputs in = test::WindowInputs(mode, cw, ch, interlace);
  std::vector<uint8_t> frame = input;
  *result = state.ProcessFrame(frame.data(), in);
  return frame;
}

TEST_F(PluginDll, ResizingTheVideoWindowTakesEffectAtTheNextFrame) {
  Open(2, 0);
  ASSERT_EQ(Start(720, 576, 0), 1);
  const auto input = Noise(FrameBytes(PixelFormat::kYuy2, 720, 576), 12);
  for (auto [cw, ch] : {std::pair{1024, 576}, std::pair{600, 600}, std::pair{640, 480}, std::pair{1024, 576}}) {
    host_.SetClientSize(cw, ch);
    auto frame = input;
    int32_t expectedResult = 0;
    const auto expected = Reference(input, 720, 576, 0, 2, 0, cw, ch, &expectedResult);
    EXPECT_EQ(Process(frame.data()), expectedResult) << cw << "x" << ch;
    EXPECT_TRUE(frame == expected) << cw << "x" << ch;
  }
  plugin_->Stop();
}

// Every mode, format and field flag over several window shapes: whole frames
// from the library, placed against no-access pages, equal the portable pass.
TEST_F(PluginDll, FramesEqualThePortablePassAndStayInsideTheFrame) {
  struct Stream {
    int32_t w, h, format;
  };
  const Stream streams[] = {{720, 576, 0}, {720, 576, 1}, {358, 287, 0}, {357, 287, 1}, {2, 1, 0}, {1, 3, 1}};
  const std::pair<int32_t, int32_t> windows[] = {{1024, 576}, {600, 600}, {800, 480}, {640, 480},
                                                 {660, 500},  {333, 577}, {1, 300},   {300, 1}};
  for (int32_t mode = 0; mode <= 5; ++mode)
    for (int32_t interlace : {0, 1}) {
      Close();
      Open(mode, interlace);
      for (const Stream& s : streams) {
        ASSERT_EQ(Start(s.w, s.h, s.format), 1);
        const auto input = s.w == 720 ? RgbToFrame(MakeTestCardRgb(s.w, s.h), s.w, s.h, PixelFormatOf(s.format))
                                      : Noise(FrameBytes(PixelFormatOf(s.format), s.w, s.h), s.w);
        for (auto placement : {test::GuardedBuffer::kAgainstEnd, test::GuardedBuffer::kAgainstStart})
          for (auto [cw, ch] : windows) {
            host_.SetClientSize(cw, ch);
            test::GuardedBuffer frame(input.size(), placement);
            std::memcpy(frame.data(), input.data(), input.size());
            int32_t expectedResult = 0;
            const auto expected = Reference(input, s.w, s.h, s.format, mode, interlace, cw, ch, &expectedResult);
            const int32_t result = Process(frame.data());
            const bool same = std::memcmp(frame.data(), expected.data(), expected.size()) == 0;
            EXPECT_EQ(result, expectedResult)
                << "mode " << mode << " fields " << interlace << " " << s.w << "x" << s.h << "/" << s.format
                << " window " << cw << "x" << ch;
            EXPECT_TRUE(same) << "mode " << mode << " fields " << interlace << " " << s.w << "x" << s.h << "/"
                              << s.format << " window " << cw << "x" << ch;
            if (mode == 0 || mode == 5) {
              EXPECT_EQ(result, 0);
            }
          }
        plugin_->Stop();
      }
    }
}

#if defined(__i386__)
// Calls fn(arg) with the stack pointer 4 bytes off 16-byte alignment at the
// call, as a host built for 4-byte stack alignment may.
int32_t CallWithMisalignedStack(const void* fn, const void* arg) {
  int32_t result;
  asm volatile(
      "mov %%esp, %%esi\n\t"
      "and $-16, %%esp\n\t"
      "sub $8, %%esp\n\t"
      "push %2\n\t"
      "call *%1\n\t"
      "mov %%esi, %%esp\n\t"
      : "=a"(result)
      : "r"(fn), "r"(arg)
      : "esi", "ecx", "edx", "memory", "cc");
  return result;
}

TEST_F(PluginDll, EntryPointsRealignTheStack) {
  for (int32_t mode : {1, 3}) {
    Close();
    Open(mode, 1);
    const StreamFormat stream{720, 576, 0, 0, 0};
    EXPECT_EQ(CallWithMisalignedStack(reinterpret_cast<const void*>(plugin_->Start), &stream), 1);
    const auto input = RgbToFrame(MakeTestCardRgb(720, 576), 720, 576, PixelFormat::kYuy2);
    auto frame = input;
    const FrameRequest request{frame.data()};
    int32_t expectedResult = 0;
    const auto expected = Reference(input, 720, 576, 0, mode, 1, clientWidth_, clientHeight_, &expectedResult);
    EXPECT_EQ(CallWithMisalignedStack(reinterpret_cast<const void*>(plugin_->Process), &request), 1);
    EXPECT_TRUE(frame == expected) << mode;
    plugin_->Stop();
  }
}

// The host may leave the x87 unit at 24-bit (renderers) or 64-bit precision:
// Start and Process still give the frames of binary64 arithmetic (the
// panorama table above all), and hand the caller's control word back.
TEST_F(PluginDll, FramesIgnoreTheCallersX87PrecisionAndKeepItsControlWord) {
  const uint16_t original = X87ControlWord();
  // Precision control 24 and 64 bits; the second also rounds upwards.
  for (const uint16_t callers : {uint16_t{0x007F}, uint16_t{0x0B7F}}) {
    for (int32_t mode : {3, 1}) {
      Close();
      Open(mode, 0);
      const auto input = RgbToFrame(MakeTestCardRgb(720, 576), 720, 576, PixelFormat::kYuy2);
      SetX87ControlWord(callers);
      const int32_t started = Start(720, 576, 0);
      EXPECT_EQ(X87ControlWord(), callers) << "after Start";
      SetX87ControlWord(original);
      EXPECT_EQ(started, 1);
      for (auto [cw, ch] : {std::pair{1024, 576}, std::pair{1000, 500}, std::pair{333, 577}, std::pair{675, 500}}) {
        host_.SetClientSize(cw, ch);
        int32_t expectedResult = 0;
        const auto expected = Reference(input, 720, 576, 0, mode, 0, cw, ch, &expectedResult);
        auto frame = input;
        SetX87ControlWord(callers);
        const int32_t result = Process(frame.data());
        const uint16_t after = X87ControlWord();
        SetX87ControlWord(original);
        EXPECT_EQ(after, callers) << "after Process, window " << cw << "x" << ch;
        EXPECT_EQ(result, expectedResult) << "mode " << mode << ", window " << cw << "x" << ch;
        EXPECT_TRUE(frame == expected) << "mode " << mode << ", window " << cw << "x" << ch << ", control word "
                                       << callers;
      }
      plugin_->Stop();
    }
  }
}
#endif

// Runs the stand-in host with `arguments` while serving this thread's windows,
// and returns its summary.
std::string RunHostStandin(const std::string& arguments) {
  const std::string report = ExecutableFolder() + "standin_report.txt";
  DeleteFileA(report.c_str());
  std::string commandLine = "\"" + HostStandinPath() + "\" " + arguments + " --report \"" + report + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return "cannot start";
  const DWORD until = GetTickCount() + 60000;
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 &&
         static_cast<int32_t>(until - GetTickCount()) > 0)
    HostStandin::PumpMessages();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::string text;
  if (FILE* in = std::fopen(report.c_str(), "rb")) {
    char buffer[512];
    text.assign(buffer, std::fread(buffer, 1, sizeof buffer, in));
    std::fclose(in);
  }
  return text;
}

// The host's instance switch against the windows that exist: windows of
// another instance (or of none) are never queried.
TEST(PluginDllInstances, TheSwitchChoosesTheWindows) {
  struct Case {
    const char* windowsInstance;  // windows made by this test; null: none
    const char* commandLine;
    const char* expected;  // in the stand-in's summary
    int32_t queries;       // answered by this test's windows
  };
  const Case cases[] = {
      {nullptr, "-INST:B --mode 2 --frames 2", "queries=1\ninstance=B\nresults=1 1\n", -1},  // ".InstB" as ".Instb"
      {"", "/inst:2 --no-windows --mode 2", "results=0\n", 0},
      {"2", "--no-windows --mode 2", "results=0\n", 0},
      {"2", "/inst:2 --no-windows --mode 2", "results=1\n", 1},
  };
  for (const Case& c : cases) {
    HostStandin windows;
    if (c.windowsInstance) {
      ASSERT_TRUE(windows.CreateWindows(c.windowsInstance, 1024, 576));
    }
    HostStandin::ResetQueryCount();
    const std::string summary = RunHostStandin(c.commandLine);
    EXPECT_NE(summary.find(c.expected), std::string::npos) << c.commandLine << "\n" << summary;
    if (c.queries >= 0) {
      EXPECT_EQ(HostStandin::QueryCount(), c.queries) << c.commandLine;
    }
  }
}

}  // namespace
}  // namespace xvf
