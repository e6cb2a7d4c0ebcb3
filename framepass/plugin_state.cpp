#include "framepass/plugin_state.h"

#include <cstdint>

#include "engine/frame_format.h"
#include "framepass/aspect_geometry.h"
#include "framepass/panorama_table.h"
#include "platform/aligned_buffer.h"
#include "platform/rect.h"

namespace xvf {
namespace {

constexpr int32_t kPanoramaStep = 4;     // bytes of one work pixel
constexpr uint32_t kBlack = 0;
constexpr int32_t kOpaque = 100;

}  // namespace

PluginState::~PluginState() { Stop(); }

int32_t PluginState::Start(const StreamFormat& streamFormat, const std::function<void()>& findHostWindows) {
  format = PixelFormatOf(streamFormat.pixelFormat);
  width = streamFormat.width;
  height = streamFormat.height;
  bypass = streamFormat.bypass;
  thePainter.Setup(width, height, format);
  if (findHostWindows) findHostWindows();
  theScaler.SetHysteresis(10, 10);
  panoramaRatio.reset();
  Stop();  // a Start without a Stop leaves its table behind
  // Only for widths a frame pass can use: a hostile width asks for no memory.
  if (width >= 0 && width < kSideLimit) panoramaTable.Allocate(static_cast<size_t>(width));
  return 1;
}

void PluginState::Stop() { panoramaTable.Free(); }

bool PluginState::BypassesFrames() const { return xvf::BypassesFrames(bypass); }

bool PluginState::StreamIsUsable() const { return IsUsableStream(format, width, height); }

void PluginState::UseKernels(const EngineKernels& kernels) {
  theScaler.UseKernels(kernels);
  thePainter.UseKernels(kernels);
}

int32_t PluginState::ProcessFrame(uint8_t* frame, const FrameInputs& inputs) {
  return ProcessFrame(PackedRows(frame, format, width, height), inputs);
}

int32_t PluginState::ProcessFrame(const FrameRows& rows, const FrameInputs& inputs) {
  if (!rows.row0) return 0;
  if (rows.width != width || rows.height != height || rows.format != format) return 0;  // not this stream's
  if (BypassesFrames()) return 0;
  const int32_t mode = inputs.aspectMode;
  const int32_t byFields = inputs.interlace;
  if (mode == kFitToWindow) return 0;
  // Nothing to measure, or no shape to fit: the frame stays as it is.
  if (!inputs.windowFound || inputs.clientWidth <= 0 || inputs.clientHeight <= 0) return 0;
  if (!StreamIsUsable()) return 0;
  const int32_t cw = inputs.clientWidth;
  const int32_t ch = inputs.clientHeight;

  AspectGeometry geometry;
  if (!ComputeAspectGeometry(mode, width, height, cw, ch, &geometry)) return 0;
  const ScaleMapEntry* columnMap = nullptr;
  if (mode == kPanorama) {
    if (!panoramaTable) {  // the table could not be allocated at Start
      ++framesWantingMemory_;
      return 0;
    }
    const double ratio = PanoramaRatio(cw, ch);
    if (panoramaRatio != ratio) {
      BuildPanoramaTable(width, ratio, kPanoramaStep, panoramaTable.get());
      panoramaRatio = ratio;
    }
    columnMap = panoramaTable.get();
  }
  if (LeavesFramesAlone(mode, cw, ch)) return 0;

  // A frame the scaler left unchanged (no memory) is not framed: no band may
  // be painted around a picture that was not scaled. An empty source is
  // nothing to scale; its bands are painted all the same.
  ScaleRequest request;
  request.frame = rows;
  request.srcRect = geometry.srcRect;
  request.dstRect = geometry.dstRect;
  request.byFields = byFields != 0;
  request.columnMap = columnMap;
  const int32_t shortages = theScaler.Statistics().memoryShortages;
  if (theScaler.Scale(request) == FrameScaler::Result::kLeftUnchanged) {
    if (theScaler.Statistics().memoryShortages != shortages) ++framesWantingMemory_;
    return 0;
  }

  Rect dstRect = geometry.dstRect;
  if (byFields) {
    // The scaler writes whole fields: round both edges down to even rows.
    dstRect.top &= ~1;
    dstRect.bottom &= ~1;
  }
  Rect visibleRect;
  IntersectRect(&visibleRect, thePainter.FrameRect(), dstRect);

  // Four black bands around the picture:
  //   +------------------------+
  //   |          top           |
  //   +------+---------+-------+
  //   | left | visible | right |
  //   +------+---------+-------+
  //   |         bottom         |
  //   +------------------------+
  const int32_t w = width;
  const int32_t h = height;
  thePainter.PaintRect(rows, 0, 0, w, visibleRect.top, kBlack, kOpaque);
  thePainter.PaintRect(rows, 0, visibleRect.top, visibleRect.left, visibleRect.bottom, kBlack, kOpaque);
  thePainter.PaintRect(rows, visibleRect.right, visibleRect.top, w, visibleRect.bottom, kBlack, kOpaque);
  thePainter.PaintRect(rows, 0, visibleRect.bottom, w, h, kBlack, kOpaque);
  return 1;
}

}  // namespace xvf
