// The guard around the preview's run: what escapes it ends the program with
// the start-printing flag, never with "print" by accident, and a raster
// library report is printed with its code and where-text.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "preview/dravix_app.h"
#include "preview/preview_guard.h"
#include "raster/core/rst_status_context.h"

namespace {

TEST(PreviewGuard, ExitCodeIsTheFlag) {
  {
    CDravixApp app;
    EXPECT_EQ(RunPreviewGuarded(app, [&] { return app.ExitInstance(); }), 0);
    app.SetStartPrinting();
    app.SetStartPrinting();
    EXPECT_EQ(RunPreviewGuarded(app, [&] { return app.ExitInstance(); }), 1);
  }
  {
    // A report escaping: 0, with code and where-text on standard error.
    CDravixApp app;
    ::testing::internal::CaptureStderr();
    int code = RunPreviewGuarded(app, [] {
      rst_report(-50, "RstReadTIFF::create()");
      return 1;
    });
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 0);
    EXPECT_NE(err.find("-50"), std::string::npos) << err;
    EXPECT_NE(err.find("RstReadTIFF::create()"), std::string::npos) << err;
  }
  {
    // The flag set, then a throw: still 1.
    CDravixApp app;
    ::testing::internal::CaptureStderr();
    int code = RunPreviewGuarded(app, [&]() -> int {
      app.SetStartPrinting();
      throw std::runtime_error("late");
    });
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 1);
  }
  {
    CDravixApp app;
    ::testing::internal::CaptureStderr();
    int code = RunPreviewGuarded(app, []() -> int { throw std::bad_alloc(); });
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 0);
  }
}

}  // namespace
