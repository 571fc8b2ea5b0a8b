// Band rotation: the checks and the band rounding, the routes to the plain
// rotation, the padded layout (first line, stride, first slot), every line
// equal to the plain rotation's, short sources, sizes that do not fit, and
// failed allocations.
#include "raster/geometry/rst_rotate90_block.h"

#include "raster/core/rst_status_recorder.h"
#include "turn_support.h"

namespace {

class Rotate90Block : public RstStatusTest {};

TEST_F(Rotate90Block, Checks) {
  struct Case {
    RstHeader header;
    int angle;
    unsigned band;
    bool one, eight, rgb;
  } cases[] = {
      {image_header(9, 9, 1, 1), 90, 8, true, false, false},
      {image_header(9, 9, 1, 1), -90, 32, true, false, false},
      {image_header(9, 9, 1, 1), 90, 33, false, false, false},
      {image_header(9, 9, 1, 1), 90, 7, false, false, false},
      {image_header(9, 9, 1, 1), 180, 16, false, false, false},
      {image_header(9, 9, 8, 1), 270, 4096, false, true, false},
      {image_header(9, 9, 8, 1), 90, 4097, false, false, false},
      {image_header(9, 9, 8, 3), 450, 13, false, false, true},
      {image_header(9, 9, 8, 4), 90, 200, false, false, false},
      {image_header(9, 9, 8, 1, nullptr, RstDataForm::jpeg), 90, 200, false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rst_rotate90_block_check1(c.header, c.angle, c.band), c.one);
    EXPECT_EQ(rst_rotate90_block_check8(c.header, c.angle, c.band), c.eight);
    EXPECT_EQ(rst_rotate90_block_check24(c.header, c.angle, c.band), c.rgb);
    EXPECT_EQ(rst_rotate90_block_check(c.header, c.angle, c.band), c.one || c.eight || c.rgb);
  }
}

TEST_F(Rotate90Block, RoutesToThePlainRotation) {
  Image bits = random_image(20, 9, 1, 1, 1), rgba = random_image(6, 5, 8, 4, 2), gray = random_image(6, 5, 8, 1, 3);
  struct Case {
    const char* name;
    const Image* im;
    int angle;
    RstRead* (*make)(RstRead*, int);
    bool band;
  } cases[] = {
      {"flag, 180", &bits, 180, [](RstRead* s, int a) { return RstRotate90::create(s, a, true); }, false},
      {"flag, 4 samples", &rgba, 90, [](RstRead* s, int a) { return RstRotate90::create(s, a, true); }, false},
      {"flag, 1 bit", &bits, 90, [](RstRead* s, int a) { return RstRotate90::create(s, a, true); }, true},
      {"flag, gray 270", &gray, 270, [](RstRead* s, int a) { return RstRotate90::create(s, a, true); }, true},
      {"no flag", &gray, 90, [](RstRead* s, int a) { return RstRotate90::create(s, a, false); }, false},
      {"1 bit, band 200", &bits, 90, [](RstRead* s, int a) { return RstRotate90Block::create(s, a, 200); }, false},
      {"gray, band 7", &gray, 90, [](RstRead* s, int a) { return RstRotate90Block::create(s, a, 7); }, false},
      {"gray, default band", &gray, 90, [](RstRead* s, int a) { return RstRotate90Block::create(s, a); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(c.make(source_of(*c.im), c.angle));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(dynamic_cast<RstRotate90Block*>(node.get()) != nullptr, c.band);
    EXPECT_EQ(image_of(node.get()), reference_turn(*c.im, c.angle));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90Block, BandsAreRoundedOrRefused) {
  Image bits = random_image(40, 30, 1, 1, 4);
  struct Case {
    unsigned band, used;
  } cases[] = {{8, 8}, {9, 8}, {11, 8}, {12, 16}, {20, 16}, {23, 16}, {24, 32}, {31, 32}, {32, 32}};
  for (const Case& c : cases) {
    Held<> node(RstRotate90Block_1::create(source_of(bits), 90, c.band));
    ASSERT_NE(node, nullptr);
    auto* block = dynamic_cast<RstRotate90Block*>(node.get());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->band(), c.used) << c.band;
  }
  EXPECT_TRUE(status.errors().empty());
  struct Refusal {
    const char* name;
    RstRead* (*make)(RstRead*);
    RstHeader header;  // width 0: no source
    RstReport report;
  } refusals[] = {
      {"band 40",
       [](RstRead* s) { return RstRotate90Block_1::create(s, 90, 40); },
       image_header(8, 8, 1, 1),
       {-2, "RstRotate90Block_1::create()"}},
      {"band 7",
       [](RstRead* s) { return RstRotate90Block_1::create(s, 90, 7); },
       image_header(8, 8, 1, 1),
       {-2, "RstRotate90Block_1::create()"}},
      {"1 bit at 180",
       [](RstRead* s) { return RstRotate90Block_1::create(s, 180, 16); },
       image_header(8, 8, 1, 1),
       {-2, "RstRotate90Block_1::create()"}},
      {"1 bit, no source",
       [](RstRead* s) { return RstRotate90Block_1::create(s, 90, 16); },
       RstHeader(),
       {-2, "RstRotate90Block_1::create()"}},
      {"8 bit, 3 samples",
       [](RstRead* s) { return RstRotate90Block_8::create(s, 90, 16); },
       image_header(8, 8, 8, 3),
       {-2, "RstRotate90Block_8::create()"}},
      {"24, no source",
       [](RstRead* s) { return RstRotate90Block_24::create(s, 90, 16); },
       RstHeader(),
       {-2, "RstRotate90Block_24::create()"}},
      {"front, no source",
       [](RstRead* s) { return RstRotate90Block::create(s, 90, 16); },
       RstHeader(),
       {-2, "RstRotate90Block::create()"}},
      {"two-argument front, no source",
       [](RstRead* s) { return RstRotate90Block::create(s, 90); },
       RstHeader(),
       {-2, "RstRotate90Block::create()"}},
      {"class, no source",
       [](RstRead* s) -> RstRead* { return RstRotate90Block_8_270::create(s, 16); },
       RstHeader(),
       {-2, "RstRotate90Block_8_270::create"}},
      {"class, failed check",
       [](RstRead* s) -> RstRead* { return RstRotate90Block_24_90::create(s, 16); },
       image_header(8, 8, 8, 1),
       {-2, "RstRotate90Block_24_90::create()"}},
      {"1-bit class, band 40",
       [](RstRead* s) -> RstRead* { return RstRotate90Block_1_90::create(s, 40); },
       image_header(8, 8, 1, 1),
       {-2, "RstRotate90Block_1_90::create()"}},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    status.clear();
    LineSource* src = r.header.width ? new LineSource(r.header, {}) : nullptr;
    EXPECT_EQ(r.make(src), nullptr);
    if (src) src->end();
    EXPECT_EQ(status.errors(), std::vector<RstReport>{r.report});
  }
}

TEST_F(Rotate90Block, PaddedLayout) {
  Image gray = random_image(5, 3, 8, 1, 5);
  for (int angle : {90, 270}) {
    SCOPED_TRACE(angle);
    Held<> node(RstRotate90Block::create(source_of(gray), angle, 200));
    ASSERT_NE(node, nullptr);
    auto* block = dynamic_cast<RstRotate90Block*>(node.get());
    ASSERT_NE(block, nullptr);
    RstHeader h(node.get());
    EXPECT_EQ(h.width, 3);
    EXPECT_EQ(h.height, 5);
    EXPECT_EQ(block->padded_width(), 200u);
    EXPECT_EQ(block->padded_height(), 200u);
    EXPECT_EQ(block->stride(), 200u) << "200 x 200 bytes in all";
    EXPECT_EQ(block->first_line() - block->output(), angle == 90 ? 197 : 195 * 200);
    EXPECT_EQ(image_of(node.get()), reference_turn(gray, angle));
  }

  Image bits = random_image(100, 50, 1, 1, 6);
  LineSource* src = source_of(bits);
  Held<> node(RstRotate90Block::create(src, 90, 32));
  ASSERT_NE(node, nullptr);
  auto* block = dynamic_cast<RstRotate90Block*>(node.get());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->padded_width(), 128u);
  EXPECT_EQ(block->padded_height(), 64u);
  EXPECT_EQ(block->first_slot(), 14u) << "the first band fills slots 14 to 31";
  EXPECT_EQ(node->line_size(), 7);
  EXPECT_EQ(block->stride(), 8u);
  EXPECT_EQ(block->first_line(), block->output());
  EXPECT_EQ(image_of(node.get()), reference_turn(bits, 90));
  // The band rotation keeps its source until it is ended.
  EXPECT_EQ(node->sources().size(), 1u);
  EXPECT_EQ(src->reads, 50);
  node->reset();
  EXPECT_EQ(node->skip(98), 98);
  EXPECT_EQ(node->skip(5), 2);
  EXPECT_TRUE(status.errors().empty());
}

// Every line equal to the plain rotation's, spare bits included, for random
// sizes and for sizes around the band in each direction.
TEST_F(Rotate90Block, EqualsThePlainRotation) {
  struct Kind {
    int32_t bits, samples;
    std::vector<unsigned> bands;
  } kinds[] = {{1, 1, {8, 11, 16, 20, 32}}, {8, 1, {8, 13, 200}}, {8, 3, {8, 13, 200}}};
  std::mt19937 rng(31);
  int compared = 0;
  for (const Kind& k : kinds)
    for (unsigned band : k.bands) {
      unsigned tile = k.bits == 1 ? (band < 12 ? 8 : band < 24 ? 16 : 32) : band;
      std::vector<std::pair<int32_t, int32_t>> sizes{{0, 5}, {5, 0}, {1, 1}};
      for (int i = 0; i < 4; ++i) sizes.push_back({1 + int32_t(rng() % 70), 1 + int32_t(rng() % 70)});
      for (int32_t d : {-1, 0, 1}) {
        int32_t n = int32_t(tile) + d;
        sizes.push_back({n, 3});
        sizes.push_back({5, n});
        sizes.push_back({n, n});
      }
      for (auto [w, h] : sizes) {
        Image im = random_image(w, h, k.bits, k.samples, rng());
        for (int angle : {90, 270}) {
          SCOPED_TRACE(testing::Message()
                       << k.bits << "x" << k.samples << " band " << band << ", " << w << " x " << h << " by " << angle);
          Held<> block(RstRotate90Block::create(source_of(im), angle, band));
          Held<> plain(RstRotate90::create(source_of(im), angle, false));
          ASSERT_NE(block, nullptr);
          ASSERT_NE(plain, nullptr);
          ASSERT_NE(dynamic_cast<RstRotate90Block*>(block.get()), nullptr);
          EXPECT_EQ(pull(block.get()), pull(plain.get()));
          ++compared;
        }
      }
    }
  EXPECT_GT(compared, 200);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90Block, ShortSourceFailsLikeThePlainRotation) {
  // 300 lines promised, 150 delivered.
  Image gray = random_image(40, 150, 8, 1, 7);
  RstHeader h = header_of(gray);
  h.height = 300;
  for (bool block : {true, false}) {
    status.clear();
    LineSource* src = new LineSource(h, gray.lines);
    EXPECT_EQ(RstRotate90::create(src, 90, block), nullptr);
    EXPECT_EQ(status.errors(),
              (std::vector<RstReport>{{-3, block ? "RstRotate90Block::initiate()" : "RstRotate90::initiate()"}}));
    src->end();
  }
  // A wrong line length fails the same way, for 1 bit as well.
  status.clear();
  Image bits = random_image(20, 12, 1, 1, 8);
  bits.lines[5].push_back(0);
  LineSource* src = source_of(bits);
  EXPECT_EQ(RstRotate90Block::create(src, 270, 16), nullptr);
  src->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstRotate90Block::initiate()"}}));
}

TEST_F(Rotate90Block, HugeHeaderIsRefusedBeforeAnyRead) {
  struct Case {
    RstHeader header;
    unsigned band;
  } cases[] = {{image_header(65536, 65537, 8, 1), 200},
               {image_header(INT32_MAX, 3, 8, 3), 200},
               {image_header(3, INT32_MAX, 1, 1), 32}};
  for (const Case& c : cases) {
    status.clear();
    LineSource* src = new LineSource(c.header, {});
    RstAllocFault::fail_nth(3);  // the node, the band buffer, then the output
    EXPECT_EQ(RstRotate90Block::create(src, 90, c.band), nullptr);
    RstAllocFault::clear();
    EXPECT_EQ(src->reads, 0);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstRotate90Block::initiate()"}}));
    src->end();
  }
}

TEST_F(Rotate90Block, AllocationFailures) {
  Image bits = random_image(37, 21, 1, 1, 9);
  for (int angle : {90, 270}) {
    check_allocation_failures([&] { return source_of(bits); },
                              [angle](RstRead* s) { return RstRotate90Block::create(s, angle, 16); },
                              reference_turn(bits, angle).lines, {"RstRotate90Block::initiate()", "rst_create_end()"});
  }
  Image rgb = random_image(9, 14, 8, 3, 10);
  check_allocation_failures([&] { return source_of(rgb); }, [](RstRead* s) { return RstRotate90::create(s, 90, true); },
                            reference_turn(rgb, 90).lines, {"RstRotate90Block::initiate()", "rst_create_end()"});
}

}  // namespace
