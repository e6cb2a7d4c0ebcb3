#pragma once
#include <string>

#include "settings/settings_platform.h"

namespace xvf {

// Where the settings file lives. directory always ends in a backslash.
struct SettingsLocation {
  std::string instance;   // empty or exactly one character, lower case
  std::string directory;  // base folder [+ "Instances\" c "\"] + "Plugins\"
  std::string moduleName; // plug-in module file name without folder and extension
  std::string fileName;   // moduleName + ".ini"
  std::string path;       // directory + fileName
};

// The host instance from the command line: the character after the first
// "-inst:", replaced by the one after the first "/inst:"; the command line is
// lowered (ASCII) first. Empty when no switch or the switch ends the line.
std::string InstanceFromCommandLine(const std::string& commandLine);

// The location for the gathered facts and the module base name; only the
// instance when the host path has no folder or the module name is empty.
SettingsLocation ComputeLocation(const LocationFacts& facts, const std::string& moduleName);

}  // namespace xvf
