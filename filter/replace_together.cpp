#include "filter/replace_together.h"

#include "filter/temporary_files.h"

namespace xvf {

ReplaceFailure ReplaceTogether(const std::vector<OutputFile*>& files) {
  const SignalsHeld held;
  for (size_t i = 0; i < files.size(); ++i) {
    if (const int error = files[i]->Put()) {
      for (size_t j = i; j-- > 0;) files[j]->Restore();
      for (OutputFile* file : files) file->Discard();
      return ReplaceFailure{files[i], error};
    }
  }
  for (OutputFile* file : files) file->Settle();
  return ReplaceFailure{};
}

}  // namespace xvf
