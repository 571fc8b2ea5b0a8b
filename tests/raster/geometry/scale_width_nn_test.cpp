// Nearest-neighbour width scaling: picked pixels for each layout, mirroring,
// the refusals in their order, the scaler bases (sizes by factor, skip,
// reset, short lines) and allocation failures.
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_width_nn.h"

namespace {

class ScaleWidthNN : public RstStatusTest {};

// A one-line 8-bit image whose pixel i holds i.
LineSource* numbered(int32_t width, int32_t spp = 1) {
  Bytes line(size_t(width * spp));
  for (size_t i = 0; i < line.size(); ++i) line[i] = uint8_t(i);
  return new LineSource(image_header(width, 1, 8, spp, RstColorType::s_gray()), {line});
}

TEST_F(ScaleWidthNN, PicksTheCentrePixel) {
  struct Case {
    const char* name;
    int32_t from, to, spp;
    Bytes out;
  } cases[] = {
      {"2 -> 4", 2, 4, 1, {0, 0, 1, 1}},
      {"4 -> 2", 4, 2, 1, {1, 3}},
      {"11 -> 3", 11, 3, 1, {1, 5, 9}},
      {"5 -> -5 reverses", 5, -5, 1, {4, 3, 2, 1, 0}},
      {"3 -> -6", 3, -6, 1, {2, 2, 1, 1, 0, 0}},
      {"9 -> 1", 9, 1, 1, {4}},
      {"8 gathered 8 at a time", 20, 10, 1, {1, 3, 5, 7, 9, 11, 13, 15, 17, 19}},
      {"RGB keeps its byte order", 2, 4, 3, {0, 1, 2, 0, 1, 2, 3, 4, 5, 3, 4, 5}},
      {"RGB mirrored", 2, -2, 3, {3, 4, 5, 0, 1, 2}},
      {"4 bytes a pixel", 3, 2, 4, {0, 1, 2, 3, 8, 9, 10, 11}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstScaleWidthNN::create(numbered(c.from, c.spp), c.to));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).width, c.to < 0 ? -c.to : c.to);
    EXPECT_EQ(node->line_size(), int(c.out.size()));
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleWidthNN, BilevelBits) {
  struct Case {
    const char* name;
    int32_t from, to;
    Bytes in, out;
  } cases[] = {
      {"5 -> 10", 5, 10, {0xC0}, {0xF0, 0x00}},
      {"5 -> -10", 5, -10, {0xC0}, {0x03, 0xC0}},
      {"10 pixels: a byte and two high bits", 5, 10, {0xF8}, {0xFF, 0xC0}},
      {"16 -> 8", 16, 8, {0x5A, 0xF0}, {0xCC}},
      {"16 -> -16 reverses", 16, -16, {0x80, 0x03}, {0xC0, 0x01}},
      {"spare bits ignored", 3, 9, {0xBF}, {0xE3, 0x80}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* src = new LineSource(image_header(c.from, 1, 1, 1, RstColorType::s_gray_reverse()), {c.in});
    Held<> node(RstScaleWidthNN::create(src, c.to));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
}

TEST_F(ScaleWidthNN, KeepsTheColormap) {
  uint8_t entries[6] = {0, 0, 0, 255, 255, 255};
  RstHeader h = image_header(4, 1, 8, 1, RstColorType::s_rgb());
  h.colormap.reset(new RstColormap(8, 3, 2, entries));
  auto* src = new LineSource(h, {{1, 0, 1, 1}});
  Held<> node(RstScaleWidthNN::create(src, 2));
  ASSERT_NE(node, nullptr);
  RstHeader out(node.get());
  EXPECT_EQ(out.colormap.get(), h.colormap.get());
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0, 1}}));
}

TEST_F(ScaleWidthNN, BaseProtocol) {
  auto* src = new LineSource(image_header(4, 4, 8, 1), {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 9}, {1, 1, 1, 1}});
  Held<> node(RstScaleWidthNN::create(src, 2));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(src->last_skip, 1) << "skip reaches the source";
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{6, 8}})) << "a short source line ends the image";
  node->reset();
  EXPECT_EQ(src->resets, 1);
  EXPECT_EQ(first_line(node.get()), (Bytes{2, 4}));
}

// The factor constructors: floor(size * factor), exact.
struct FactorWidth : RstScaleWidth {
  using RstScaleWidth::RstScaleWidth;
  int read(uint8_t*) override { return 0; }
};
struct FactorHeight : RstScaleHeight {
  using RstScaleHeight::RstScaleHeight;
  int read(uint8_t*) override { return 0; }
  void start() override {}
};

