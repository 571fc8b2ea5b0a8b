// The block background: extension columns and rows, the pick nearest the
// mean, blocks selected throughout, the current colour carried between
// rows, a second read after reset, and the node against a brute-force
// reference on random pages.
#include <gmock/gmock.h>

#include "layer_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_generate_block_back_from_mask.h"

namespace {

using namespace layer_test;

class BlockBack : public RstStatusTest {};

const std::vector<uint8_t> kLabWhite = {255, 128, 96};

Held<> block_back(const Img& page, const Img& mask, uint32_t bw, uint32_t bh,
                  RstColorType* type = RstColorType::itu_lab()) {
  return Held<>(RstGenerateBlockBackFromMask::create(source_of(page, type), mask8_source(mask), bw, bh));
}

std::vector<uint8_t> pixel(const Img& i, int32_t x, int32_t y) {
  std::vector<uint8_t> p;
  for (int32_t k = 0; k < i.c; ++k) p.push_back(i.at(x, y, k));
  return p;
}

TEST_F(BlockBack, PageWithoutSelectionComesOutUnchanged) {
  for (auto [w, h] : {std::pair{20, 20}, std::pair{33, 7}, std::pair{1, 1}, std::pair{5, 0}}) {
    const Img page = random_page(w, h, 4);
    Held<> node = block_back(page, Img(w, h, 1), 16, 16);
    ASSERT_TRUE(node);
    EXPECT_EQ(pull_img(node.get(), w, 3), page);
  }
}

TEST_F(BlockBack, OneUnselectedPixelGivesItsExactColour) {
  const Img page = random_page(16, 16, 5);
  Img m(16, 16, 1, 255);
  m.at(9, 4) = 0;
  Held<> node = block_back(page, m, 16, 16);
  ASSERT_TRUE(node);
  const Img out = pull_img(node.get(), 16, 3);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(pixel(out, x, y), pixel(page, 9, 4));
}

TEST_F(BlockBack, EqualDistancesTakeTheFirstInRowMajorOrder) {
  // Two unselected pixels, the mean between them: both are equally near.
  Img page(4, 4, 3, 0), m(4, 4, 1, 255);
  const std::vector<uint8_t> a = {100, 120, 90}, b = {110, 130, 100};
  for (int k = 0; k < 3; ++k) page.at(3, 1, k) = a[size_t(k)], page.at(0, 2, k) = b[size_t(k)];
  m.at(3, 1) = 0;
  m.at(0, 2) = 0;
  Held<> node = block_back(page, m, 4, 4);
  ASSERT_TRUE(node);
  const Img out = pull_img(node.get(), 4, 3);
  EXPECT_EQ(pixel(out, 1, 1), a);
  EXPECT_EQ(pixel(out, 2, 3), a);
  EXPECT_EQ(pixel(out, 0, 2), b);  // unselected pixels stay
}

TEST_F(BlockBack, ExtensionColumnsAndRowsCountAsUnselectedWhite) {
  // W 20: the second block holds 4 image columns and 12 of white; one
  // selected pixel there makes it mixed, and the white extension is what
  // the pick lands on when the image pixels are far from it.
  Img page(20, 20, 3, 0);
  Img m(20, 20, 1, 0);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 16; x < 20; ++x) m.at(x, y) = 255;
  Held<> node = block_back(page, m, 16, 16);
  ASSERT_TRUE(node);
  const Img out = pull_img(node.get(), 20, 3);
  ASSERT_EQ(out.h, 20);  // H 20: the output stops after line 19
  EXPECT_EQ(pixel(out, 18, 3), kLabWhite);
  EXPECT_EQ(pixel(out, 18, 17), pixel(page, 18, 17));
  EXPECT_EQ(node->read(std::vector<uint8_t>(60).data()), 0);
}

