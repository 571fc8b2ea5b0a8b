// The pixel background: the mask expansion's squares, lone pixels and
// overwrites, the window means and their fallbacks, both against brute-force
// references on random pages, and a ring that cannot be made.
#include <gmock/gmock.h>

#include "layer_support.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_generate_back_from_mask.h"

namespace {

using namespace layer_test;

class BackGeneration : public RstStatusTest {};

constexpr RstWindow kWindow{5, 5, 2, 2};

Img expand(const Img& m) {
  Held<> node(RstExpandMask::create(mask8_source(m)));
  EXPECT_TRUE(node);
  return node ? pull_img(node.get(), m.w, 1) : Img();
}

// Columns set on row y.
std::vector<int32_t> set_on(const Img& m, int32_t y) {
  std::vector<int32_t> xs;
  for (int32_t x = 0; x < m.w; ++x)
    if (m.at(x, y) == 255) xs.push_back(x);
  return xs;
}

TEST_F(BackGeneration, ExpansionSquaresLonePixelsAndOverwrites) {
  using V = std::vector<int32_t>;
  struct Case {
    const char* what;
    std::vector<int32_t> set;  // columns set on row 5 of a 12 x 11 mask
    V rows_3_to_7, rows_2_and_8;
  } cases[] = {
      {"a lone pixel", {6}, {}, {}},
      {"a touching pair", {5, 6}, {3, 4, 5, 6, 7, 8}, {}},
      {"a pair at column 0", {0, 1}, {0, 1, 2, 3}, {}},
      {"a pair and a lone pixel after it", {3, 4, 7}, {1, 2, 3, 4}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Img m(12, 11, 1);
    for (int32_t x : c.set) m.at(x, 5) = 255;
    const Img out = expand(m);
    ASSERT_EQ(out.h, 11);
    for (int32_t y = 0; y < 11; ++y) {
      V want = y >= 3 && y <= 7 ? c.rows_3_to_7 : c.rows_2_and_8;
      if (y == 5)
        for (int32_t x : c.set)
          if (std::find(want.begin(), want.end(), x) == want.end()) want.push_back(x);
      std::sort(want.begin(), want.end());
      EXPECT_EQ(set_on(out, y), want) << "row " << y;
    }
  }
  // A pair at column 0 widens to columns 0 .. 2 only.
  Img m(12, 11, 1);
  m.at(0, 5) = 255;
  m.at(0, 6) = 255;
  EXPECT_EQ(set_on(expand(m), 4), (V{0, 1, 2}));
}

TEST_F(BackGeneration, ExpansionEqualsItsReference) {
  uint32_t seed = 40;
  for (int32_t w : {1, 2, 6, 31, 70})
    for (int32_t h : {1, 2, 5, 13, 50})
      for (double density : {0.05, 0.4}) {
        SCOPED_TRACE(::testing::Message() << w << " x " << h << " density " << density);
        const Img m = random_mask(w, h, density, seed++);
        EXPECT_EQ(expand(m), expand_ref(m));
      }
}

TEST_F(BackGeneration, ExpansionSkipAndResetKeepTheBands) {
  const Img m = random_mask(23, 30, 0.2, 77);
  const Img want = expand_ref(m);
  Held<> node(RstExpandMask::create(mask8_source(m)));
  ASSERT_TRUE(node);
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(node->skip(11), 11);
  Img rest = pull_img(node.get(), 23, 1);
  EXPECT_EQ(rest.px, std::vector<uint8_t>(want.px.begin() + 11 * 23, want.px.end()));
  node->reset();
  EXPECT_EQ(pull_img(node.get(), 23, 1), want);
}

Held<> back(const Img& page, const Img& expanded, const Img& mask) {
  return Held<>(RstGenerateBackFromMask::create(lab_source(page), mask8_source(expanded), mask8_source(mask), kWindow));
}

TEST_F(BackGeneration, SelectedPixelsTakeTheMeanOfTheirClearNeighbours) {
  // A 9 x 7 page of distinct colours.
  Img page = random_page(9, 7, 21);
  struct Case {
    const char* what;
    std::vector<std::pair<int32_t, int32_t>> expanded, mask;  // set pixels
    int32_t x, y;
  } cases[] = {
      {"one selected pixel", {{4, 3}}, {{4, 3}}, 4, 3},
      {"at the corner, outline copies counted", {{0, 0}}, {}, 0, 0},
      {"a selected column in the expanded mask only", {{3, 3}, {4, 3}, {5, 3}}, {}, 4, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Img e(9, 7, 1), m(9, 7, 1);
    for (auto [x, y] : c.expanded) e.at(x, y) = 255;
    for (auto [x, y] : c.mask) m.at(x, y) = 255;
    Held<> node = back(page, e, m);
    ASSERT_TRUE(node);
    const Img out = pull_img(node.get(), 9, 3);
    EXPECT_EQ(out, back_ref(page, e, m));
    // Unselected pixels are copied.
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 9; ++x)
        if (e.at(x, y) != 255) {
          for (int k = 0; k < 3; ++k) ASSERT_EQ(out.at(x, y, k), page.at(x, y, k));
        }
  }
}

TEST_F(BackGeneration, FullySelectedNeighbourhoodsKeepTheLastColour) {
  // Both masks set over columns 6 ..; the first such pixel with a clear
  // pixel in reach is computed, the ones beyond keep its colour. On a line
  // that is selected throughout every pixel is white.
  const Img page = random_page(16, 6, 8);
  Img sel(16, 6, 1);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 6; x < 16; ++x) sel.at(x, y) = 255;
  Held<> node = back(page, sel, sel);
  ASSERT_TRUE(node);
  const Img out = pull_img(node.get(), 16, 3);
  ASSERT_EQ(out.h, 6);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 9; x < 16; ++x)
      for (int k = 0; k < 3; ++k) ASSERT_EQ(out.at(x, y, k), out.at(7, y, k)) << x << "," << y;

