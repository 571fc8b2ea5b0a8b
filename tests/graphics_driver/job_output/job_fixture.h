// A PDEV of the default printer for the job output tests, with the driver's
// module state set up as at process attach, so that its boxes show the
// resource module's texts.
#pragma once

#include <fstream>
#include <iterator>

#include "graphics_driver/core/pdev_fixture.h"
#include "platform/win/win_module.h"
#include "platform/win/win_path.h"
#include "settings/services/module_state.h"

namespace pk::test {

class JobTest : public PdevTest {
 protected:
  void SetUp() override {
    PdevTest::SetUp();
    const std::u16string ownPath = std::u16string(PK_DRIVER_FOLDER) + u"JobOutputOwn.vbn";
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath(ownPath.c_str(), nullptr, &host), 0u);
    std::ifstream in(PK_OWN_STRINGS, std::ios::binary);
    std::ofstream(host, std::ios::binary) << in.rdbuf();
    own_ = LoadLibraryW(ownPath.c_str());
    ASSERT_NE(own_, nullptr);
    InitModule(own_, ownPath.c_str());
  }
  void TearDown() override {
    ReleaseModule();
    if (own_) FreeLibrary(own_);
    PdevTest::TearDown();
  }
  HMODULE own_ = nullptr;
};

}  // namespace pk::test
