// The foreground generators: mask thinning run by run, the gap middles, the
// block foreground's colours, classes, white rows and rows below the last
// block row, skip from any position, and all three against brute-force
// references on random pages.
#include <gtest/gtest.h>

#include "layer_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_generate_fore_from_mask.h"

namespace {

using namespace layer_test;

class ForeGeneration : public RstStatusTest {};

const uint8_t kLabWhite[3] = {255, 128, 96};

Img row_mask(const std::vector<int>& bits) {
  Img m(int32_t(bits.size()), 1, 1);
  for (size_t i = 0; i < bits.size(); ++i) m.px[i] = bits[i] ? 255 : 0;
  return m;
}

Img run_node(RstRead* (*create)(RstRead*), const Img& m) {
  Held<> node(create(mask8_source(m)));
  EXPECT_TRUE(node);
  return node ? pull_img(node.get(), m.w, 1) : Img();
}

// The generator over page and masks; both masks given whole.
Held<> fore(const Img& page, const Img& thin, const Img& middle, uint32_t bw, uint32_t bh,
            RstColorType* type = RstColorType::itu_lab()) {
  return Held<>(
      RstGenerateForeFromMask::create({source_of(page, type), mask8_source(thin), mask8_source(middle)}, bw, bh));
}

TEST_F(ForeGeneration, ShrinkKeepsTheMiddleOfEveryRun) {
  struct Case {
    std::vector<int> in, out;
  } cases[] = {
      {{0, 0, 1, 0, 0}, {0, 0, 1, 0, 0}},
      {{0, 0, 1, 1, 0, 0}, {0, 0, 0, 1, 0, 0}},
      {{0, 0, 1, 1, 1, 0, 0}, {0, 0, 0, 1, 0, 0, 0}},
      {{0, 0, 1, 1, 1, 1, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0}},
      {{0, 1, 1, 1, 1, 1, 1, 1, 0}, {0, 0, 0, 1, 1, 1, 0, 0, 0}},
      // Runs at the line's ends see the zero border.
      {{1, 1, 0, 1, 1, 1, 1, 1}, {0, 1, 0, 0, 0, 1, 0, 0}},
      {{1}, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.in));
    EXPECT_EQ(run_node(RstShrinkMask::create, row_mask(c.in)), row_mask(c.out));
  }
}

TEST_F(ForeGeneration, ShrinkPassesOtherValuesAndKeepsRunsNextToThem) {
  Img m(6, 1, 1);
  m.px = {0, 255, 255, 7, 255, 255};
  // 7 stays, and runs touching it are not thinned from that side.
  Img out = run_node(RstShrinkMask::create, m);
  EXPECT_EQ(out.px, (std::vector<uint8_t>{0, 0, 255, 7, 255, 255}));
}

TEST_F(ForeGeneration, MoveMidMarksTheMiddleOfEveryGap) {
  struct Case {
    std::vector<int> in, out;
  } cases[] = {
      {{0, 0, 1, 0, 0, 0, 1}, {0, 0, 1, 0, 0, 1, 0}},
      {{1, 0, 1}, {0, 0, 1}},              // a gap of one: the run's first pixel
      {{1, 0, 0, 1}, {0, 0, 1, 0}},        // of two: the second zero
      {{1, 0, 0, 0, 1}, {0, 0, 0, 1, 0}},  // of three: the third zero
      {{1, 1, 1}, {0, 0, 0}},              // a run at pixel 0 marks nothing
      {{0, 1, 1, 0, 0, 0, 0, 1}, {0, 1, 0, 0, 0, 1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.in));
    EXPECT_EQ(run_node(RstMoveMid::create, row_mask(c.in)), row_mask(c.out));
  }
}

TEST_F(ForeGeneration, ThinningAndMiddlesEqualTheirReferences) {
  uint32_t seed = 1;
  for (int32_t w : {1, 2, 5, 17, 70})
    for (int32_t h : {1, 3, 50})
      for (double density : {0.2, 0.6}) {
        SCOPED_TRACE(::testing::Message() << w << " x " << h << " density " << density);
        const Img m = random_mask(w, h, density, seed++);
        EXPECT_EQ(run_node(RstShrinkMask::create, m), shrink_ref(m));
        EXPECT_EQ(run_node(RstMoveMid::create, m), move_mid_ref(m));
      }
}

