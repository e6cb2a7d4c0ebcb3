#include "platform/aligned_buffer.h"

#include <cstdlib>
#if defined(_WIN32)
#include <malloc.h>
#endif

namespace xvf {
namespace {
constexpr size_t kAlignment = 16;
AllocFailureHook theAllocFailureHook = nullptr;
}  // namespace

void SetAllocFailureHook(AllocFailureHook hook) { theAllocFailureHook = hook; }

void* AlignedAlloc(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  size_t bytes = count * size;
  if (bytes == 0) bytes = kAlignment;  // a valid, freeable block for empty demands
  if (theAllocFailureHook && theAllocFailureHook(bytes)) return nullptr;
#if defined(_WIN32)
  return _aligned_malloc(bytes, kAlignment);
#else
  void* block = nullptr;
  return posix_memalign(&block, kAlignment, bytes) == 0 ? block : nullptr;
#endif
}

void AlignedFree(void* block) {
#if defined(_WIN32)
  _aligned_free(block);
#else
  free(block);
#endif
}

}  // namespace xvf
