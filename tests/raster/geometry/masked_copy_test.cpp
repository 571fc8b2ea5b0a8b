// The masked copy: S copied into D under a 1-bit mask M, M and S laid at
// (x, y), against a pixel-by-pixel model and Leptonica.
#include <gtest/gtest.h>

#include <climits>

#include "line_source.h"
#include "pixel_binary_support.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/geometry/rst_pixel_conditional.h"
#include "turn_support.h"

namespace {

using Opaque = RstPixelOperator::Opaque;

class MaskedCopy : public RstStatusTest {
 protected:
  void SetUp() override {
    rst_register_color_creators();
    rst_register_geometry_creators();
  }
};

// D with S's pixel (i, j) at (x + i, y + j) wherever M's pixel (i, j) is set.
Image masked_model(const Image& d, const Image& m, const Image& s, int32_t x, int32_t y) {
  Image out = d;
  for (int32_t j = 0; j < std::min(m.height, s.height); ++j)
    for (int32_t i = 0; i < std::min(m.width, s.width); ++i) {
      int64_t dx = int64_t(x) + i, dy = int64_t(y) + j;
      if (!m.bit(i, j) || dx < 0 || dy < 0 || dx >= d.width || dy >= d.height) continue;
      if (d.bits == 1) out.set_bit(int32_t(dx), int32_t(dy), s.bit(i, j));
      else std::memcpy(out.px(int32_t(dx), int32_t(dy)), s.px(i, j), size_t(d.samples));
    }
  return out;
}

RstRead* masked_copy(RstRead* d, RstRead* m, RstRead* s, int32_t x, int32_t y) {
  RstPixelConditionalOPCommand<Opaque> command;
  return RstPixelConditionalOperation::create(d, m, s, command, x, y);
}

// Takes the node's lines and ends it.
Image take(RstRead* node) {
  Held<> held(node);
  return image_of(node);
}

TEST_F(MaskedCopy, AgreesWithModelOverOffsetsWidthsAndDepths) {
  struct Depth {
    int32_t bits, samples;
  };
  for (Depth depth : {Depth{1, 1}, Depth{8, 1}, Depth{8, 3}, Depth{8, 4}}) {
    Image d = random_image(29, 6, depth.bits, depth.samples, 7, true);
    for (int32_t mask_width = 1; mask_width <= 24; ++mask_width)
      for (int32_t source_extra : {-3, 3}) {
        int32_t source_width = std::max(1, mask_width + source_extra);
        // Set padding bits in the mask: they must never select.
        Image m = random_image(mask_width, 4, 1, 1, uint32_t(mask_width * 31 + source_extra + 100));
        Image s = random_image(source_width, 5, depth.bits, depth.samples, uint32_t(mask_width + 900));
        for (int32_t x = -17; x <= 17; ++x)
          for (int32_t y : {-3, 0, 2, 5}) {
            SCOPED_TRACE(std::to_string(depth.bits) + "x" + std::to_string(depth.samples) + " mask " +
                         std::to_string(mask_width) + " source " + std::to_string(source_width) + " at " +
                         std::to_string(x) + "," + std::to_string(y));
            RstRead* node = masked_copy(typed_source(d), typed_source(m), typed_source(s), x, y);
            ASSERT_NE(node, nullptr);
            ASSERT_EQ(take(node), clean_pad(masked_model(d, m, s, x, y)));
          }
      }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MaskedCopy, EdgeCases) {
  Image d = random_image(20, 6, 8, 1, 1);
  Image s = random_image(30, 3, 8, 1, 2);
  Image m = blank_image(20, 3, 1, 1);
  for (Bytes& l : m.lines) std::fill(l.begin(), l.end(), 0xFF);

  // Entirely left of D: D itself, M and S ended.
  LineSource* ds = typed_source(d);
  RstRead* node = masked_copy(ds, typed_source(m), typed_source(s), -20, 0);
  EXPECT_EQ(node, ds);
  node->end();

  // At x = -5 columns 5 and up land on D's 0 and up; only 20 columns (the
  // mask's) are copied although S has 30.
  Image got = take(masked_copy(typed_source(d), typed_source(m), typed_source(s), -5, 1));
  for (int32_t i = 0; i < 20; ++i) {
    bool copied = i < 15;
    EXPECT_EQ(got.px(i, 1)[0], copied ? s.px(i + 5, 0)[0] : d.px(i, 1)[0]) << i;
  }
  EXPECT_EQ(got.lines[0], d.lines[0]);
  // Over the right edge: clipped.
  EXPECT_EQ(take(masked_copy(typed_source(d), typed_source(m), typed_source(s), 12, 4)), masked_model(d, m, s, 12, 4));

  // 1-bit D, mask width 10 at x = 3 with every padding bit set: only pixels
  // 3 to 12 can change.
  Image d1 = blank_image(24, 1, 1, 1);
  Image m1 = blank_image(10, 1, 1, 1);
  m1.lines[0] = {0xFF, 0xFF};
  Image s1 = blank_image(16, 1, 1, 1);
  s1.lines[0] = {0xFF, 0xFF};
  EXPECT_EQ(take(masked_copy(typed_source(d1), typed_source(m1), typed_source(s1), 3, 0)).lines[0],
            (Bytes{0x1F, 0xF8, 0x00}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MaskedCopy, SourceAndDestinationAreConformed) {
  Image m = blank_image(2, 1, 1, 1);
  m.lines[0] = {0x40};  // the second pixel
  // RGB D, gray S: S converted.
  Image rgb = blank_image(2, 1, 8, 3);
  Image gray = blank_image(2, 1, 8, 1);
  gray.lines[0] = {9, 77};
  Image got = take(masked_copy(typed_source(rgb), typed_source(m), typed_source(gray), 0, 0));
  EXPECT_EQ(got.lines[0], (Bytes{0, 0, 0, 77, 77, 77}));
  // 1-bit gray D with 8-bit gray S: D becomes 8-bit gray (0 and 255) first.
  Image bilevel = blank_image(2, 1, 1, 1);
  bilevel.lines[0] = {0x80};
  got = take(masked_copy(typed_source(bilevel, RstColorType::s_gray()), typed_source(m), typed_source(gray), 0, 0));
  EXPECT_EQ(got.bits, 8);
  EXPECT_EQ(got.lines[0], (Bytes{255, 77}));
  EXPECT_TRUE(status.errors().empty());

  // A run-line source on a raw 1-bit D of its colour type stays a run line,
  // which the 1-bit node refuses; every input goes back to the caller.
  Image d1 = random_image(16, 2, 1, 1, 5, true);
  LineSource* d = typed_source(d1);
  LineSource* mask = typed_source(blank_image(8, 2, 1, 1));
  RstRead* runs = rle_source_of(d1);
  EXPECT_EQ(masked_copy(d, mask, runs, 0, 0), nullptr);
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors().front(), (RstReport{-2, "RstPixelConditionalOP1<OPBin>::create()"}));
  EXPECT_EQ(image_of(d), d1);
  d->end();
  mask->end();
  runs->end();
}

TEST_F(MaskedCopy, SkipPassesMaskAndSourceOverTheirRows) {
  Image d = random_image(8, 12, 8, 1, 3);
  Image m = blank_image(8, 3, 1, 1);
  for (Bytes& l : m.lines) l[0] = 0xFF;
  LineSource* ms = typed_source(m);
  LineSource* ss = typed_source(random_image(8, 3, 8, 1, 4));
  Held<> node(masked_copy(typed_source(d), ms, ss, 0, 4));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->skip(10), 10);
  // Rows 4 to 6 carry the mask: all three of them passed.
  EXPECT_EQ(ms->last_skip, 3);
  EXPECT_EQ(ss->last_skip, 3);
  EXPECT_EQ(first_line(node.get()), d.lines[10]);
  EXPECT_EQ(node->skip(0), 0);
}

TEST_F(MaskedCopy, ExtremeOffsetsMissTheDestination) {
  Image d = random_image(16, 2, 8, 1, 3);
  Image m = blank_image(16, 2, 1, 1);
  for (int32_t x : {INT32_MIN, INT32_MAX - 8, INT32_MAX}) {
    LineSource* ds = typed_source(d);
    RstRead* node = masked_copy(ds, typed_source(m), typed_source(d), x, 0);
    EXPECT_EQ(node, ds) << x;
    node->end();
    ds = typed_source(d);
    node = masked_copy(ds, typed_source(m), typed_source(d), 0, x);
    EXPECT_EQ(node, ds) << x;
    node->end();
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MaskedCopy, RefusalsLeaveTheInputsToTheCaller) {
  Image d = random_image(8, 2, 8, 1, 3);
  LineSource* ds = typed_source(d);
  EXPECT_EQ(masked_copy(ds, nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstPixelConditionalOperation::create()"}}));
  status.clear();
  RstPixelConditionalOPCommand<Opaque> command;
  EXPECT_EQ(command.create({ds}, 0, 0, true), nullptr);
  EXPECT_EQ(RstPixelConditionalOP<Opaque>::create({ds, nullptr, ds}, 0, 0), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstPixelConditionalOPCommand<OPBin>::create()"},
                                                     {-2, "RstPixelConditionalOP<OPBin>::create()"}}));
  // A 4-bit destination has no node.
  status.clear();
  LineSource* d4 = new LineSource(image_header(4, 1, 4, 1, RstColorType::s_gray()), {{0x12, 0x34}});
  LineSource* m = typed_source(blank_image(4, 1, 1, 1));
  LineSource* s4 = new LineSource(image_header(4, 1, 4, 1, RstColorType::s_gray()), {{0x56, 0x78}});
  EXPECT_EQ(RstPixelConditionalOP<Opaque>::create({d4, m, s4}, 0, 0), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "rst_create_end()"}}));
  EXPECT_EQ(pull(d4), (std::vector<Bytes>{{0x12, 0x34}}));
  // 8-bit node refuses what its check does not allow.
  status.clear();
  EXPECT_EQ(RstPixelConditionalOP8<Opaque>::create({ds, m, s4}, 0, 0, 1), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstPixelConditionalOP8<OPBin>::create()"}}));
  EXPECT_EQ(image_of(ds), d);
  for (RstRead* n : std::initializer_list<RstRead*>{ds, d4, m, s4}) n->end();
}

TEST_F(MaskedCopy, FailedAllocationsLeaveTheInputsUsable) {
  struct Case {
    int32_t d_bits, d_samples, s_bits, s_samples;
  };
  for (Case c : {Case{8, 3, 8, 1}, Case{1, 1, 1, 1}, Case{1, 1, 8, 1}}) {
    Image d = random_image(20, 3, c.d_bits, c.d_samples, 11, true);
    Image m = random_image(9, 2, 1, 1, 12);
    Image s = random_image(9, 2, c.s_bits, c.s_samples, 13, true);
    Image expected = take(masked_copy(typed_source(d), typed_source(m), typed_source(s), 5, 1));
    bool done = false;
    for (int64_t n = 1; n < 200 && !done; ++n) {
      SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
      status.clear();
      LineSource *ds = typed_source(d), *ms = typed_source(m), *ss = typed_source(s);
      RstAllocFault::fail_nth(n);
      RstRead* node = masked_copy(ds, ms, ss, 5, 1);
      done = RstAllocFault::calls() < n;
      RstAllocFault::clear();
      if (node) {
        EXPECT_EQ(take(node), expected);
        continue;
      }
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front().code, -1);
      ds->reset();
      ms->reset();
      ss->reset();
      EXPECT_EQ(image_of(ds), d);
      EXPECT_EQ(image_of(ms), m);
      EXPECT_EQ(image_of(ss), s);
      for (RstRead* i : std::initializer_list<RstRead*>{ds, ms, ss}) i->end();
    }
    EXPECT_TRUE(done);
  }
}

