#include "tests/support/guarded_buffer.h"

#include <cstdlib>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace xvf::test {
namespace {

size_t PageSize() {
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
#else
  return static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
}

}  // namespace

GuardedBuffer::GuardedBuffer(size_t bytes, Placement placement) : size_(bytes) {
  const size_t page = PageSize();
  const size_t body = (bytes + page - 1) / page * page;
  mapped_ = body + 2 * page;
#if defined(_WIN32)
  base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, mapped_, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
  if (!base_) throw std::bad_alloc();
  DWORD old;
  if (body && !VirtualProtect(base_ + page, body, PAGE_READWRITE, &old)) std::abort();
#else
  void* map = mmap(nullptr, mapped_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) throw std::bad_alloc();
  base_ = static_cast<uint8_t*>(map);
  if (body && mprotect(base_ + page, body, PROT_READ | PROT_WRITE) != 0) std::abort();
#endif
  data_ = placement == kAgainstEnd ? base_ + page + body - bytes : base_ + page;
}

GuardedBuffer::~GuardedBuffer() {
#if defined(_WIN32)
  VirtualFree(base_, 0, MEM_RELEASE);
#else
  munmap(base_, mapped_);
#endif
}

}  // namespace xvf::test
