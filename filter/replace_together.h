#pragma once
#include <vector>

#include "filter/output_file.h"

namespace xvf {

struct ReplaceFailure {
  OutputFile* file = nullptr;  // the output that could not be put in place; nullptr when all are
  int error = 0;
};

// Puts every closed output of a run in place, or none of them: each one
// replaced is kept aside until all are in place, and when one cannot be put
// those put before it get their old files back. Signals that end a run wait
// until it is done. Outputs written as they are (pipes, devices, inherited
// descriptors) take no part.
ReplaceFailure ReplaceTogether(const std::vector<OutputFile*>& files);

}  // namespace xvf
