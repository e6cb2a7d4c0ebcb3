// The module context guard: the plug-in's module is current inside, the
// caller's again after every way out, per thread.
#include "ui/module_context.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace xvf {
namespace {

HINSTANCE FakeModule(uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

TEST(ModuleContext, GuardMakesThePluginCurrentAndRestoresTheCaller) {
  SetPluginModule(FakeModule(0x10000));
  EXPECT_EQ(CurrentModule(), FakeModule(0x10000));  // nothing current yet: the plug-in's
  {
    ModuleContextGuard outer;
    EXPECT_EQ(CurrentModule(), FakeModule(0x10000));
    SetPluginModule(FakeModule(0x20000));
    {
      ModuleContextGuard inner;
      EXPECT_EQ(CurrentModule(), FakeModule(0x20000));
    }
    EXPECT_EQ(CurrentModule(), FakeModule(0x10000));  // the outer guard's module again
  }
  try {
    ModuleContextGuard guard;
    throw std::runtime_error("through");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(CurrentModule(), FakeModule(0x20000));  // nothing current: falls back to the plug-in
}

TEST(ModuleContext, EachThreadHasItsOwnCurrentModule) {
  SetPluginModule(FakeModule(0x30000));
  ModuleContextGuard guard;
  SetPluginModule(FakeModule(0x40000));
  std::thread other([] {
    ModuleContextGuard inOther;
    EXPECT_EQ(CurrentModule(), FakeModule(0x40000));
  });
  other.join();
  EXPECT_EQ(CurrentModule(), FakeModule(0x30000));
  SetPluginModule(nullptr);
}

}  // namespace
}  // namespace xvf