TEST_F(ForeGeneration, SelectedBlockGetsItsOwnMean) {
  Img page = random_page(16, 16, 3);
  Img all(16, 16, 1, 255), none(16, 16, 1, 0);
  uint32_t sum[3] = {0, 0, 0};
  for (int32_t i = 0; i < 256; ++i)
    for (int c = 0; c < 3; ++c) sum[c] += page.px[size_t(i) * 3 + size_t(c)];
  Held<> node = fore(page, all, none, 16, 16);
  ASSERT_TRUE(node);
  Img out = pull_img(node.get(), 16, 3);
  ASSERT_EQ(out.h, 16);
  for (int c = 0; c < 3; ++c) {
    const uint8_t mean = uint8_t((sum[c] + 128) / 256);
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(out.at(x, y, c), mean);
  }
}

TEST_F(ForeGeneration, LargeBlocksKeepTheirMean) {
  // 100 x 100 pixels of 255: the fixed-point sum leaves 32 bits.
  const Img page(100, 100, 3, 255), all(100, 100, 1, 255), none(100, 100, 1, 0);
  Held<> node = fore(page, all, none, 100, 100);
  ASSERT_TRUE(node);
  EXPECT_EQ(pull_img(node.get(), 100, 3), page);
}

TEST_F(ForeGeneration, GapSplitsAtItsMiddle) {
  // Six blocks of 4 x 4: red at block 0, blue at block 5, a middle in block 3.
  Img page(24, 4, 3), thin(24, 4, 1), middle(24, 4, 1);
  const uint8_t red[3] = {120, 200, 150}, blue[3] = {60, 160, 20};
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 24; ++x) {
      const uint8_t* c = x < 12 ? red : blue;
      for (int k = 0; k < 3; ++k) page.at(x, y, k) = c[k];
    }
  thin.at(1, 1) = 255;
  thin.at(22, 2) = 255;
  middle.at(13, 0) = 255;
  Held<> node = fore(page, thin, middle, 4, 4);
  ASSERT_TRUE(node);
  Img out = pull_img(node.get(), 24, 3);
  ASSERT_EQ(out.h, 4);
  for (int32_t b = 0; b < 6; ++b)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(out.at(b * 4 + 1, 2, k), (b < 3 ? red : blue)[k]) << "block " << b;
}