TEST_F(ScaleWidthNN, FactorConstructors) {
  struct Case {
    int32_t size;
    RstRational factor;
    int32_t out;
  } cases[] = {{5, {1, 2}, 2}, {7, {1, 3}, 2}, {7, {2, 6}, 2},  {524287, {4000000000u, 4000000001u}, 524286},
               {9, {0, 5}, 0}, {9, {3, 0}, 0}, {10, {3, 2}, 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " * " + std::to_string(c.factor.numerator) + "/" +
                 std::to_string(c.factor.denominator));
    Held<> width(new FactorWidth(new LineSource(image_header(c.size, 7, 8, 1), {}), c.factor));
    EXPECT_EQ(RstHeader(width.get()).width, c.out);
    EXPECT_EQ(width->line_size(), c.out);
    Held<> height(new FactorHeight(new LineSource(image_header(3, c.size, 8, 1), {}), c.factor));
    EXPECT_EQ(RstHeader(height.get()).height, c.out);
  }
}

TEST_F(ScaleWidthNN, SameWidthAndRefusals) {
  // The same width needs no layout: the source itself for any depth.
  for (RstHeader h : {image_header(6, 1, 16, 1), image_header(6, 1, 8, 2), image_header(6, 1, 4, 1)}) {
    auto* src = new LineSource(h, {});
    EXPECT_EQ(RstScaleWidthNN::create(src, 6), src);
    EXPECT_EQ(RstScaleWidthNN8::create(src, 6), src);
    src->end();
  }
  struct Case {
    const char* name;
    int variant;  // 0: RstScaleWidthNN, 1: ...NN1, 2: ...NN8
    RstHeader header;
    int32_t width;
    RstReport report;
  } cases[] = {
      {"width 0", 0, image_header(6, 1, 8, 1), 0, {-2, "RstScaleWidthNN::create()"}},
      {"16-bit", 0, image_header(6, 1, 16, 1), 3, {-3, "RstScaleWidthNN::create()"}},
      {"2-channel 8-bit", 0, image_header(6, 1, 8, 2), 3, {-3, "RstScaleWidthNN::create()"}},
      {"run lines", 0, image_header(6, 1, 1, 1, nullptr, RstDataForm::rle), 3, {-3, "RstScaleWidthNN::create()"}},
      {"source width 0", 0, image_header(0, 1, 8, 1), 3, {-3, "RstScaleWidthNN8::create()"}},
      {"source of 2^19", 0, image_header(524288, 1, 8, 1), 3, {-3, "RstScaleWidthNN8::create()"}},
      {"target of 2^19", 0, image_header(6, 1, 8, 1), 524288, {-3, "RstScaleWidthNN8::create()"}},
      {"step of 0", 0, image_header(2, 1, 1, 1), -9000, {-3, "RstScaleWidthNN1::create()"}},
      {"8-bit into the 1-bit variant", 1, image_header(6, 1, 8, 1), 3, {-3, "RstScaleWidthNN1::create()"}},
      {"RGB into the 8-bit variant", 2, image_header(6, 1, 8, 3), 3, {-3, "RstScaleWidthNN8::create()"}},
      {"width 0 into a variant", 2, image_header(6, 1, 8, 1), 0, {-2, "RstScaleWidthNN8::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    auto* src = new LineSource(c.header, {{7}});
    RstRead* made = c.variant == 0   ? RstScaleWidthNN::create(src, c.width)
                    : c.variant == 1 ? RstScaleWidthNN1::create(src, c.width)
                                     : RstScaleWidthNN8::create(src, c.width);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(local.errors(), std::vector<RstReport>{c.report});
    Bytes line(8);
    EXPECT_EQ(src->read(line.data()), 1) << "the caller's source reads from line 0";
    src->end();
  }
}

TEST_F(ScaleWidthNN, AllocationFailures) {
  for (int32_t spp : {1, 3}) {
    SCOPED_TRACE(spp);
    Bytes expected = spp == 1 ? Bytes{1, 3} : Bytes{3, 4, 5, 9, 10, 11};
    check_allocation_failures([spp] { return static_cast<RstRead*>(numbered(4, spp)); },
                              [](RstRead* s) { return RstScaleWidthNN::create(s, 2); }, {expected},
                              {"RstScaleWidthNN::RstScaleWidthNN()", "rst_create_end()"});
  }
}

}  // namespace
