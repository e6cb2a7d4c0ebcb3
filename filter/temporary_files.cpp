#include "filter/temporary_files.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace xvf {
namespace {

constexpr int kSlots = 8;  // output, geometry and preview need three
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct Slot {
  volatile sig_atomic_t used;  // set last when listing, cleared first when unlisting
  int folder;
  dev_t device;
  ino_t inode;
  char name[NAME_MAX + 1];
};
Slot theSlots[kSlots];

extern "C" void RemoveAndEnd(int signalNumber) {
  const int saved = errno;
  for (Slot& slot : theSlots) {
    struct stat now;
    if (slot.used && fstatat(slot.folder, slot.name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        now.st_dev == slot.device && now.st_ino == slot.inode)
      unlinkat(slot.folder, slot.name, 0);
  }
  errno = saved;
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);  // delivered when the handler returns: the signal is blocked inside it
}

sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kEndingSignals) sigaddset(&set, s);
  return set;
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
  for (int s : kEndingSignals) {
    struct sigaction action {}, old{};
    action.sa_handler = RemoveAndEnd;
    action.sa_mask = EndingSignals();
    if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(s, &action, nullptr);
  }
}

SignalsHeld::SignalsHeld() {
  const sigset_t set = EndingSignals();
  sigprocmask(SIG_BLOCK, &set, &saved_);
}

SignalsHeld::~SignalsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }

int ListTemporaryFile(int folder, const char* name, dev_t device, ino_t inode) {
  const size_t length = std::strlen(name);
  if (length > NAME_MAX) return -1;
  for (int n = 0; n < kSlots; ++n) {
    Slot& slot = theSlots[n];
    if (slot.used) continue;
    std::memcpy(slot.name, name, length + 1);
    slot.folder = folder;
    slot.device = device;
    slot.inode = inode;
    slot.used = 1;
    return n;
  }
  return -1;
}

void UnlistTemporaryFile(int slot) {
  if (slot >= 0 && slot < kSlots) theSlots[slot].used = 0;
}

}  // namespace xvf