TEST_F(ForeGeneration, RowsWithoutBlocksAndRowsBelowTheLastBlockRow) {
  struct Case {
    const char* what;
    int32_t w, h;
    RstColorType* type;
  } cases[] = {
      {"narrower than a block, ITU Lab", 10, 16, RstColorType::itu_lab()},
      {"narrower than a block, YCbCr", 10, 16, RstColorType::s_ycbcr()},
      {"narrower than a block, ICC Lab", 10, 16, RstColorType::icc_lab()},
      {"20 lines", 16, 20, RstColorType::itu_lab()},
      {"lower than a block", 16, 5, RstColorType::itu_lab()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Img page = random_page(c.w, c.h, 9);
    Img thin(c.w, c.h, 1, 255), middle(c.w, c.h, 1, 0);
    Held<> node = fore(page, thin, middle, 16, 16, c.type);
    ASSERT_TRUE(node);
    Img out = pull_img(node.get(), c.w, 3);
    ASSERT_EQ(out.h, c.h);
    const uint8_t white[3] = {255, 128, uint8_t(c.type == RstColorType::itu_lab() ? 96 : 128)};
    const int32_t blocks = c.h / 16 * 16;
    for (int32_t y = 0; y < c.h; ++y)
      for (int32_t x = 0; x < c.w; ++x)
        for (int k = 0; k < 3; ++k) {
          if (y >= blocks) {
            ASSERT_EQ(out.at(x, y, k), page.at(x, blocks, k)) << x << "," << y;
          } else if (c.w < 16) {
            ASSERT_EQ(out.at(x, y, k), white[k]) << x << "," << y;
          }
        }
  }
}

TEST_F(ForeGeneration, GeneratorEqualsItsReference) {
  uint32_t seed = 100;
  for (uint32_t block : {16u, 5u})
    for (int32_t w : {1, 7, 16, 33, 70})
      for (int32_t h : {1, 9, 21, 50}) {
        SCOPED_TRACE(::testing::Message() << w << " x " << h << " block " << block);
        const Img page = random_page(w, h, seed);
        const Img thin = random_mask(w, h, 0.03, seed + 1);
        const Img middle = random_mask(w, h, 0.02, seed + 2);
        seed += 3;
        Held<> node = fore(page, thin, middle, block, block);
        ASSERT_TRUE(node);
        EXPECT_EQ(pull_img(node.get(), w, 3), fore_ref(page, thin, middle, int32_t(block), int32_t(block), kLabWhite));
      }
}

TEST_F(ForeGeneration, SkipFromAnyPositionLandsWhereAReadWould) {
  const Img page = random_page(37, 45, 5);
  const Img thin = random_mask(37, 45, 0.05, 6), middle = random_mask(37, 45, 0.03, 7);
  const Img whole = fore_ref(page, thin, middle, 16, 16, kLabWhite);
  auto line = [&](int32_t y) { return Bytes(whole.px.begin() + y * 37 * 3, whole.px.begin() + (y + 1) * 37 * 3); };
  struct Case {
    int read_first, skip, returned;
  } cases[] = {{0, 5, 5},  {0, 16, 16}, {0, 40, 40},  {3, 10, 10},   {17, 1, 1}, {20, 16, 16},
               {33, 8, 8}, {0, 44, 44}, {0, 100, 44}, {30, 100, 14}, {44, 5, 0}, {45, 3, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "read " << c.read_first << ", skip " << c.skip);
    Held<> node = fore(page, thin, middle, 16, 16);
    ASSERT_TRUE(node);
    Bytes l(size_t(node->line_size()));
    for (int i = 0; i < c.read_first; ++i) ASSERT_EQ(node->read(l.data()), 37 * 3);
    EXPECT_EQ(node->skip(c.skip), c.returned);
    const int32_t next = c.read_first + c.returned;
    for (int32_t y = next; y < 45; ++y) {
      ASSERT_EQ(node->read(l.data()), 37 * 3) << "line " << y;
      ASSERT_EQ(l, line(y)) << "line " << y;
    }
    EXPECT_EQ(node->read(l.data()), 0);
  }
}

TEST_F(ForeGeneration, ResetReadsTheSameLayerAgain) {
  const Img page = random_page(40, 35, 11);
  const Img thin = random_mask(40, 35, 0.05, 12), middle = random_mask(40, 35, 0.03, 13);
  Held<> node = fore(page, thin, middle, 16, 16);
  ASSERT_TRUE(node);
  const Img first = pull_img(node.get(), 40, 3);
  node->reset();
  EXPECT_EQ(pull_img(node.get(), 40, 3), first);
}

TEST_F(ForeGeneration, CreateChecksItsInputs) {
  const Img page(8, 8, 3), m(8, 8, 1), shorter(8, 7, 1);
  struct Case {
    const char* what;
    std::vector<RstRead*> inputs;
    uint32_t block;
    int32_t code;
  } cases[] = {
      {"two inputs", {lab_source(page), mask8_source(m)}, 16, -2},
      {"a missing input", {lab_source(page), nullptr, mask8_source(m)}, 16, -2},
      {"block 0", {lab_source(page), mask8_source(m), mask8_source(m)}, 0, -2},
      {"an RGB page", {source_of(page, RstColorType::s_rgb()), mask8_source(m), mask8_source(m)}, 16, -3},
      {"a short mask", {lab_source(page), mask8_source(shorter), mask8_source(m)}, 16, -3},
      {"a 3-channel mask", {lab_source(page), lab_source(page), mask8_source(m)}, 16, -3},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    EXPECT_EQ(RstGenerateForeFromMask::create(c.inputs, c.block, c.block), nullptr);
    EXPECT_THAT(status.errors(), ::testing::ElementsAre(RstReport{c.code, "RstGenerateForeFromMask::create()"}));
    for (RstRead* n : c.inputs)
      if (n) n->end();
  }
  for (auto create : {RstShrinkMask::create, RstMoveMid::create}) {
    status.clear();
    Held<> lab(lab_source(page));
    EXPECT_EQ(create(lab.get()), nullptr);
    EXPECT_EQ(create(nullptr), nullptr);
    ASSERT_EQ(status.errors().size(), 2u);
    EXPECT_EQ(status.errors()[0].code, -3);
    EXPECT_EQ(status.errors()[1].code, -2);
  }
}

}  // namespace
