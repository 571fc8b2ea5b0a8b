// Halvex on a synthetic 400-dpi page drawn by ImageMagick: DejaVu text in
// black, red and blue on white, black text in a flat gray box, and a plasma
// photograph darker than the paper. The mask must hold every text line and
// stay clear over the margins and the whole photograph, in one stripe or in
// several.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "halvex_test_page.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/line_source.h"
#include "raster/mrc/rst_halvex.h"

namespace {

struct Rgb {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> px;
  const uint8_t* at(int32_t x, int32_t y) const { return &px[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

struct Box {
  int32_t left, top, right, bottom;
};

constexpr Box kPhoto{540, 260, 959, 559};
constexpr Box kGrayBox{40, 270, 470, 460};

// Reads a binary PPM of maximum 255; false when it is not one.
bool read_ppm(const std::string& path, Rgb& out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> out.width >> out.height >> max;
  if (!in || magic != "P6" || max != 255 || out.width <= 0 || out.height <= 0) return false;
  in.get();
  out.px.resize(size_t(out.width) * size_t(out.height) * 3);
  in.read(reinterpret_cast<char*>(out.px.data()), std::streamsize(out.px.size()));
  return bool(in);
}

class HalvexPage : public RstStatusTest {
 protected:
  static void SetUpTestSuite() {
    const std::string path = ::testing::TempDir() + "halvex_page_" + std::to_string(::getpid()) + ".ppm";
    const std::string command = halvex_test_page_command(path);
    made_ = std::system(command.c_str()) == 0 && read_ppm(path, page_);
    std::remove(path.c_str());
  }

  void SetUp() override { ASSERT_TRUE(made_) << "ImageMagick could not draw the page"; }

  // The page as 8-bit ITU Lab, converted by the library.
  static RstRead* lab_page() {
    std::vector<Bytes> lines;
    for (int32_t y = 0; y < page_.height; ++y)
      lines.emplace_back(page_.px.begin() + size_t(y) * page_.width * 3,
                         page_.px.begin() + size_t(y + 1) * page_.width * 3);
    RstRead* rgb = new LineSource(image_header(page_.width, page_.height, 8, 3, RstColorType::s_rgb()), lines);
    RstRead* lab = RstTransformColorTo::create(rgb, RstColorType::itu_lab());
    if (!lab) rgb->end();
    return lab;
  }

  // The ink of a text line: pixels far from the background within the band.
  static Box ink(int32_t top, int32_t bottom, const Box& within, bool dark_only) {
    Box b{within.right, bottom, within.left, top};
    for (int32_t y = top; y <= bottom; ++y)
      for (int32_t x = within.left; x <= within.right; ++x) {
        const uint8_t* p = page_.at(x, y);
        const bool text = dark_only ? p[0] < 60 && p[1] < 60 && p[2] < 60 : p[0] < 200 || p[1] < 200 || p[2] < 200;
        if (!text) continue;
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
      }
    return b;
  }

  static bool made_;
  static Rgb page_;
};

bool HalvexPage::made_ = false;
Rgb HalvexPage::page_;

size_t set_in(const std::vector<Bytes>& mask, const Box& b) {
  size_t n = 0;
  for (int32_t y = b.top; y <= b.bottom; ++y)
    for (int32_t x = b.left; x <= b.right; ++x) n += (mask[size_t(y)][size_t(x / 8)] >> (7 - x % 8)) & 1;
  return n;
}

TEST_F(HalvexPage, TextIsInTheMaskAndPaperAndPhotographAreNot) {
  const Box page{0, 0, page_.width - 1, page_.height - 1};
  struct Line {
    const char* what;
    Box box;
  };
  const Line lines[] = {
      {"black", ink(20, 85, Box{0, 0, 530, 0}, false)},
      {"red", ink(90, 155, Box{0, 0, 530, 0}, false)},
      {"blue", ink(160, 225, Box{0, 0, 530, 0}, false)},
      {"black in the gray box", ink(kGrayBox.top + 2, kGrayBox.bottom - 2, kGrayBox, true)},
      {"last black", ink(510, 580, Box{0, 0, 530, 0}, false)},
  };
  for (const Line& l : lines) ASSERT_LT(l.box.left, l.box.right) << l.what << " has no ink";
  const Box margins[] = {{0, 0, page.right, 15},
                         {0, 0, 25, page.bottom},
                         {975, 0, page.right, page.bottom},
                         {0, 600, page.right, page.bottom}};

  for (int32_t rows : {0, 300}) {
    SCOPED_TRACE(::testing::Message() << "rows per stripe " << rows);
    RstMRCParam param(rows, 0, 0);
    Held<> mask(RstHalvex::create(lab_page(), &param, 0));
    ASSERT_TRUE(mask);
    RstHeader h(mask.get());
    EXPECT_EQ(h.width, page_.width);
    EXPECT_EQ(h.height, page_.height);
    EXPECT_EQ(h.color_type, RstColorType::default_gray_reverse());
    std::vector<Bytes> bits = pull(mask.get());
    ASSERT_EQ(bits.size(), size_t(page_.height));
    for (const Line& l : lines) EXPECT_GT(set_in(bits, l.box), 0u) << l.what;
    for (const Box& m : margins) EXPECT_EQ(set_in(bits, m), 0u) << "margin " << m.left << "," << m.top;
    EXPECT_EQ(set_in(bits, kPhoto), 0u) << "photograph";
    EXPECT_TRUE(status.errors().empty());
  }
}

}  // namespace
