// A fixture for tests that set seams: they are restored after the test body,
// before the next test of the same program starts. (The main's listener also
// restores them after every test, so plain TEST()s are safe too.)
#pragma once

#include <gtest/gtest.h>

#include "platform/win/win_seams.h"

namespace pk::test {

class SeamTest : public ::testing::Test {
 protected:
  void SetUp() override { pk::seams::ResetAll(); }
  void TearDown() override { pk::seams::ResetAll(); }
};

}  // namespace pk::test
