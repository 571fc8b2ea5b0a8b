// The averaging fronts (RstScaleLI, RstScalePP, RstScaleIAR) and the linear
// scale command: refusals, the source itself at its own size, the order of
// the scalers, run lines refused by the first scaler, and the command's
// expansion of 1-bit and indexed pages.
#include "average_support.h"
#include "line_source.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/rst_process.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale.h"
#include "raster/geometry/rst_scale_command.h"
#include "raster/geometry/rst_scale_iar.h"
#include "raster/geometry/rst_scale_li.h"
#include "raster/geometry/rst_scale_pp.h"

namespace {

class ScaleAverageFronts : public RstStatusTest {};

using Front = RstRead* (*)(RstRead*, int32_t, int32_t);
RstRead* iar_front(RstRead* source, int32_t x, int32_t y) {
  return RstScaleIAR::create(source, uint32_t(x), uint32_t(y));
}

LineSource* page(int32_t width, int32_t height, int32_t bits = 8, int32_t samples = 1) {
  Image im = random_image(width, height, bits, samples, uint32_t(width * height));
  return new LineSource(image_header(width, height, bits, samples, RstColorType::s_gray()), im.lines);
}

TEST_F(ScaleAverageFronts, Refusals) {
  struct Case {
    const char* where;
    Front front;
  } fronts[] = {{"RstScaleLI::create()", RstScaleLI::create},
                {"RstScalePP::create()", RstScalePP::create},
                {"RstScaleIAR::create()", iar_front}};
  for (const Case& f : fronts) {
    for (auto [w, h] : {std::pair{0, 4}, {4, 0}}) {
      SCOPED_TRACE(std::string(f.where) + " " + std::to_string(w) + " x " + std::to_string(h));
      RstStatusRecorder local;
      LineSource* src = page(8, 4);
      EXPECT_EQ(f.front(src, w, h), nullptr);
      EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, f.where}}));
      EXPECT_EQ(src->reads, 0);
      src->end();
    }
    RstStatusRecorder local;
    EXPECT_EQ(f.front(nullptr, 2, 2), nullptr);
    EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, f.where}}));
  }
  for (Front f : {RstScaleLI::create, RstScalePP::create}) {
    RstStatusRecorder local;
    LineSource* src = page(8, 4);
    EXPECT_EQ(f(src, 4, -5), nullptr) << "a negative height";
    ASSERT_EQ(local.errors().size(), 1u);
    EXPECT_EQ(local.errors().front().code, -2);
    src->end();
  }
  // A factor above the size, from the per-axis scaler.
  RstStatusRecorder local;
  LineSource* src = page(8, 4);
  EXPECT_EQ(RstScaleIAR::create(src, 2, 5), nullptr);
  EXPECT_EQ(local.errors().front(), (RstReport{-2, "RstScaleHeightIAR::create()"}));
  src->end();
}

