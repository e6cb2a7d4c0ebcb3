#pragma once
// What the tests that load XVF_Aspect.dll share: where the build puts the
// library (beside the test program), and the settings its Init will read.
#include <cstdint>
#include <string>

#include "settings/settings_store.h"
#include "tests/host/host_standin.h"

namespace xvf::test {

inline std::string DllPath() { return ExecutableFolder() + "XVF_Aspect.dll"; }

// Stores the two settings a frame pass depends on where Init reads them in
// this process.
inline void StoreSettings(int32_t mode, int32_t interlace) {
  SettingsStore store;
  store.Load("XVF_Aspect");
  store.current.aspectMode = mode;
  store.current.interlace = interlace;
  store.Save();
}

}  // namespace xvf::test
