#pragma once
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/frame_painter.h"
#include "engine/frame_scaler.h"
#include "engine/scale_map.h"
#include "framepass/plugin_records.h"
#include "platform/aligned_buffer.h"

namespace xvf {

// What one frame pass learns from outside the plug-in: the settings in use,
// read once, and the video window's client area, measured for this frame.
struct FrameInputs {
  int32_t aspectMode = 0;
  int32_t interlace = 0;     // nonzero: scale the two fields separately
  bool windowFound = false;  // false: no video window to measure
  int32_t clientWidth = 0;   // cw
  int32_t clientHeight = 0;  // ch
};

// The module-wide state of the plug-in: the stream copy taken at Start, the
// panorama table, the painter and the scaler. Start and Stop never overlap a
// frame pass; the host's calling order guarantees it.
class PluginState {
 public:
  PluginState() = default;
  ~PluginState();
  PluginState(const PluginState&) = delete;
  PluginState& operator=(const PluginState&) = delete;

  // Copies the stream, sets up the painter, runs `findHostWindows`, sets the
  // scaler's hysteresis, forgets the panorama ratio and allocates the table
  // (releasing a table left by an earlier Start). Always 1; a failed
  // allocation, or a width of 65536 or more that no frame pass can use,
  // leaves no table.
  int32_t Start(const StreamFormat& format, const std::function<void()>& findHostWindows);

  // Releases the table; a second Stop does nothing.
  void Stop();

  // The frame pass: 1 when the frame was scaled and its bands painted, 0 when
  // the frame was left exactly as it was.
  int32_t ProcessFrame(uint8_t* frame, const FrameInputs& inputs);
  // The same over rows laid out as `rows` says (longer rows, RGB24 top-down);
  // 0 for rows that are not RowsAreUsable or not of the started stream's size
  // and format.
  int32_t ProcessFrame(const FrameRows& rows, const FrameInputs& inputs);

  // The stream's bypass value passes every frame untouched.
  bool BypassesFrames() const;
  // IsUsableStream of the stream copy.
  bool StreamIsUsable() const;

  // Frames left exactly as they were for want of memory since construction:
  // the scaler's buffers, or a panorama table Start could not allocate. A
  // caller that must not pass such a frame off as framed compares counts.
  int32_t FramesLeftForWantOfMemory() const { return framesWantingMemory_; }
  // The scaler's counts (tests, benchmarks).
  FrameScaler::Stats ScalerStatistics() const { return theScaler.Statistics(); }
  // Kernels of one instruction-set level for the scaler and the painter
  // (tests, benchmarks); and the scaler's fast paths (off: the reference).
  void UseKernels(const EngineKernels& kernels);
  void UseFastPaths(bool on) { theScaler.UseFastPaths(on); }

 private:
  friend struct PluginStateProbe;  // tests: the panorama table and its ratio

  int32_t width = 0;
  int32_t height = 0;
  PixelFormat format = PixelFormat::kYuy2;
  int32_t bypass = 0;
  AlignedArray<ScaleMapEntry> panoramaTable;  // width entries, 16-byte aligned
  std::optional<double> panoramaRatio;       // ratio of the last build; none after Start
  FramePainter thePainter;
  FrameScaler theScaler;
  int32_t framesWantingMemory_ = 0;
};

}  // namespace xvf
