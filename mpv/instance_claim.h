#pragma once
#include <mpv/client.h>

namespace xvf {

// Whether this copy of the plug-in is the first in its mpv. Two copies (a
// link in the scripts folder and --script=) would both own glsl-shaders and
// keepaspect, each giving back what the other had set. The first holds a
// client named xvfaspect_owner while it runs; mpv names clients under one
// lock and numbers a name already taken, so a later copy, whatever its file,
// gets another name and knows.
class InstanceClaim {
 public:
  explicit InstanceClaim(mpv_handle* mpv);
  ~InstanceClaim();
  InstanceClaim(const InstanceClaim&) = delete;
  InstanceClaim& operator=(const InstanceClaim&) = delete;

  bool first() const { return first_; }

 private:
  mpv_handle* claim_ = nullptr;
  bool first_ = false;
};

}  // namespace xvf
