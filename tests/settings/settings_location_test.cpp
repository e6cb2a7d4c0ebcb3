#include <gtest/gtest.h>

#include "settings/settings_location.h"

namespace xvf {
namespace {

LocationFacts Facts(uint32_t platform, uint32_t storeInUsersFolder, const std::string& commandLine) {
  LocationFacts facts;
  facts.platformId = platform;
  facts.storeInUsersFolder = storeInUsersFolder;
  facts.userFolder = "C:\\Users\\ann\\AppData\\Roaming";
  facts.hostPath = "D:\\TV\\Quillvox\\Quillvox.exe";
  facts.commandLine = commandLine;
  return facts;
}

TEST(SettingsLocation, ExampleTable) {
  struct Case {
    uint32_t platform, storeInUsersFolder;
    const char* commandLine;
    const char* path;
  } cases[] = {
      {2, 0, "\"D:\\TV\\Quillvox\\Quillvox.exe\"", "D:\\TV\\Quillvox\\Plugins\\XVF_Aspect.ini"},
      {2, 0, "Quillvox.exe -inst:2", "D:\\TV\\Quillvox\\Instances\\2\\Plugins\\XVF_Aspect.ini"},
      {2, 1, "Quillvox.exe", "C:\\Users\\ann\\AppData\\Roaming\\Quillvox\\Plugins\\XVF_Aspect.ini"},
      {2, 1, "Quillvox.exe /inst:b",
       "C:\\Users\\ann\\AppData\\Roaming\\Quillvox\\Instances\\b\\Plugins\\XVF_Aspect.ini"},
      // Any non-zero value selects the user folder, on the NT family only.
      {2, 0x80000000u, "q", "C:\\Users\\ann\\AppData\\Roaming\\Quillvox\\Plugins\\XVF_Aspect.ini"},
      {1, 1, "q", "D:\\TV\\Quillvox\\Plugins\\XVF_Aspect.ini"},
      {0, 1, "q", "D:\\TV\\Quillvox\\Plugins\\XVF_Aspect.ini"},
  };
  for (const Case& c : cases) {
    const SettingsLocation location =
        ComputeLocation(Facts(c.platform, c.storeInUsersFolder, c.commandLine), "XVF_Aspect");
    EXPECT_EQ(location.path, c.path) << c.commandLine;
    EXPECT_EQ(location.directory + location.fileName, location.path);
    EXPECT_EQ(location.fileName, "XVF_Aspect.ini");
    EXPECT_EQ(location.moduleName, "XVF_Aspect");
    EXPECT_EQ(location.directory.back(), '\\');
  }
}

TEST(SettingsLocation, InstanceSwitchRules) {
  struct Case {
    const char* commandLine;
    const char* instance;
  } cases[] = {
      {"Quillvox.exe", ""},
      {"Quillvox.exe -inst:", ""},           // switch ends the line
      {"Quillvox.exe -inst:3 /inst:5", "5"},  // "/inst:" wins in either order
      {"Quillvox.exe /inst:5 -inst:3", "5"},
      {"Quillvox.exe -inst:12", "1"},         // one character only
      {"Quillvox.exe -INST:B", "b"},          // the whole line is lowered first
      {"Quillvox.exe C:\\rec\\my-inst:x.avi -inst:4", "x"},  // first occurrence, inside an argument
      {"Quillvox.exe -inst:4 /inst:", ""},    // an empty "/inst:" still replaces
      {"Quillvox.exe -inst: ", " "},
  };
  for (const Case& c : cases) EXPECT_EQ(InstanceFromCommandLine(c.commandLine), c.instance) << c.commandLine;

  const SettingsLocation location = ComputeLocation(Facts(2, 0, "Quillvox.exe -inst:"), "XVF_Aspect");
  EXPECT_EQ(location.instance, "");
  EXPECT_EQ(location.directory, "D:\\TV\\Quillvox\\Plugins\\");
}

TEST(SettingsLocation, ModuleNameAndOddHostPaths) {
  LocationFacts facts = Facts(2, 0, "");
  EXPECT_EQ(ComputeLocation(facts, "Other").path, "D:\\TV\\Quillvox\\Plugins\\Other.ini");
  // No folder at all (a cut host path is gathered as none), or no module
  // name (its path was cut): no file is named, not even beside the process.
  EXPECT_EQ(ComputeLocation(facts, "").path, "");
  for (const char* host : {"Quillvox.exe", ""}) {
    facts.hostPath = host;
    const SettingsLocation location = ComputeLocation(facts, "XVF_Aspect");
    EXPECT_EQ(location.path + location.directory, "") << host;
  }
  facts = Facts(2, 1, "");
  facts.userFolder.clear();  // the user folder query's result is used as it comes
  EXPECT_EQ(ComputeLocation(facts, "XVF_Aspect").directory, "\\Quillvox\\Plugins\\");
}

}  // namespace
}  // namespace xvf
