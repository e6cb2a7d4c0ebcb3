#pragma once
// What a fixed mode may do with the picture mpv shows. The modes frame a 4:3
// capture, and anamorphic a 16:9 picture; a picture of any other shape has
// no frame of theirs to fill.
#include <cstdint>
#include <string>

namespace xvf {

// The mode that frames a picture of width x height samples shown at pixel
// aspect num:den when `asked` is chosen: `asked` for a 4:3 picture (within
// the automatic mode's 2 %), anamorphic for a 16:9 one, fit-window (the
// picture as mpv shows it) for any other shape; `why` says so when the
// answer is not `asked`. Fit-window, auto and a stream not yet known pass
// unchanged. A 720-sample frame at one of BT.601's sample aspects is judged
// on its 704 active samples.
int32_t ModeForPicture(int32_t asked, int32_t width, int32_t height, int64_t num, int64_t den, std::string* why);

}  // namespace xvf
