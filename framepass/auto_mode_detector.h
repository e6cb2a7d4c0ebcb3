#pragma once
#include <cstdint>
#include <string>

#include "framepass/aspect_geometry.h"
#include "framepass/frame_view.h"

namespace xvf {

// What the stream declares about itself; 0 in a numerator or denominator
// means not declared.
struct DeclaredStream {
  int64_t pixelAspectNum = 0, pixelAspectDen = 0;  // sample aspect, e.g. 64:45
  int64_t rateNum = 0, rateDen = 0;                // frames per second, e.g. 25:1
};

// The mode for one frame, and whether it differs from the frame before.
struct AutoModeDecision {
  int32_t mode = kPanorama;  // 1 to 4 or the fallback: how this frame is processed
  bool changed = false;      // never on the first frame
  std::string reason;        // why the mode in use was chosen: "letterbox 16:9",
                             // "full picture", "declared 16:9", "start"
};

// Chooses one of the five modes per programme, frame by frame:
//  - a declared display aspect within 2% of 16:9 is anamorphic (4), at once;
//  - otherwise a picture between black bands at least 14:9 wide is fit-width
//    (1), any other picture the fallback; a new choice is taken after it has
//    held for one second of frames that show a picture (black, dark and
//    nearly uniform frames neither count nor interrupt);
//  - until then, the fallback.
// Without a declared pixel aspect a frame is a 4:3 picture, as the five
// modes take it. Reads each frame, never writes it.
class AutoModeDetector {
 public:
  explicit AutoModeDetector(int32_t fallbackMode = kPanorama);

  // At the start and whenever the stream's description changes; the mode in
  // use stays until the next frame decides.
  void SetStream(const DeclaredStream& stream);

  AutoModeDecision Feed(const FrameView& frame);

  int32_t mode() const { return mode_; }
  int64_t changes() const { return changes_; }

 private:
  bool Take(int32_t mode, const std::string& reason);

  int32_t fallback_;
  DeclaredStream stream_;
  int32_t holdFrames_;
  int32_t mode_;
  std::string reason_ = "start";
  bool fed_ = false;        // a frame was decided
  bool wasDeclared_ = false;  // the frame before was anamorphic by its declared aspect
  int32_t candidate_ = -1;  // the mode the pictures ask for, when not mode_
  int32_t held_ = 0;        // picture frames in a row that asked for candidate_
  int64_t changes_ = 0;
};

}  // namespace xvf