TEST_F(BlockBack, SelectedRowWithoutMixedNeighboursTakesTheSlotsColours) {
  // Block row 0: a mixed block 3 (one unselected pixel of colour c), the
  // others unselected; block row 1 selected throughout; block row 2
  // unselected. Row 1 is analysed after row 0, so its slots hold c. Its
  // first block has no mixed neighbour and takes the white border slot; the
  // second takes its left slot, c; the last two reach the mixed block.
  const int32_t bw = 4, bh = 4;
  Img page = random_page(16, 12, 6), m(16, 12, 1);
  for (int32_t y = 4; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x) m.at(x, y) = 255;
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 12; x < 16; ++x) m.at(x, y) = 255;
  m.at(14, 1) = 0;
  Held<> node = block_back(page, m, bw, bh);
  ASSERT_TRUE(node);
  const Img out = pull_img(node.get(), 16, 3);
  const std::vector<uint8_t> c = pixel(page, 14, 1);
  EXPECT_EQ(pixel(out, 0, 5), kLabWhite);
  EXPECT_EQ(pixel(out, 5, 5), c);   // left slot
  EXPECT_EQ(pixel(out, 9, 6), c);   // above-right is mixed
  EXPECT_EQ(pixel(out, 13, 7), c);  // above is mixed
  EXPECT_EQ(pixel(out, 12, 0), c);  // the mixed block's selected pixels
  EXPECT_EQ(out, block_back_ref(page, m, bw, bh, kLabWhite));

  // With no mixed block anywhere the selected row's first block is white.
  Img only(16, 12, 1);
  for (int32_t y = 4; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x) only.at(x, y) = 255;
  Held<> plain = block_back(page, only, bw, bh);
  ASSERT_TRUE(plain);
  const Img o = pull_img(plain.get(), 16, 3);
  EXPECT_EQ(pixel(o, 1, 5), kLabWhite);
  EXPECT_EQ(pixel(o, 14, 6), kLabWhite);
  EXPECT_EQ(pixel(o, 3, 9), pixel(page, 3, 9));
}

TEST_F(BlockBack, NodeEqualsItsReference) {
  uint32_t seed = 900;
  struct Type {
    RstColorType* type;
    int32_t channels;
    std::vector<uint8_t> white;
  } types[] = {{RstColorType::itu_lab(), 3, {255, 128, 96}},
               {RstColorType::s_ycbcr(), 3, {255, 128, 128}},
               {RstColorType::s_gray(), 1, {255}},
               {RstColorType::s_gray_reverse(), 1, {0}}};
  for (const Type& t : types)
    for (uint32_t block : {16u, 5u})
      for (int32_t w : {1, 16, 23, 70})
        for (int32_t h : {1, 10, 33, 50})
          for (double density : {0.1, 0.7}) {
            SCOPED_TRACE(::testing::Message() << w << " x " << h << " block " << block << " channels " << t.channels
                                              << " density " << density);
            Img page(w, h, t.channels);
            std::mt19937 rng(seed);
            for (uint8_t& v : page.px) v = uint8_t(rng() % 64 + 96);
            const Img m = random_mask(w, h, density, seed + 1);
            seed += 2;
            Held<> node = block_back(page, m, block, block, t.type);
            ASSERT_TRUE(node);
            EXPECT_EQ(pull_img(node.get(), w, t.channels),
                      block_back_ref(page, m, int32_t(block), int32_t(block), t.white));
          }
}

TEST_F(BlockBack, SecondReadAfterResetEqualsTheFirst) {
  const Img page = random_page(45, 40, 15);
  const Img m = random_mask(45, 40, 0.5, 16);
  Held<> node = block_back(page, m, 16, 16);
  ASSERT_TRUE(node);
  const Img first = pull_img(node.get(), 45, 3);
  ASSERT_EQ(first.h, 40);
  node->reset();
  EXPECT_EQ(pull_img(node.get(), 45, 3), first);
  // A reset in the middle of the page as well.
  node->reset();
  std::vector<uint8_t> l(size_t(node->line_size()));
  for (int i = 0; i < 21; ++i) ASSERT_GT(node->read(l.data()), 0);
  node->reset();
  EXPECT_EQ(pull_img(node.get(), 45, 3), first);
}

TEST_F(BlockBack, CreateChecksItsInputs) {
  const Img page(6, 6, 3), gray(6, 6, 1), m(6, 6, 1), low(6, 5, 1);
  struct Case {
    const char* what;
    RstRead *image, *mask;
    uint32_t bw, bh;
    int32_t code;
  } cases[] = {
      {"no mask", lab_source(page), nullptr, 16, 16, -2},
      {"block height 0", lab_source(page), mask8_source(m), 16, 0, -2},
      {"an RGB page", source_of(page, RstColorType::s_rgb()), mask8_source(m), 16, 16, -3},
      {"an ICC Lab page", source_of(page, RstColorType::icc_lab()), mask8_source(m), 16, 16, -3},
      {"a 1-channel Lab page", source_of(gray, RstColorType::itu_lab()), mask8_source(m), 16, 16, -3},
      {"a mask one line short", lab_source(page), mask8_source(low), 16, 16, -3},
      {"a block row beyond 32 bits", lab_source(page), mask8_source(m), 1u << 20, 1u << 12, -3},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    EXPECT_EQ(RstGenerateBlockBackFromMask::create(c.image, c.mask, c.bw, c.bh), nullptr);
    EXPECT_THAT(status.errors(), ::testing::ElementsAre(RstReport{c.code, "RstGenerateBlockBackFromMask::create()"}));
    for (RstRead* n : {c.image, c.mask})
      if (n) n->end();
  }
}

}  // namespace
