#pragma once
#include <signal.h>
#include <sys/types.h>

namespace xvf {

// Temporary files this run is writing, removed when a signal ends the run.
// The names live in a fixed table, each relative to its folder's descriptor,
// so that the handler touches no heap, is bound by no path length and calls
// only async-signal-safe functions (fstatat, unlinkat, signal, raise).

// Handlers for SIGINT, SIGTERM and SIGHUP that remove every listed file
// (still the one listed: same device and inode) and then end the process by
// the signal's default action. A signal ignored at start stays ignored, as
// SIGPIPE is: a reader that goes away is a failed write, and a failed run
// removes its files itself.
void RemoveTemporaryFilesOnSignals();

// Blocks those signals while a file is created and listed, or renamed and
// unlisted, so that no file exists unlisted; restores the mask when it ends.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

// Lists `name` in the folder open as `folder` (which stays open while it is
// listed); the slot, or -1 when the table is full or the name too long (the
// caller then gives up the file).
int ListTemporaryFile(int folder, const char* name, dev_t device, ino_t inode);
void UnlistTemporaryFile(int slot);

}  // namespace xvf
