#pragma once
#include <cstdint>
#include <string>

#include "engine/frame_format.h"
#include "framepass/aspect_geometry.h"
#include "framepass/picture_measure.h"

namespace xvf {

// What the stream declares about itself; 0 in a numerator or denominator
// means not declared.
struct DeclaredStream {
  int64_t pixelAspectNum = 0, pixelAspectDen = 0;  // sample aspect, e.g. 64:45
  int64_t rateNum = 0, rateDen = 0;                // frames per second, e.g. 25:1
};

// Width over height as a width x height frame of the stream is shown, over
// its active width (704 of a 720-sample frame at one of BT.601's sample
// aspects); a 4:3 picture when the stream declares no aspect.
double DisplayAspect(int32_t width, int32_t height, const DeclaredStream& s);
// The stream declares a 16:9 picture (within 2 %; any 720-sample SD frame
// also over its 704 active samples).
bool DeclaresSixteenByNine(int32_t width, int32_t height, const DeclaredStream& s);

// The mode for one frame, and whether it is worth a report line.
struct AutoModeDecision {
  int32_t mode = kPanorama;  // 1 to 4 or the fallback: how this frame is processed
  bool first = false;        // the stream's first frame: its choice is reported too
  bool changed = false;      // the mode differs from the frame before (never on the first)
  bool noted = false;        // same mode, for a new reason (subtitles kept in view)
  int64_t sinceFrames = 0;   // changed or noted: frames since the picture that decided began
  std::string reason;        // why the mode in use was chosen: "letterbox 16:9",
                             // "full picture", "declared 16:9", "start"
};

// Chooses one of the five modes per programme, frame by frame:
//  - a declared display aspect within 2% of 16:9 is anamorphic (4), at once;
//  - otherwise a picture between black bands in a film format 14:9 or wider
//    is fit-width (1), unless its lower band carries burnt-in text and
//    subtitles are kept; any other picture the fallback; a new choice is
//    taken after it has held for one second of frames that show a picture
//    (black, uniform and undecidable frames neither count nor interrupt);
//  - until then, the fallback.
// Without a declared pixel aspect a frame is a 4:3 picture, as the five
// modes take it. Reads each frame, never writes it.
class AutoModeDetector {
 public:
  explicit AutoModeDetector(int32_t fallbackMode = kPanorama, bool keepSubtitles = true);

  // At the start and whenever the stream's description changes; the mode in
  // use stays until the next frame decides.
  void SetStream(const DeclaredStream& stream);

  AutoModeDecision Feed(const FrameRows& frame);

  int32_t mode() const { return current_.mode; }
  int64_t changes() const { return changes_; }

 private:
  // What the pictures ask for: a mode, and whether it keeps subtitles in view.
  struct Wish {
    int32_t mode = -1;
    bool keepsText = false;
    bool operator==(const Wish&) const = default;
  };
  bool Take(const Wish& wish, const std::string& reason);
  void Judge(const FrameRows& frame, AutoModeDecision* decision);

  int32_t fallback_;
  bool keepSubtitles_;
  DeclaredStream stream_;
  PictureMeasurer measurer_;
  int32_t holdFrames_;
  Wish current_;
  std::string reason_ = "start";
  int64_t frames_ = 0;         // frames decided
  bool wasDeclared_ = false;   // the frame before was anamorphic by its declared aspect
  Wish candidate_;             // what the pictures ask for, when not current_
  int32_t held_ = 0;           // picture frames that asked for candidate_ since candidateSince_
  int64_t candidateSince_ = 0; // the frame that first asked for candidate_
  bool textSeen_ = false;      // the letterbox has carried text in its lower band
  int32_t withoutLetterbox_ = 0;  // picture frames in a row that were no letterbox
  int64_t changes_ = 0;
};

}  // namespace xvf