  Img all(16, 6, 1, 255);
  Held<> white = back(page, all, all);
  ASSERT_TRUE(white);
  const Img w = pull_img(white.get(), 16, 3);
  for (size_t i = 0; i < w.px.size(); i += 3)
    ASSERT_EQ((std::vector<uint8_t>{w.px[i], w.px[i + 1], w.px[i + 2]}), (std::vector<uint8_t>{255, 128, 96}));
}

TEST_F(BackGeneration, BackgroundEqualsItsReference) {
  uint32_t seed = 500;
  for (int32_t w : {1, 4, 19, 70})
    for (int32_t h : {1, 3, 22, 50}) {
      SCOPED_TRACE(::testing::Message() << w << " x " << h);
      const Img page = random_page(w, h, seed);
      const Img mask = random_mask(w, h, 0.3, seed + 1);
      const Img expanded = expand_ref(mask);
      seed += 2;
      Held<> node = back(page, expanded, mask);
      ASSERT_TRUE(node);
      const Img want = back_ref(page, expanded, mask);
      EXPECT_EQ(pull_img(node.get(), w, 3), want);
      node->reset();
      ASSERT_EQ(node->skip(h / 2), h / 2);
      EXPECT_EQ(pull_img(node.get(), w, 3).px,
                std::vector<uint8_t>(want.px.begin() + size_t(h / 2) * size_t(w) * 3, want.px.end()));
    }
}

TEST_F(BackGeneration, CreatesCheckTheirInputs) {
  const Img page(6, 6, 3), m(6, 6, 1), low(6, 5, 1);
  struct Case {
    const char* what;
    RstRead *image, *expanded, *mask;
    int32_t code;
  } cases[] = {
      {"no mask", lab_source(page), mask8_source(m), nullptr, -2},
      {"a YCbCr page", source_of(page, RstColorType::s_ycbcr()), mask8_source(m), mask8_source(m), -3},
      {"a mask one line short", lab_source(page), mask8_source(m), mask8_source(low), -3},
      {"a 1-bit expanded mask", lab_source(page), mask1_source(m), mask8_source(m), -3},
      // Pixels are read three bytes at a time from the page and one from
      // each mask.
      {"a 1-channel Lab page", source_of(m, RstColorType::itu_lab()), mask8_source(m), mask8_source(m), -3},
      {"a 3-channel mask", lab_source(page), mask8_source(m), source_of(page, RstColorType::s_gray()), -3},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    EXPECT_EQ(RstGenerateBackFromMask::create(c.image, c.expanded, c.mask, kWindow), nullptr);
    EXPECT_THAT(status.errors(), ::testing::ElementsAre(RstReport{c.code, "RstGenerateBackFromMask::create()"}));
    for (RstRead* n : {c.image, c.expanded, c.mask})
      if (n) n->end();
  }
  status.clear();
  Held<> one_bit(mask1_source(m));
  EXPECT_EQ(RstExpandMask::create(one_bit.get()), nullptr);
  EXPECT_EQ(RstExpandMask::create(nullptr), nullptr);
  EXPECT_THAT(status.errors(), ::testing::ElementsAre(RstReport{-3, "RstExpandMask::create()"},
                                                      RstReport{-2, "RstExpandMask::create()"}));
}

TEST_F(BackGeneration, RingThatCannotBeMadeGivesNoNode) {
  // Every allocation of the create fails in turn; a failure inside the
  // rings must leave no node behind, whatever the observer does.
  const Img page = random_page(8, 8, 1), m = random_mask(8, 8, 0.3, 2);
  const Img want = back_ref(page, expand_ref(m), m);
  bool ring_failed = false;
  for (int64_t n = 1; n < 40; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    status.clear();
    RstRead* image = lab_source(page);
    RstRead* e = mask8_source(expand_ref(m));
    RstRead* k = mask8_source(m);
    RstAllocFault::fail_nth(n);
    RstRead* node = RstGenerateBackFromMask::create(image, e, k, kWindow);
    RstAllocFault::clear();
    if (!node) {
      ASSERT_FALSE(status.errors().empty());
      // The window list of the multi ring reports -2, every other list or
      // buffer -1.
      const RstReport first = status.errors().front();
      const RstReport window_list{-2, "RstMultiRingBuffer::RstMultiRingBuffer()"};
      EXPECT_TRUE(first.code == -1 || first == window_list) << first.where;
      for (const RstReport& r : status.errors())
        ring_failed |=
            r.where == "RstMultiRingBuffer::RstMultiRingBuffer()" || r.where == "RstRingBuffer::RstRingBuffer()";
      // The inputs are the caller's and still read from the start.
      EXPECT_EQ(pull_img(image, 8, 3), page);
      image->end();
      e->end();
      k->end();
      continue;
    }
    Held<> held(node);
    EXPECT_EQ(pull_img(node, 8, 3), want);
    EXPECT_TRUE(status.errors().empty());
    break;
  }
  EXPECT_TRUE(ring_failed);
}

}  // namespace
