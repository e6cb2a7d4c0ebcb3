#pragma once
#include <cstdio>
#include <string>

#include "filter/filter_options.h"
#include "filter/output_file.h"
#include "filter/stream_plan.h"

namespace xvf {

// Where a run reads and writes. The outputs are opened at the first
// complete frame; regular files are replaced only when the run succeeds.
struct FilterStreams {
  int input = 0;
  std::string inputName = "standard input";
  OutputFile* output = nullptr;    // the frames
  OutputFile* geometry = nullptr;  // --geometry lines (standard error or FILE); unused without
  OutputFile* preview = nullptr;   // --preview; nullptr without
  bool showProgress = false;       // a progress line on `messages`
  FILE* messages = stderr;         // messages and the end-of-run line
};

// Reads a YUV4MPEG2 stream (told by its signature) or raw frames of
// --size and --format from `streams.input`, runs the frame pass on each as
// the plug-in's Process would for the window of `options`, and writes each
// frame in the input's form in order. Frame memory comes with the first
// frame. Returns the exit status: 0 when the input ended on a frame boundary
// after at least one frame; 1 when there was no complete frame, reading,
// writing or the preview failed, the reader went away, the scaler had no
// memory, the input ended inside a frame or a frame header was garbage; 2
// when the stream cannot be taken (a container file among them) or two roles
// share a file. On 1 and 2 every regular file is left as it was; a pipe or
// device has every complete frame written before the failure.
int RunFrameFilter(const FilterOptions& options, const FilterStreams& streams);

}  // namespace xvf
