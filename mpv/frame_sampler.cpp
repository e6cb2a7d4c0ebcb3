#include "mpv/frame_sampler.h"

#include <cstring>
#include <string>

namespace xvf {
namespace {

const mpv_node* Field(const mpv_node& map, const char* key) {
  if (map.format != MPV_FORMAT_NODE_MAP) return nullptr;
  for (int i = 0; i < map.u.list->num; ++i)
    if (std::strcmp(map.u.list->keys[i], key) == 0) return &map.u.list->values[i];
  return nullptr;
}

int64_t Whole(const mpv_node& map, const char* key) {
  const mpv_node* n = Field(map, key);
  return n != nullptr && n->format == MPV_FORMAT_INT64 ? n->u.int64 : -1;
}

// Index of the sample under the centre of position i of `to` over `from`.
int64_t Nearest(int64_t i, int64_t from, int64_t to) { return (2 * i + 1) * from / (2 * to); }

}  // namespace

bool FrameSampler::Convert(const mpv_node& shot, int32_t width, int32_t height) {
  const mpv_node* format = Field(shot, "format");
  const mpv_node* data = Field(shot, "data");
  const int64_t w = Whole(shot, "w"), h = Whole(shot, "h"), stride = Whole(shot, "stride");
  if (format == nullptr || format->format != MPV_FORMAT_STRING || std::strcmp(format->u.string, "bgr0") != 0 ||
      data == nullptr || data->format != MPV_FORMAT_BYTE_ARRAY || w <= 0 || h <= 0 || stride < 4 * w ||
      static_cast<uint64_t>((h - 1) * stride + 4 * w) > data->u.ba->size)
    return false;
  const auto* pixels = static_cast<const uint8_t*>(data->u.ba->data);
  bgr_.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  uint8_t* out = bgr_.data();
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + Nearest(y, h, height) * stride;
    for (int32_t x = 0; x < width; ++x, out += 3) std::memcpy(out, row + 4 * Nearest(x, w, width), 3);
  }
  return true;
}

bool FrameSampler::Take(int32_t width, int32_t height, FrameRows* view) {
  if (width <= 0 || height <= 0) return false;
  // Around the one call only: the user's own screenshots keep their setting.
  char* software = mpv_get_property_string(mpv_, "screenshot-sw");
  mpv_set_property_string(mpv_, "screenshot-sw", "yes");
  const char* args[] = {"screenshot-raw", "video", nullptr};
  mpv_node shot{};
  const bool taken = mpv_command_ret(mpv_, args, &shot) >= 0;
  if (software != nullptr) {
    mpv_set_property_string(mpv_, "screenshot-sw", software);
    mpv_free(software);
  }
  if (!taken) return false;
  const bool converted = Convert(shot, width, height);
  mpv_free_node_contents(&shot);
  if (!converted) return false;
  *view = FrameRows{bgr_.data(), width * 3, width, height, PixelFormat::kRgb24};  // top-down
  return true;
}

}  // namespace xvf
