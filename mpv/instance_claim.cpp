#include "mpv/instance_claim.h"

#include <cstring>

namespace xvf {
namespace {

constexpr const char* kOwnerName = "xvfaspect_owner";

}  // namespace

InstanceClaim::InstanceClaim(mpv_handle* mpv) {
  claim_ = mpv_create_weak_client(mpv, kOwnerName);
  if (claim_ == nullptr) return;
  // Nobody reads the claim's events: none are queued for it.
  for (int event = MPV_EVENT_NONE + 1; event <= MPV_EVENT_HOOK; ++event)
    mpv_request_event(claim_, static_cast<mpv_event_id>(event), 0);
  first_ = std::strcmp(mpv_client_name(claim_), kOwnerName) == 0;
}

InstanceClaim::~InstanceClaim() {
  if (claim_ != nullptr) mpv_destroy(claim_);
}

}  // namespace xvf
