// Main of every test program. A listener restores every seam of the platform
// layer around each test, so a test that sets the clock, a name or an
// allocation failure cannot leak it into the next one. Seams are therefore set
// in SetUp or in the test body, never in SetUpTestSuite.
#include <gtest/gtest.h>

#include "platform/ui/user.h"
#include "platform/win/win_seams.h"

namespace {

class SeamResetListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    pk::seams::ResetAll();
    // A modal dialog its script leaves open fails the test.
    pk::ui::SetScriptFailureHandler([](const std::string& text) { ADD_FAILURE() << text; });
  }
  void OnTestEnd(const ::testing::TestInfo&) override { pk::seams::ResetAll(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
  listeners.Append(new SeamResetListener);
  return RUN_ALL_TESTS();
}
