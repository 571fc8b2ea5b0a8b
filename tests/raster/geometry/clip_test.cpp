// Rectangle clips: the lines and columns kept for raw and run lines, whole
// images, refusals that leave the caller's source usable, the registered
// column clip, and random rectangles against netpbm's pamcut.
#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "charts.h"
#include "line_source.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_geometry_creators.h"

namespace {

class Clip : public RstStatusTest {};

// A 4 x 3 8-bit image whose pixel (x, y) is 10 y + x.
LineSource* grid(int32_t bits = 8) {
  return new LineSource(image_header(4, 3, bits, 1, RstColorType::s_gray()),
                        {{0, 1, 2, 3}, {10, 11, 12, 13}, {20, 21, 22, 23}}, 4);
}

TEST_F(Clip, CutsRectangles) {
  struct Case {
    const char* name;
    int32_t x, y;
    uint32_t w, h;
    std::vector<Bytes> out;
  } cases[] = {
      {"inside", 1, 1, 2, 1, {{11, 12}}},
      {"past the edge", 2, 1, 10, 10, {{12, 13}, {22, 23}}},
      {"columns only", 3, 0, 1, 3, {{3}, {13}, {23}}},
      {"lines only", 0, 2, 4, 1, {{20, 21, 22, 23}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstClip::create(grid(), c.x, c.y, c.w, c.h));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), c.out);
  }
  LineSource* whole = grid();
  EXPECT_EQ(RstClip::create(whole, 0, 0, 4, 3), whole);
  whole->end();
  Held<> runs(
      RstClip::create(rle_source(10, {run_line({{0, 9}}), run_line({{3, 9}}), run_line({{1, 1}})}), 5, 1, 3, 1));
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(pull(runs.get()), std::vector<Bytes>{run_line({{0, 2}})});
  // Valued runs on columns 3 to 10, line size 108 from 12 bytes a column.
  auto triples = [](std::vector<std::array<int32_t, 3>> v) {
    Bytes b(v.size() * 12);
    std::memcpy(b.data(), v.data(), b.size());
    return b;
  };
  Bytes valued = triples({{7, 0, 4}, {9, 5, 9}, {3, 12, 12}, {0, -1, -1}});
  for (int32_t bits : {8, 16, 32}) {
    SCOPED_TRACE(bits);
    auto* src = new LineSource(image_header(13, 1, bits, 1, RstColorType::s_gray(), RstDataForm::rle_n), {valued}, 168);
    Held<> node(RstClip::create(src, 3, 0, 8, 1));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->line_size(), 108);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{triples({{7, 0, 1}, {9, 2, 6}, {0, -1, -1}})});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Clip, RefusalsLeaveTheSource) {
  struct Case {
    const char* name;
    int32_t bits, form, x, y;
    uint32_t w, h;
    RstReport report;
  } cases[] = {
      {"4-bit lines", 4, RstDataForm::raw, 1, 1, 2, 1, {-50, "RstClipWidth::create()"}},
      {"24-bit valued runs", 24, RstDataForm::rle_n, 1, 1, 2, 1, {-3, "RstClip::create()"}},
      {"first line past the image", 8, RstDataForm::raw, 1, 3, 2, 1, {-2, "RstClipHeight::create()"}},
      {"no lines", 8, RstDataForm::raw, 1, 1, 2, 0, {-2, "RstClipHeight::create()"}},
      {"x past the line", 8, RstDataForm::raw, 4, 1, 2, 1, {-2, "RstClipWidth::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    auto* src = new LineSource(image_header(4, 3, c.bits, 1, RstColorType::s_gray(), c.form), {{7, 7, 7, 7}}, 4);
    EXPECT_EQ(RstClip::create(src, c.x, c.y, c.w, c.h), nullptr);
    EXPECT_EQ(local.errors(), std::vector<RstReport>{c.report});
    EXPECT_EQ(src->skips, 0);
    Bytes line(4);
    EXPECT_EQ(src->read(line.data()), 4) << "the caller's source reads from line 0";
    src->end();
  }
  RstStatusRecorder local;
  EXPECT_EQ(RstClip::create(nullptr, 0, 0, 1, 1), nullptr);
  EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, "RstClip::create()"}}));
}

TEST_F(Clip, RegisteredColumnClip) {
  rst_register_geometry_creators();
  ASSERT_NE(rst_format_creators().clip_width, nullptr);
  Held<> node(rst_format_creators().clip_width(grid(), 1, 2));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{1, 2}, {11, 12}, {21, 22}}));
}

// Random rectangles of random 8- and 16-bit gray and RGB images and of an
// ITU chart (raw and run lines) against pamcut.
TEST_F(Clip, MatchesPamcut) {
  std::mt19937 rng(27);
  auto random_image = [&](const char* magic, int32_t maxval) {
    PnmImage image;
    image.magic = magic;
    image.width = 23;
    image.height = 17;
    image.maxval = maxval;
    image.rows.resize(size_t(image.stride()) * size_t(image.height));
    for (uint8_t& p : image.rows) p = uint8_t(rng());
    return image;
  };
  std::vector<PnmImage> images{random_image("P5", 255), random_image("P5", 65535), random_image("P6", 255)};
  std::string chart = chart_file(1);
  ASSERT_FALSE(chart.empty());
  images.emplace_back();
  ASSERT_TRUE(read_pnm(chart, images.back()));
  std::string in = ::testing::TempDir() + "clip_in.pnm", out = ::testing::TempDir() + "clip_out.pnm";
  for (size_t k = 0; k < images.size() + 1; ++k) {
    const PnmImage& image = images[k < images.size() ? k : images.size() - 1];
    bool runs = k == images.size();  // the chart once more, as run lines
    SCOPED_TRACE(image.magic + " " + std::to_string(image.maxval) + (runs ? " run lines" : ""));
    ASSERT_TRUE(write_pnm(in, image));
    int32_t bits = image.magic == "P4" ? 1 : image.maxval > 255 ? 16 : 8;
    int32_t spp = image.magic == "P6" ? 3 : 1;
    RstHeader h = image_header(image.width, image.height, bits, spp,
                               bits == 1 ? RstColorType::s_gray_reverse() : RstColorType::s_gray());
    for (int i = 0; i < 6; ++i) {
      int32_t x = int32_t(rng() % uint32_t(image.width)), y = int32_t(rng() % uint32_t(image.height));
      uint32_t w = 1 + rng() % uint32_t(image.width - x), hh = 1 + rng() % uint32_t(image.height - y);
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(w) + "x" + std::to_string(hh));
      std::string cmd = "pamcut -left " + std::to_string(x) + " -top " + std::to_string(y) + " -width " +
                        std::to_string(w) + " -height " + std::to_string(hh) + " " + in + " > " + out;
      PnmImage theirs;
      ASSERT_TRUE(run_to_pnm(cmd, out, theirs));
      RstRead* src = RstReadRawFromByteArray::create(image.rows.data(), h, image.stride(), false, false);
      ASSERT_NE(src, nullptr);
      if (runs) src = RstEncodeRLE::create(src);
      RstRead* cut = RstClip::create(src, x, y, w, hh);
      Held<> node(runs ? RstDecodeRLE::create(cut) : cut);
      ASSERT_NE(node, nullptr);
      Bytes ours;
      for (const Bytes& line : pull(node.get())) ours.insert(ours.end(), line.begin(), line.end());
      EXPECT_TRUE(ours == theirs.rows);
    }
  }
  std::remove(in.c_str());
}

}  // namespace
