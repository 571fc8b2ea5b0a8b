// Bilevel OR and AND reduction: block boundaries, the bits kept, mirroring,
// line combination, the hand-over of enlargements, refusals and allocation
// failures.
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_or_and.h"
#include "raster/geometry/rst_scale_width_nn.h"

namespace {

class ScaleORAND : public RstStatusTest {};

LineSource* bilevel(int32_t width, std::vector<Bytes> lines) {
  int32_t height = int32_t(lines.size());
  return new LineSource(image_header(width, height, 1, 1, RstColorType::s_gray_reverse()), std::move(lines));
}

TEST_F(ScaleORAND, WidthBlocks) {
  struct Case {
    const char* name;
    int32_t from, to;
    Bytes in, or_, and_;
  } cases[] = {
      // Boundaries 0, 2, 4, 6, 8.
      {"8 -> 4", 8, 4, {0x81}, {0x90}, {0x00}},
      {"8 -> 4, pairs", 8, 4, {0xCF}, {0xB0}, {0xB0}},
      // Boundaries 0, 2, 3.
      {"3 -> 2", 3, 2, {0x20}, {0x40}, {0x40}},
      {"3 -> 2, a lone first pixel", 3, 2, {0x80}, {0x80}, {0x00}},
      // Boundaries 8, 6, 4, 2, 0: output bit 0 covers source bits 6 and 7.
      {"8 -> -4", 8, -4, {0x01}, {0x80}, {0x00}},
      {"8 -> -4, last pair", 8, -4, {0x03}, {0x80}, {0x80}},
      // Boundaries 0, 2, 5, 7, 10, 12.
      {"12 -> 5", 12, 5, {0xF8, 0xB0}, {0xD8}, {0xC8}},
      {"12 -> -5", 12, -5, {0xF8, 0xB0}, {0xD8}, {0x98}},
      {"spare bits ignored", 12, 3, {0x00, 0x0F}, {0x00}, {0x00}},
      {"wide blocks across words", 200, 2, Bytes(25, 0xFF), {0xC0}, {0xC0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> or_node(RstScaleWidthOR::create(bilevel(c.from, {c.in}), c.to));
    Held<> and_node(RstScaleWidthAND::create(bilevel(c.from, {c.in}), c.to));
    ASSERT_NE(or_node, nullptr);
    ASSERT_NE(and_node, nullptr);
    EXPECT_EQ(RstHeader(or_node.get()).width, c.to < 0 ? -c.to : c.to);
    EXPECT_EQ(pull(or_node.get()), std::vector<Bytes>{c.or_}) << "OR";
    EXPECT_EQ(pull(and_node.get()), std::vector<Bytes>{c.and_}) << "AND";
  }
  // A wide range with one clear bit far inside: AND clears, OR sets.
  Bytes wide(25, 0xFF);
  wide[13] = 0xF7;
  Held<> or_node(RstScaleWidthOR::create(bilevel(200, {wide}), 1));
  Held<> and_node(RstScaleWidthAND::create(bilevel(200, {wide}), 1));
  EXPECT_EQ(pull(or_node.get()), std::vector<Bytes>{{0x80}});
  EXPECT_EQ(pull(and_node.get()), std::vector<Bytes>{{0x00}});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleORAND, HeightCombinesLines) {
  // Line i has bit i set (of 8): OR shows which lines were combined; AND of
  // more than one line is empty, of one line the line.
  auto lines = [](int32_t n) {
    std::vector<Bytes> v;
    for (int32_t i = 0; i < n; ++i) v.push_back({uint8_t(0x80 >> i)});
    return v;
  };
  struct Case {
    int32_t from, to;
    std::vector<Bytes> or_;
  } cases[] = {
      {4, 2, {{0xC0}, {0x30}}},
      {7, 3, {{0xC0}, {0x38}, {0x06}}},
      {3, 2, {{0xC0}, {0x20}}},
      {8, 1, {{0xFF}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    LineSource* src = bilevel(8, lines(c.from));
    Held<> node(RstScaleHeightOR::create(src, c.to));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).height, c.to);
    EXPECT_EQ(pull(node.get()), c.or_);
    Bytes line(1);
    EXPECT_EQ(node->read(line.data()), 0) << "past the output height";
    node->reset();
    EXPECT_EQ(pull(node.get()), c.or_) << "reset repeats";
  }
  // AND over 16-byte lines (two words): lines 0-1 and 2-3.
  Bytes full(16, 0xFF), half(16, 0x0F), some(16, 0x3C);
  Held<> node(RstScaleHeightAND::create(new LineSource(image_header(128, 4, 1, 1), {full, half, some, full}), 2));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{half, some}));
  // A height OR scaler skips by reading its own lines.
  LineSource* src = bilevel(8, lines(7));
  Held<> skipping(RstScaleHeightOR::create(src, 3));
  EXPECT_EQ(skipping->skip(1), 1);
  EXPECT_EQ(src->skips, 0);
  EXPECT_EQ(pull(skipping.get()), (std::vector<Bytes>{{0x38}, {0x06}}));
  // A short source line ends the image.
  Held<> short_line(RstScaleHeightOR::create(bilevel(8, {{0x80}, {}, {0x20}, {0x10}}), 2));
  EXPECT_EQ(pull(short_line.get()), std::vector<Bytes>{});
}

TEST_F(ScaleORAND, EnlargementsGoToNearestNeighbour) {
  Held<> wide(RstScaleWidthOR::create(bilevel(4, {{0x90}}), 8));
  ASSERT_NE(wide, nullptr);
  EXPECT_NE(dynamic_cast<RstScaleWidthNN1*>(wide.get()), nullptr);
  EXPECT_EQ(pull(wide.get()), std::vector<Bytes>{{0xC3}});
  Held<> wide_and(RstScaleWidthAND::create(bilevel(4, {{0x90}}), -8));
  EXPECT_NE(dynamic_cast<RstScaleWidthNN1*>(wide_and.get()), nullptr);
  Held<> tall(RstScaleHeightOR::create(bilevel(8, {{0x80}, {0x01}}), 5));
  ASSERT_NE(tall, nullptr);
  EXPECT_NE(dynamic_cast<RstScaleHeight0D*>(tall.get()), nullptr);
  EXPECT_EQ(pull(tall.get()), (std::vector<Bytes>{{0x80}, {0x80}, {0x80}, {0x01}, {0x01}}));
  Held<> tall_and(RstScaleHeightAND::create(bilevel(8, {{0x80}, {0x01}}), 3));
  EXPECT_NE(dynamic_cast<RstScaleHeight0D*>(tall_and.get()), nullptr);
}

TEST_F(ScaleORAND, SameSizeAndRefusals) {
  auto* same = new LineSource(image_header(8, 4, 8, 1), {});
  EXPECT_EQ(RstScaleWidthOR::create(same, 8), same);
  EXPECT_EQ(RstScaleHeightAND::create(same, 4), same);
  same->end();
  struct Case {
    const char* name;
    int which;  // 0 width OR, 1 width AND, 2 height OR, 3 height AND
    RstHeader header;
    int32_t size;
    RstReport report;
  } cases[] = {
      {"8-bit width", 0, image_header(8, 4, 8, 1), 4, {-3, "RstScaleWidthOR::create()"}},
      {"8-bit width AND", 1, image_header(8, 4, 8, 1), 4, {-3, "RstScaleWidthAND::create()"}},
      {"8-bit height", 2, image_header(8, 4, 8, 1), 2, {-3, "RstScaleHeightOR::create()"}},
      {"8-bit height AND", 3, image_header(8, 4, 8, 1), 2, {-3, "RstScaleHeightAND::create()"}},
      {"width 0", 0, image_header(8, 4, 1, 1), 0, {-2, "RstScaleWidthOR::create()"}},
      {"height 0", 2, image_header(8, 4, 1, 1), 0, {-2, "RstScaleHeightOR::create()"}},
      {"height -5", 3, image_header(8, 4, 1, 1), -5, {-2, "RstScaleHeightAND::create()"}},
      {"run lines", 1, image_header(8, 4, 1, 1, nullptr, RstDataForm::rle), 4, {-3, "RstScaleWidthAND::create()"}},
      {"source width 0", 0, image_header(0, 4, 1, 1), 4, {-3, "RstScaleWidthOR::create()"}},
      {"width of 2^19", 0, image_header(524288, 4, 1, 1), 4, {-3, "RstScaleWidthOR::create()"}},
      {"height of 2^19", 2, image_header(8, 524288, 1, 1), 4, {-3, "RstScaleHeightOR::create()"}},
      {"beyond 4096:1", 1, image_header(500000, 4, 1, 1), 100, {-3, "RstScaleWidthAND::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    auto* src = new LineSource(c.header, {{7}});
    RstRead* made = c.which == 0   ? RstScaleWidthOR::create(src, c.size)
                    : c.which == 1 ? RstScaleWidthAND::create(src, c.size)
                    : c.which == 2 ? RstScaleHeightOR::create(src, c.size)
                                   : RstScaleHeightAND::create(src, c.size);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(local.errors(), std::vector<RstReport>{c.report});
    Bytes line(8);
    EXPECT_EQ(src->read(line.data()), 1) << "the caller's source reads from line 0";
    src->end();
  }
}

TEST_F(ScaleORAND, AllocationFailures) {
  auto source = [] { return static_cast<RstRead*>(bilevel(8, {{0x81}, {0x18}, {0x00}, {0x42}})); };
  check_allocation_failures(source, [](RstRead* s) { return RstScaleWidthOR::create(s, 4); },
                            {{0x90}, {0x60}, {0x00}, {0x90}},
                            {"RstScaleWidthOR::RstScaleWidthOR()", "rst_create_end()"});
  check_allocation_failures(source, [](RstRead* s) { return RstScaleWidthAND::create(s, -4); },
                            {{0x00}, {0x00}, {0x00}, {0x00}},
                            {"RstScaleWidthAND::RstScaleWidthAND()", "rst_create_end()"});
  check_allocation_failures(source, [](RstRead* s) { return RstScaleHeightOR::create(s, 2); }, {{0x99}, {0x42}},
                            {"RstScaleHeightOR::RstScaleHeightOR()", "rst_create_end()"});
  check_allocation_failures(source, [](RstRead* s) { return RstScaleHeightAND::create(s, 2); }, {{0x00}, {0x00}},
                            {"RstScaleHeightAND::RstScaleHeightAND()", "rst_create_end()"});
}

}  // namespace
