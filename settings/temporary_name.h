#pragma once
#include <cstdint>
#include <string>

namespace xvf {

// A save's temporary files beside the settings file: "xvf", four upper-case
// hex digits, ".tmp" (11 characters, the longest name the folder must fit).
std::string TemporaryFileName(uint32_t serial);  // the low 16 bits of serial

// True for a name TemporaryFileName makes (case as it writes it).
bool IsTemporaryFileName(const std::string& name);

// Names tried per save, one after the other, before the save gives up on a
// temporary file (every one was taken).
constexpr uint32_t kTemporaryNameAttempts = 100;

}  // namespace xvf
