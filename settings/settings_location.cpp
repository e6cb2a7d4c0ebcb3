#include "settings/settings_location.h"

#include <cstdint>

namespace xvf {
namespace {

constexpr uint32_t kPlatformNt = 2;

}  // namespace

std::string InstanceFromCommandLine(const std::string& commandLine) {
  std::string lowered = commandLine;
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  std::string instance;
  // "/inst:" is looked at second and wins over "-inst:".
  for (const char* prefix : {"-inst:", "/inst:"}) {
    const size_t at = lowered.find(prefix);
    if (at == std::string::npos) continue;
    const size_t next = at + 6;
    instance = next < lowered.size() ? lowered.substr(next, 1) : std::string();
  }
  return instance;
}

SettingsLocation ComputeLocation(const LocationFacts& facts, const std::string& moduleName) {
  SettingsLocation location;
  std::string base;
  if (facts.platformId == kPlatformNt && facts.storeInUsersFolder != 0) {
    base = facts.userFolder + "\\Quillvox\\";
  } else {
    const size_t slash = facts.hostPath.rfind('\\');
    base = slash == std::string::npos ? std::string() : facts.hostPath.substr(0, slash + 1);
  }
  location.instance = InstanceFromCommandLine(facts.commandLine);
  // A host path without a folder (cut short, say) or no module name names no
  // file: nothing is stored.
  if (base.empty() || moduleName.empty()) return location;
  if (!location.instance.empty()) base += "Instances\\" + location.instance + "\\";
  location.directory = base + "Plugins\\";
  location.moduleName = moduleName;
  location.fileName = moduleName + ".ini";
  location.path = location.directory + location.fileName;
  return location;
}

}  // namespace xvf
