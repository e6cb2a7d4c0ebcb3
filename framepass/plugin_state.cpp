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

int32_t PluginState::Start(const StreamFormat& format, const std::function<void()>& findHostWindows) {
  pixelFormat = format.pixelFormat;
  width = format.width;
  height = format.height;
  bypass = format.bypass;
  thePainter.Setup(width, height, PixelFormatOf(pixelFormat));
  if (findHostWindows) findHostWindows();
  theScaler.SetHysteresis(10, 10);
  panoramaRatio = -1.0;
  Stop();  // a Start without a Stop leaves its table behind
  // Only for widths a frame pass can use: a hostile width asks for no memory.
  if (width >= 0 && width < kSideLimit) {
    panoramaTable = static_cast<ScaleMapEntry*>(AlignedAlloc(width, sizeof(ScaleMapEntry)));
  }
  return 1;
}

void PluginState::Stop() {
  if (panoramaTable) {
    AlignedFree(panoramaTable);
    panoramaTable = nullptr;
  }
}

bool PluginState::StreamIsUsable() const { return IsUsableStream(PixelFormatOf(pixelFormat), width, height); }

int32_t PluginState::ProcessFrame(uint8_t* frame, const FrameInputs& inputs) {
  return ProcessFrame(PackedRows(frame, PixelFormatOf(pixelFormat), width, height), inputs);
}

int32_t PluginState::ProcessFrame(const FrameRows& rows, const FrameInputs& inputs) {
  if (!rows.row0) return 0;
  if (BypassesFrames(bypass)) return 0;
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
    if (!panoramaTable) return 0;  // the table could not be allocated at Start
    const double ratio = PanoramaRatio(cw, ch);
    if (ratio != panoramaRatio) {
      BuildPanoramaTable(width, ratio, kPanoramaStep, panoramaTable);
      panoramaRatio = ratio;
    }
    columnMap = panoramaTable;
  }
  if (mode != kAnamorphic && IsFourThirdsWindow(cw, ch)) return 0;

  // A frame the scaler left unchanged (no memory) is not framed: no band may
  // be painted around a picture that was not scaled. An empty source is
  // nothing to scale; its bands are painted all the same.
  ScaleRequest request;
  request.rows = rows;
  request.frameWidth = width;
  request.frameHeight = height;
  request.format = PixelFormatOf(pixelFormat);
  request.srcRect = geometry.srcRect;
  request.dstRect = geometry.dstRect;
  request.byFields = byFields != 0;
  request.columnMap = columnMap;
  if (theScaler.Scale(request) == FrameScaler::Result::kLeftUnchanged) {
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
