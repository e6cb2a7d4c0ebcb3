#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace xvf {

// What a new file takes over from the file it replaces: its ACL and
// extended attributes, its owner and group, its mode.

// The ACL and the extended attributes of the file `source` (a descriptor,
// or -1 to go by `sourcePath`) copied onto the file open as `fd`, with
// libacl and libattr; the mode's permission bits come with the ACL. File
// capabilities and IMA hashes are left behind: they were made for the old
// bytes, and writing the old file would have dropped them too. 0 or the
// errno of the step that failed (ENOTSUP where the new file's file system
// takes none).
int CopyAclAndAttributes(int source, const std::string& sourcePath, int fd);

// `old`'s owner and group given to the file open as `fd` where this process
// may (root: both; anyone: a group it belongs to), then `old`'s mode; the
// set-user-ID, set-group-ID and sticky bits only when both owner and group
// are `old`'s, so that nobody gains a privileged file with bytes of their
// choosing. 0 or the errno of a failed fchmod.
int CarryOwnerAndMode(const struct stat& old, int fd);

// What the file open as `fd`, made with mode 0600 in `folder`, would have
// had from open(..., 0666): the folder's default ACL where it has one (its
// owner, mask and other entries cut to rw-, as the kernel does), otherwise
// mode 0666 without the umask. 0 or the errno of the failed step.
int GiveNewFileAccess(const std::string& folder, int fd);

}  // namespace xvf
