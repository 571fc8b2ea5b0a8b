// Lightness-keeping reduction and scaling by command: the pixel kept per
// block (darkest or lightest, whole pixel, first among equals), indexed and
// mirrored images, the bilevel hand-over to OR and AND, the sizes that need
// no reduction, refusals, and the commands with their one check of their own.
#include <functional>

#include "../color/color_test_support.h"
#include "line_source.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_scale_command.h"
#include "raster/geometry/rst_scale_lightness.h"

namespace {

class ScaleLightness : public RstStatusTest {
 protected:
  void SetUp() override { rst_register_color_creators(); }
};

LineSource* gray8(int32_t width, std::vector<Bytes> lines) {
  int32_t height = int32_t(lines.size());
  return new LineSource(image_header(width, height, 8, 1, RstColorType::s_gray()), std::move(lines));
}

LineSource* rgb8(int32_t width, std::vector<Bytes> lines) {
  int32_t height = int32_t(lines.size());
  return new LineSource(image_header(width, height, 8, 3, RstColorType::s_rgb()), std::move(lines));
}

TEST_F(ScaleLightness, KeepsTheDarkestOrLightestPixelOfEachBlock) {
  struct Case {
    const char* name;
    int32_t width, to_width, to_height;
    std::vector<Bytes> in;
    std::vector<Bytes> min, max;
  } cases[] = {
      {"4 -> 2", 4, 2, 1, {{200, 30, 90, 10}}, {{30, 10}}, {{200, 90}}},
      {"rows join", 2, 1, 1, {{50, 60}, {40, 70}}, {{40}}, {{70}}},
      {"4 x 4 -> 2 x 2",
       4,
       2,
       2,
       {{9, 9, 9, 9}, {9, 1, 9, 9}, {9, 9, 9, 9}, {9, 9, 200, 9}},
       {{1, 9}, {9, 9}},
       {{9, 9}, {9, 200}}},
      {"mirrored", 4, -2, 1, {{200, 30, 90, 10}}, {{10, 30}}, {{90, 200}}},
      // Blocks of 3 rows and 2 rows: boundaries 0, 3 (rounded), 5.
      {"5 rows -> 2", 1, 1, 2, {{7}, {8}, {3}, {9}, {4}}, {{3}, {4}}, {{8}, {9}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool minimum : {true, false}) {
      Held<> node(RstScaleLightness::create(gray8(c.width, c.in), c.to_width, c.to_height, minimum));
      ASSERT_NE(node, nullptr);
      RstHeader h(node.get());
      EXPECT_EQ(h.width, std::abs(c.to_width));
      EXPECT_EQ(h.height, c.to_height);
      EXPECT_EQ(pull(node.get()), minimum ? c.min : c.max) << (minimum ? "minimum" : "maximum");
      // Reading again after a reset gives the same lines.
      node->reset();
      EXPECT_EQ(pull(node.get()), minimum ? c.min : c.max);
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleLightness, ColourPixelsSurviveWholeAndTheFirstEqualWins) {
  // Gray of red (255, 0, 0) is about 76, of blue (0, 0, 255) about 29, of
  // green (0, 255, 0) about 150: blue is darkest, green lightest.
  Bytes line{255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255};
  Held<> dark(RstScaleLightness::create(rgb8(4, {line}), 1, 1, true));
  Held<> light(RstScaleLightness::create(rgb8(4, {line}), 1, 1, false));
  EXPECT_EQ(pull(dark.get()), (std::vector<Bytes>{{0, 0, 255}}));
  EXPECT_EQ(pull(light.get()), (std::vector<Bytes>{{255, 255, 255}}));

  // Two pixels of one gray value in a block: the top row's left one wins.
  Held<> equal(RstScaleLightness::create(gray8(4, {{50, 5, 5, 50}, {5, 50, 50, 5}}), 1, 1, true));
  EXPECT_EQ(pull(equal.get()), (std::vector<Bytes>{{5}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleLightness, IndexedImagesKeepTheIndexOfTheDarkestColour) {
  // Entry 0 white, 1 black, 2 mid gray.
  RstHeader h = indexed_header(3, 1, 8, colormap_of(8, 3, {255, 255, 255, 0, 0, 0, 128, 128, 128}));
  Held<> node(RstScaleLightness::create(new LineSource(h, {{0, 1, 2}}), 1, 1, true));
  ASSERT_NE(node, nullptr);
  RstHeader out(node.get());
  EXPECT_TRUE(bool(out.colormap));
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{1}}));
}

TEST_F(ScaleLightness, NoReductionLeavesAFanOutOverThePrescale) {
  // Same size: the reduction node is not made.
  Held<> same(RstScaleLightness::create(gray8(2, {{1, 2}}), 2, 1, true));
  ASSERT_NE(same, nullptr);
  EXPECT_NE(dynamic_cast<RstDivideReader*>(same.get()), nullptr);
  EXPECT_EQ(pull(same.get()), (std::vector<Bytes>{{1, 2}}));
  // Larger both ways: nearest neighbour.
  Held<> larger(RstScaleLightness::create(gray8(2, {{1, 2}}), 4, 2, true));
  ASSERT_NE(larger, nullptr);
  EXPECT_EQ(pull(larger.get()), (std::vector<Bytes>{{1, 1, 2, 2}, {1, 1, 2, 2}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleLightness, BilevelGoesToAndOrOrByItsBlack) {
  // Bits 1000 0000: one set pixel in the block of 8.
  auto bilevel = [](RstColorType* type) { return new LineSource(image_header(8, 1, 1, 1, type), {{0x80}}); };
  struct Case {
    RstColorType* type;
    bool minimum;
    uint8_t want;
  } cases[] = {
      {RstColorType::s_gray(), true, 0x00},           // AND: a white (0 is black) bit loses
      {RstColorType::s_gray(), false, 0x80},          // OR
      {RstColorType::s_gray_reverse(), true, 0x80},   // OR: the black bit survives
      {RstColorType::s_gray_reverse(), false, 0x00},  // AND
  };
  for (const Case& c : cases) {
    Held<> node(RstScaleLightness::create(bilevel(c.type), 1, 1, c.minimum));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{c.want}}));
  }
}

TEST_F(ScaleLightness, Refusals) {
  struct Case {
    const char* name;
    std::function<RstRead*()> source;
    int32_t width;
    RstReport want;
  } cases[] = {
      {"no source", [] { return nullptr; }, 1, {-2, "RstScaleLightness::create()"}},
      {"width 0",
       [] {
         return gray8(2, {{1, 2}});
       },
       0,
       {-2, "RstScaleLightness::create()"}},
      {"16 bits",
       [] { return new LineSource(image_header(2, 1, 16, 1, RstColorType::s_gray()), {}); },
       1,
       {-3, "RstScaleLightness::create()"}},
      {"600000 wide",
       [] { return gray8(600000, {Bytes(600000, 9)}); },
       1000,
       {-3, "RstScaleLightness8xNR<T>::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    RstRead* src = c.source();
    EXPECT_EQ(RstScaleLightness::create(src, c.width, 1, true), nullptr);
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().back(), c.want);
    if (src) src->end();  // left to the caller
  }
}

TEST_F(ScaleLightness, NodeChecksItsInputs) {
  using Node = RstScaleLightness8xNR<std::less<unsigned char>>;
  auto gray_copy = [](int32_t w) { return gray8(w, {Bytes(size_t(w), 1)}); };
  struct Case {
    const char* name;
    std::function<std::vector<RstRead*>()> inputs;
    uint32_t width;
    RstReport want;
  } cases[] = {
      {"one input", [&] { return std::vector<RstRead*>{gray_copy(4)}; }, 2, {-2, "RstScaleLightness8xNR<T>::create()"}},
      {"larger",
       [&] {
         return std::vector<RstRead*>{gray_copy(4), gray_copy(4)};
       },
       8,
       {-2, "RstScaleLightness8xNR<T>::creat()"}},
      {"rgb gray copy",
       [&] {
         return std::vector<RstRead*>{gray_copy(4), rgb8(4, {Bytes(12, 1)})};
       },
       2,
       {-3, "RstScaleLightness8xNR<T>::creat()"}},
      {"sizes differ",
       [&] {
         return std::vector<RstRead*>{gray_copy(4), gray_copy(3)};
       },
       2,
       {-3, "RstScaleLightness8xNR<T>::creat()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    std::vector<RstRead*> inputs = c.inputs();
    EXPECT_EQ(Node::create(inputs, c.width, 1), nullptr);
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().back(), c.want);
    for (RstRead* in : inputs) in->end();  // left to the caller
  }
}

TEST_F(ScaleLightness, MissingColourCreatorIsReported) {
  RstFormatCreators saved = rst_format_creators();
  rst_format_creators().transform_color_to = nullptr;
  RstRead* src = gray8(4, {{1, 2, 3, 4}});
  EXPECT_EQ(RstScaleLightness::create(src, 2, 1, true), nullptr);
  rst_format_creators() = saved;
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors().back(), (RstReport{-50, "RstScaleLightness::create()"}));
  src->end();
}

TEST_F(ScaleLightness, AllocationFailuresLeaveTheSource) {
  check_allocation_failures(
      [] {
        return gray8(4, {{200, 30, 90, 10}, {1, 2, 3, 4}});
      },
      [](RstRead* src) { return RstScaleLightness::create(src, 2, 1, true); }, {{1, 3}},
      {"RstScaleLightness8xNR<T>::RstScaleLightness8xNR()", "rst_create_end()", "RstDivideOneBuffer::initiate()",
       "BlockBuffer::BlockBuffer()", "RstRoot::add_source()"},
      400);
}

class ScaleCommand : public RstStatusTest {
 protected:
  void SetUp() override { rst_register_color_creators(); }
};

class CountingCommand : public RstScale::NearestNeighbor {
 public:
  int calls = 0;
  RstRead* scale(RstRead* source, int32_t width, int32_t height) override {
    ++calls;
    return NearestNeighbor::scale(source, width, height);
  }
};

TEST_F(ScaleCommand, EachCommandBuildsItsScaler) {
  RstScale::NearestNeighbor nn;
  RstScale::MinLightness min;
  RstScale::BinaryOr bor;
  std::vector<Bytes> in{{0x10, 0x00}};  // 16 pixels, one set (white in gray, 0 is black)
  auto bilevel = [&] { return new LineSource(image_header(16, 1, 1, 1, RstColorType::s_gray_reverse()), in); };
  struct Case {
    const char* name;
    RstScale::ScaleCommand* command;
    uint8_t want;
  } cases[] = {{"nearest", &nn, 0x00}, {"min lightness", &min, 0x80}, {"or", &bor, 0x80}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstScale::create(bilevel(), 1, 1, *c.command));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{c.want}}));
    // A clone is another object of the same class and scales the same way.
    std::unique_ptr<RstScale::ScaleCommand> copy(c.command->clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(typeid(*copy), typeid(*c.command));
    Held<> again(RstScale::create(bilevel(), 1, 1, *copy));
    EXPECT_EQ(pull(again.get()), (std::vector<Bytes>{{c.want}}));
  }
  // Or refuses 8-bit pages; min lightness takes them.
  status.clear();
  RstRead* src = gray8(2, {{1, 2}});
  EXPECT_EQ(RstScale::create(src, 1, 1, bor), nullptr);
  EXPECT_EQ(status.errors().back().code, -3);
  Held<> gray(RstScale::create(src, 1, 1, min));
  ASSERT_NE(gray, nullptr);
  EXPECT_EQ(pull(gray.get()), (std::vector<Bytes>{{1}}));
}

TEST_F(ScaleCommand, ZeroSizeCallsNoCommandAndTheOwnSizeIsTheSource) {
  CountingCommand command;
  RstRead* src = gray8(2, {{1, 2}});
  for (auto [w, h] : {std::pair{0, 1}, std::pair{1, 0}}) {
    status.clear();
    EXPECT_EQ(RstScale::create(src, w, h, command), nullptr);
    EXPECT_EQ(status.errors().back(), (RstReport{-2, "RstScale::create()"}));
  }
  EXPECT_EQ(RstScale::create(nullptr, 1, 1, command), nullptr);
  EXPECT_EQ(command.calls, 0);
  EXPECT_EQ(RstScale::create(src, 2, 1, command), src);
  EXPECT_EQ(command.calls, 1);
  src->end();
}

}  // namespace
