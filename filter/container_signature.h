#pragma once
#include <cstddef>
#include <string>

namespace xvf {

// Bytes to peek at the start of an input to tell a container file from
// frames: an MPEG transport stream shows its sync byte at 0, 188 and 376.
constexpr size_t kContainerPeekBytes = 377;

// What container format `head` (the first bytes of an input) starts with,
// as a phrase ("an MP4 file"), or "" when it is none that is recognised:
// MP4 and QuickTime ("ftyp" at byte 4), Matroska and WebM (1A 45 DF A3),
// MPEG-TS (0x47 every 188 bytes, each packet declaring a payload or an
// adaptation field), AVI ("RIFF" size "AVI ").
std::string ContainerName(const std::string& head);

}  // namespace xvf