#ifdef PK_HAVE_LEPTONICA
TEST_F(MaskedCopy, EqualsLeptonicaCombineMaskedGeneral) {
  for (int32_t bits : {1, 8}) {
    Image d = random_image(301, 40, bits, 1, 21, true);
    Image s = random_image(97, 23, bits, 1, 22, true);
    Image m = random_image(97, 23, 1, 1, 23, true);
    for (auto [x, y] : {std::pair{0, 0}, {3, 5}, {101, 7}, {250, 30}, {-40, -9}, {-5, 25}, {290, -3}}) {
      SCOPED_TRACE(std::to_string(bits) + " bits at " + std::to_string(x) + "," + std::to_string(y));
      PIX* pd = pix_of(d);
      PIX* ps = pix_of(s);
      PIX* pm = pix_of(m);
      ASSERT_EQ(pixCombineMaskedGeneral(pd, ps, pm, x, y), 0);
      Image peer = clean_pad(image_of_pix(pd));
      pixDestroy(&pd);
      pixDestroy(&ps);
      pixDestroy(&pm);
      EXPECT_EQ(take(masked_copy(typed_source(d), typed_source(m), typed_source(s), x, y)), peer);
    }
  }
  EXPECT_TRUE(status.errors().empty());
}
#endif

}  // namespace
