#include "filter/container_signature.h"

namespace xvf {
namespace {

constexpr size_t kTsPacket = 188;

bool Holds(const std::string& head, size_t at, const std::string& text) {
  return head.size() >= at + text.size() && head.compare(at, text.size(), text) == 0;
}

// Sync bytes where the head reaches, at least two; byte 3's adaptation field
// control is never 00 in a packet, which keeps a flat grey raw frame of
// 0x47 bytes from passing for one.
bool IsTransportStream(const std::string& head) {
  if (head.size() <= kTsPacket) return false;
  for (size_t at = 0; at < head.size(); at += kTsPacket) {
    if (static_cast<unsigned char>(head[at]) != 0x47) return false;
    if (at + 3 < head.size() && (static_cast<unsigned char>(head[at + 3]) & 0x30) == 0) return false;
  }
  return true;
}

}  // namespace

std::string ContainerName(const std::string& head) {
  if (Holds(head, 4, "ftyp")) return Holds(head, 8, "qt  ") ? "a QuickTime (MOV) file" : "an MP4 file";
  if (Holds(head, 0, "\x1A\x45\xDF\xA3")) return "a Matroska or WebM file";
  if (Holds(head, 0, "RIFF") && Holds(head, 8, "AVI ")) return "an AVI file";
  if (IsTransportStream(head)) return "an MPEG transport stream";
  return std::string();
}

}  // namespace xvf
