#include <mpv/client.h>

#include "mpv/aspect_plugin.h"
#include "mpv/instance_claim.h"
#include "mpv/shader_folder.h"

// mpv's entry point for a C plug-in, on a thread of its own; returns when
// the player shuts down. Nothing thrown leaves it.
extern "C" __attribute__((visibility("default"))) int mpv_open_cplugin(mpv_handle* mpv) {
  try {
    const std::string folder = xvf::FindShaderFolder();
    if (folder.empty()) {
      const char* print[] = {"print-text", "xvfaspect: shaders not found; not loaded", nullptr};
      mpv_command(mpv, print);
      return -1;
    }
    const xvf::InstanceClaim claim(mpv);
    if (!claim.first()) {
      const char* print[] = {"print-text", "xvfaspect: loaded twice in this mpv; this copy does nothing", nullptr};
      mpv_command(mpv, print);
      while (mpv_wait_event(mpv, -1)->event_id != MPV_EVENT_SHUTDOWN) {
      }
      return 0;
    }
    xvf::AspectPlugin plugin(mpv, folder);
    plugin.Run();
    return 0;
  } catch (...) {
    return -1;
  }
}