TEST_F(ScaleAverageFronts, OwnSizeReturnsTheSource) {
  // Also for layouts the scalers would refuse: nothing is to be done.
  for (auto [bits, samples] : {std::pair{8, 1}, {16, 1}, {8, 2}}) {
    SCOPED_TRACE(std::to_string(bits) + " bits x " + std::to_string(samples));
    LineSource* src = page(6, 5, bits, samples);
    EXPECT_EQ(RstScaleLI::create(src, 6, 5), src);
    EXPECT_EQ(RstScalePP::create(src, 6, 5), src);
    EXPECT_EQ(RstScaleIAR::create(src, 1, 1), src);
    src->end();
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleAverageFronts, OrderRule) {
  struct Case {
    const char* name;
    Front front;
    int32_t width, height;
    bool height_first;
  } cases[] = {
      {"LI shrinking height", RstScaleLI::create, 20, 5, true},
      {"LI equal height", RstScaleLI::create, 20, 10, false},
      {"LI taller", RstScaleLI::create, 7, 30, false},
      {"PP shrinking height", RstScalePP::create, 9, 7, true},
      {"PP taller", RstScalePP::create, 9, 13, false},
      {"IAR", iar_front, 2, 5, true},
      {"IAR width only", iar_front, 4, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(c.front(page(16, 10), c.width, c.height));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    bool iar = c.front == iar_front;
    EXPECT_EQ(h.width, iar ? 16 / c.width : c.width);
    EXPECT_EQ(h.height, iar ? 10 / c.height : c.height);
    auto* outer = dynamic_cast<RstProcess*>(node.get());
    ASSERT_NE(outer, nullptr);
    bool outer_is_width = dynamic_cast<RstScaleWidth*>(node.get()) != nullptr;
    bool inner_is_height = dynamic_cast<RstScaleHeight*>(outer->source()) != nullptr;
    if (c.width != 1 && c.height != 1) {
      EXPECT_EQ(outer_is_width && inner_is_height, c.height_first);
    }
    EXPECT_EQ(pull(node.get()).size(), size_t(h.height));
  }
  // A colormapped page: the first scaler the order rule builds refuses.
  for (auto [h, where] : {std::pair{2, "RstScaleHeightLI::create()"}, {6, "RstScaleWidthLI::create()"}}) {
    RstStatusRecorder local;
    RstHeader mapped = image_header(8, 4, 8, 1, RstColorType::s_gray());
    mapped.colormap.reset(new RstColormap(8, 3, 2));
    auto* src = new LineSource(mapped, {});
    EXPECT_EQ(RstScaleLI::create(src, 5, h), nullptr);
    ASSERT_FALSE(local.errors().empty());
    EXPECT_EQ(local.errors().front(), (RstReport{-3, where}));
    src->end();
  }
}

TEST_F(ScaleAverageFronts, RunLinesRefusedByTheFirstScaler) {
  struct Case {
    Front front;
    int32_t width, height;
    const char* where;
  } cases[] = {
      {RstScaleLI::create, 4, 2, "RstScaleHeightLI::create()"},
      {RstScaleLI::create, 4, 8, "RstScaleWidthLI::create()"},
      {RstScalePP::create, 3, 3, "RstScaleHeightPPR::create()"},
      {RstScalePP::create, 3, 2, "RstScaleHeightIAR::create()"},
      {RstScalePP::create, 12, 4, "RstScaleWidthPPE::create()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    RstStatusRecorder local;
    auto* src = new LineSource(image_header(8, 4, 1, 1, nullptr, RstDataForm::rle), {});
    EXPECT_EQ(c.front(src, c.width, c.height), nullptr);
    ASSERT_FALSE(local.errors().empty());
    EXPECT_EQ(local.errors().front(), (RstReport{-3, c.where}));
    src->end();
  }
}

TEST_F(ScaleAverageFronts, FailingSecondScalerLeavesTheSource) {
  // 2 channels: the height scalers take them, the width scalers do not.
  struct Case {
    Front front;
    int32_t width, height;
    const char* where;
  } cases[] = {
      {RstScaleLI::create, 3, 4, "RstScaleWidthLI::create()"},
      {RstScalePP::create, 4, 4, "RstScaleWidthPPR::create()"},
      {RstScalePP::create, 4, 5, "RstScaleWidthPPR::create()"},
      {iar_front, 2, 2, "RstScaleWidthIAR::create()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    RstStatusRecorder local;
    LineSource* src = page(6, 8, 8, 2);
    Bytes first = first_line(src);
    src->reset();
    src->reads = 0;
    EXPECT_EQ(c.front(src, c.width, c.height), nullptr);
    ASSERT_FALSE(local.errors().empty());
    EXPECT_EQ(local.errors().front(), (RstReport{-3, c.where}));
    EXPECT_EQ(src->reads + src->skips, 0) << "nothing read";
    EXPECT_EQ(first_line(src), first) << "the caller's page reads from line 0";
    src->end();
  }
}

TEST_F(ScaleAverageFronts, AllocationFailures) {
  Image in = random_image(12, 10, 8, 3, 11);
  struct Case {
    const char* name;
    std::function<RstRead*(RstRead*)> make;
  } cases[] = {
      {"LI", [](RstRead* s) { return RstScaleLI::create(s, 17, 7); }},
      {"PP", [](RstRead* s) { return RstScalePP::create(s, 7, 13); }},
      {"IAR", [](RstRead* s) { return RstScaleIAR::create(s, 3, 2); }},
  };
  const std::vector<std::string> wheres = {"RstScaleWidthLI::RstScaleWidthLI()",
                                           "RstScaleHeightLI::RstScaleHeightLI()",
                                           "RstScaleWidthLI::make_table()",
                                           "RstScaleWidthPP::RstScaleWidthPP()",
                                           "RstScaleWidthPPE::RstScaleWidthPPE()",
                                           "RstScaleWidthPPR::make_table()",
                                           "RstScaleHeightPP::RstScaleHeightPP()",
                                           "RstScaleWidthIAR::RstScaleWidthIAR()",
                                           "RstScaleHeightIAR::RstScaleHeightIAR()",
                                           "rst_create_end()",
                                           "RstRoot::add_source()"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> expected;
    {
      Held<> node(c.make(source_of(in)));
      expected = pull(node.get());
    }
    auto make = [&](RstRead* s) {
      RstRead* node = c.make(s);
      if (!node) {
        EXPECT_EQ(first_line(s), in.lines[0]) << "the source still reads from line 0";
      }
      return node;
    };
    check_allocation_failures([&] { return source_of(in); }, make, expected, wheres);
  }
}

class LinearCommand : public RstStatusTest {
 protected:
  void SetUp() override { rst_register_color_creators(); }
};

TEST_F(LinearCommand, BilevelPageIsInterpolatedBetween0And255) {
  // 1 bit, 0 and 1: widened to 0 and 255, then 2 -> 4 linear.
  auto* src = new LineSource(image_header(2, 1, 1, 1, RstColorType::s_gray()), {{0x40}});
  RstScale::Linear linear;
  Held<> node(RstScale::create(src, 4, 1, linear));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.bits_per_sample, 8);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0, 64, 191, 255}}));
  // A clone scales alike.
  std::unique_ptr<RstScale::ScaleCommand> copy(linear.clone());
  ASSERT_NE(dynamic_cast<RstScale::Linear*>(copy.get()), nullptr);
  Held<> again(
      RstScale::create(new LineSource(image_header(2, 1, 1, 1, RstColorType::s_gray()), {{0x40}}), 4, 1, *copy));
  EXPECT_EQ(pull(again.get()), (std::vector<Bytes>{{0, 64, 191, 255}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LinearCommand, IndexedPages) {
  // A 1-bit page with a colormap is refused by the widening.
  RstHeader bilevel = image_header(2, 1, 1, 1, RstColorType::s_gray());
  bilevel.colormap.reset(new RstColormap(8, 1, 2));
  auto* src = new LineSource(bilevel, {{0x40}});
  RstScale::Linear linear;
  EXPECT_EQ(RstScale::create(src, 4, 1, linear), nullptr);
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors().front(), (RstReport{-2, "RstConvertBits1To8::create()"}));
  EXPECT_EQ(src->reads, 0);
  src->end();
  status.clear();
  // An 8-bit palette page: expanded to its colours, then scaled.
  const uint8_t entries[] = {0, 0, 0, 255, 100, 0};
  RstHeader indexed = image_header(2, 2, 8, 1, RstColorType::s_rgb());
  indexed.colormap.reset(new RstColormap(8, 3, 2, entries));
  Held<> node(RstScale::create(new LineSource(indexed, {{0, 1}, {1, 0}}), 4, 2, linear));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.samples_per_pixel, 3);
  EXPECT_FALSE(h.colormap);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0, 0, 0, 64, 25, 0, 191, 75, 0, 255, 100, 0},
                                                  {255, 100, 0, 191, 75, 0, 64, 25, 0, 0, 0, 0}}));
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
