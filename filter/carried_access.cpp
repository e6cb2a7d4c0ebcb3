#include "filter/carried_access.h"

#include <acl/libacl.h>
#include <attr/error_context.h>
#include <attr/libattr.h>
#include <sys/acl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace xvf {
namespace {

// Which attributes attr_copy_fd copies: not the ACL (perm_copy_fd's), nor
// what /etc/xattr.conf skips, nor what belongs to the old bytes alone.
extern "C" int CopiedAttribute(const char* name, struct error_context* context) {
  if (std::strcmp(name, "security.capability") == 0 || std::strcmp(name, "security.ima") == 0) return 0;
  return attr_copy_check_permissions(name, context);
}

int Failure() { return errno != 0 ? errno : ENOTSUP; }

// The mode bits an ACL stands for: owner, mask (the group where it has
// none), other.
mode_t AclMode(acl_t acl) {
  mode_t owner = 0, group = 0, mask = 0, other = 0;
  bool masked = false;
  acl_entry_t entry;
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
    acl_tag_t tag;
    acl_permset_t permissions;
    if (acl_get_tag_type(entry, &tag) != 0 || acl_get_permset(entry, &permissions) != 0) continue;
    const mode_t bits = (acl_get_perm(permissions, ACL_READ) == 1 ? 4 : 0) |
                        (acl_get_perm(permissions, ACL_WRITE) == 1 ? 2 : 0) |
                        (acl_get_perm(permissions, ACL_EXECUTE) == 1 ? 1 : 0);
    if (tag == ACL_USER_OBJ) owner = bits;
    if (tag == ACL_GROUP_OBJ) group = bits;
    if (tag == ACL_OTHER) other = bits;
    if (tag == ACL_MASK) {
      mask = bits;
      masked = true;
    }
  }
  return owner << 6 | (masked ? mask : group) << 3 | other;
}

}  // namespace

int CopyAclAndAttributes(int source, const std::string& sourcePath, int fd) {
  const std::string target = "/proc/self/fd/" + std::to_string(fd);
  errno = 0;
  const int acl = source >= 0 ? perm_copy_fd(sourcePath.c_str(), source, target.c_str(), fd, nullptr)
                              : perm_copy_file(sourcePath.c_str(), target.c_str(), nullptr);
  if (acl != 0) return Failure();
  errno = 0;
  const int attributes = source >= 0
                             ? attr_copy_fd(sourcePath.c_str(), source, target.c_str(), fd, CopiedAttribute, nullptr)
                             : attr_copy_file(sourcePath.c_str(), target.c_str(), CopiedAttribute, nullptr);
  return attributes != 0 ? Failure() : 0;
}

int CarryOwnerAndMode(const struct stat& old, int fd) {
  struct stat now;
  if (fstat(fd, &now) != 0) return errno;
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && fchown(fd, old.st_uid, old.st_gid) != 0)
    (void)fchown(fd, static_cast<uid_t>(-1), old.st_gid);  // a group of ours; otherwise ours stays
  if (fstat(fd, &now) != 0) return errno;
  const bool sameOwners = now.st_uid == old.st_uid && now.st_gid == old.st_gid;
  return fchmod(fd, old.st_mode & (sameOwners ? 07777 : 0777)) == 0 ? 0 : errno;
}

int GiveNewFileAccess(const std::string& folder, int fd) {
  acl_t inherited = acl_get_file(folder.c_str(), ACL_TYPE_DEFAULT);
  if (!inherited || acl_entries(inherited) <= 0) {
    acl_free(inherited);
    const mode_t mask = umask(0);
    umask(mask);
    return fchmod(fd, 0666 & ~mask) == 0 ? 0 : errno;
  }
  const int error = acl_set_fd(fd, inherited) == 0 && fchmod(fd, AclMode(inherited) & 0666) == 0 ? 0 : errno;
  acl_free(inherited);
  return error;
}

}  // namespace xvf
