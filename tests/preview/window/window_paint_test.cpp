// What the view paints on the headless back end: after each of the steps the
// real-window test takes (Page Down, End, Home, 50 % through the zoom dialog,
// a turn by 90 from the context menu), the bitmap drawn equals, byte for
// byte, render_page's output for the shown page, percent, mode and angle.
#include <cstring>
#include <fstream>
#include <functional>

#include "window_test_support.h"

namespace {

using pk::mfc::DialogDriver;

// render_page's image for the document's state, as bottom-up blue-green-red
// rows of `stride` bytes, the layout of the painted DIB.
std::vector<BYTE> RenderPageBits(const std::string& file, const CDravixDoc& doc, const std::string& out, int stride,
                                 int* width, int* height) {
  std::string command = std::string(PK_TEST_TOOLS_DIR) + "/render_page '" + file + "' " +
                        std::to_string(doc.GetCurrentPage()) + " " + std::to_string(doc.GetZoomPercent()) + " " +
                        std::to_string(doc.GetZoomMode()) + " " + std::to_string(doc.GetRotation()) + " '" + out + "'";
  if (std::system(command.c_str()) != 0) return {};
  std::ifstream ppm(out, std::ios::binary);
  std::string magic;
  int maxval = 0;
  ppm >> magic >> *width >> *height >> maxval;
  ppm.get();
  if (magic != "P6" || maxval != 255 || *width <= 0 || *height <= 0 || stride < *width * 3) return {};
  std::vector<BYTE> bits(static_cast<size_t>(stride) * static_cast<size_t>(*height), 0);
  std::vector<char> row(static_cast<size_t>(*width) * 3);
  for (int y = 0; y < *height; ++y) {
    ppm.read(row.data(), static_cast<std::streamsize>(row.size()));
    BYTE* d = bits.data() + static_cast<size_t>(*height - 1 - y) * static_cast<size_t>(stride);
    for (int x = 0; x < *width; ++x) {
      d[x * 3] = static_cast<BYTE>(row[static_cast<size_t>(x) * 3 + 2]);
      d[x * 3 + 1] = static_cast<BYTE>(row[static_cast<size_t>(x) * 3 + 1]);
      d[x * 3 + 2] = static_cast<BYTE>(row[static_cast<size_t>(x) * 3]);
    }
  }
  return ppm ? bits : std::vector<BYTE>{};
}

TEST_F(WindowTest, StepsPaintRenderPagesImage) {
  std::string charts = Charts();
  ASSERT_TRUE(Start({charts}));
  struct Step {
    const char* name;
    std::function<void()> act;
    uint32_t page;
    int mode, angle;
  };
  const Step steps[] = {
      {"start", [] {}, 1, 2, 0},
      {"Page Down", [&] { ui_.key(VK_NEXT); }, 2, 2, 0},
      {"End", [&] { ui_.key(VK_END); }, 3, 2, 0},
      {"Home", [&] { ui_.key(VK_HOME); }, 1, 2, 0},
      {"50 % by the zoom dialog",
       [&] {
         ui_.answerDialog([](DialogDriver& d) {
           d.click(IDC_ZOOM_50);
           d.click(IDOK);
         });
         ui_.key('M', FCONTROL);
       },
       1, 1, 0},
      {"turn from the context menu",
       [&] {
         ui_.rightClick();
         ui_.command(ID_ROTATE_RIGHT_90);
       },
       1, 1, 90},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    ASSERT_EQ(Doc()->GetCurrentPage(), step.page);
    ASSERT_EQ(Doc()->GetZoomMode(), step.mode);
    ASSERT_EQ(Doc()->GetRotation(), step.angle);
    if (step.mode == 1) {
      ASSERT_EQ(Doc()->GetZoomPercent(), 50);
    }
    ASSERT_TRUE(ui_.lastPaintDrew());
    const auto* painted = ui_.lastPainted();
    ASSERT_NE(painted, nullptr);
    int width = 0, height = 0;
    std::vector<BYTE> want = RenderPageBits(charts, *Doc(), Path("page.ppm"), painted->stride, &width, &height);
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(painted->width, width);
    EXPECT_EQ(painted->height, height);
    // Byte for byte, pad bytes of the rows aside.
    int mismatched_rows = 0;
    for (int y = 0; y < height && y < painted->height; ++y)
      if (std::memcmp(painted->bits.data() + static_cast<size_t>(y) * painted->stride,
                      want.data() + static_cast<size_t>(y) * painted->stride, static_cast<size_t>(width) * 3) != 0)
        ++mismatched_rows;
    EXPECT_EQ(mismatched_rows, 0);
  }
}

}  // namespace
