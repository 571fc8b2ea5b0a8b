// Main of every test program. A listener restores every seam of the platform
// layer around each test, so a test that sets the clock, a name or an
// allocation failure cannot leak it into the next one. Seams are therefore set
// in SetUp or in the test body, never in SetUpTestSuite. Each test program
// gets a temporary folder of its own, so programs that run side by side never
// share a scratch file name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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

  // ::testing::TempDir() names this folder for the rest of the run.
  std::string scratch = ::testing::TempDir() + "pk-test-XXXXXX";
  bool own_scratch = mkdtemp(scratch.data()) != nullptr;
  if (own_scratch) setenv("TEST_TMPDIR", scratch.c_str(), 1);
  int result = RUN_ALL_TESTS();
  if (own_scratch) {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
  }
  return result;
}
