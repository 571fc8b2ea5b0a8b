// Attribute conforming: the target worked out from a set of images and each
// image wrapped in the conversions to it.
#include <gtest/gtest.h>

#include "line_source.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_conform_attribute.h"
#include "turn_support.h"

namespace {

class ConformAttribute : public RstStatusTest {
 protected:
  void SetUp() override { rst_register_color_creators(); }
};

struct Form {
  int32_t bits, samples;
  RstColorType* type;
  int32_t data_form = RstDataForm::raw;
};

// A 4 x 2 image of the form with distinct samples.
LineSource* image_of_form(const Form& f) {
  RstHeader h = image_header(4, 2, f.bits, f.samples, f.type, f.data_form);
  std::vector<Bytes> lines;
  if (f.data_form == RstDataForm::rle) {
    lines = {run_line({{1, 2}}), run_line({})};
    return new LineSource(h, lines, rst_rle_line_bound(4));
  }
  size_t bytes = (size_t(4) * size_t(f.bits) * size_t(f.samples) + 7) / 8;
  for (int y = 0; y < 2; ++y) {
    Bytes l(bytes);
    for (size_t i = 0; i < bytes; ++i) l[i] = uint8_t(f.bits == 1 ? 0xA0 >> y : 40 * i + 7 * y + 3);
    lines.push_back(l);
  }
  return new LineSource(h, lines);
}

TEST_F(ConformAttribute, TargetAndConversionsByCase) {
  struct Case {
    const char* name;
    Form d, s;
    int32_t bits, samples;
    RstColorType* type;
    bool d_kept, s_kept;
    int32_t s_form;
  };
  const Case cases[] = {
      {"bilevel gray and RGB",
       {1, 1, RstColorType::s_gray()},
       {8, 3, RstColorType::s_rgb()},
       8,
       3,
       RstColorType::s_rgb(),
       false,
       true,
       RstDataForm::raw},
      {"RGB and gray",
       {8, 3, RstColorType::s_rgb()},
       {8, 1, RstColorType::s_gray()},
       8,
       3,
       RstColorType::s_rgb(),
       true,
       false,
       RstDataForm::raw},
      {"CMYK beats RGB",
       {8, 4, RstColorType::s_cmyk()},
       {8, 3, RstColorType::s_rgb()},
       8,
       4,
       RstColorType::s_cmyk(),
       true,
       false,
       RstDataForm::raw},
      {"gray and reversed gray",
       {8, 1, RstColorType::s_gray()},
       {8, 1, RstColorType::s_gray_reverse()},
       8,
       1,
       RstColorType::s_gray(),
       true,
       false,
       RstDataForm::raw},
      {"run lines of the same type stay",
       {1, 1, RstColorType::s_gray_reverse()},
       {1, 1, RstColorType::s_gray_reverse(), RstDataForm::rle},
       1,
       1,
       RstColorType::s_gray_reverse(),
       true,
       true,
       RstDataForm::rle},
      {"run lines of another type decoded",
       {1, 1, RstColorType::s_gray_reverse()},
       {1, 1, RstColorType::s_gray(), RstDataForm::rle},
       1,
       1,
       RstColorType::s_gray_reverse(),
       true,
       false,
       RstDataForm::raw},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstRead* d = image_of_form(c.d);
    RstRead* s = image_of_form(c.s);
    std::vector<RstRead*> nodes{d, s};
    RstBinarize::EDFloyd binarize;
    RstConformAttribute(&binarize).conform_all(nodes);
    Held<> hd(nodes[0]), hs(nodes[1]);
    EXPECT_EQ(nodes[0] == d, c.d_kept);
    EXPECT_EQ(nodes[1] == s, c.s_kept);
    for (RstRead* n : nodes) {
      RstHeader h(n);
      if (n == s && c.s_form == RstDataForm::rle) {
        EXPECT_EQ(h.data_form, RstDataForm::rle);
        continue;
      }
      EXPECT_EQ(h.bits_per_sample, c.bits);
      EXPECT_EQ(h.samples_per_pixel, c.samples);
      EXPECT_EQ(h.color_type, c.type);
      EXPECT_EQ(h.data_form, RstDataForm::raw);
      EXPECT_EQ(pull(n).size(), 2u);
    }
    EXPECT_TRUE(status.errors().empty());
  }
}

TEST_F(ConformAttribute, BilevelDestinationIsWidenedToBlackAndWhite) {
  RstRead* d = image_of_form({1, 1, RstColorType::s_gray()});
  std::vector<RstRead*> nodes{d, image_of_form({8, 3, RstColorType::s_rgb()})};
  RstBinarize::EDFloyd binarize;
  RstConformAttribute(&binarize).conform_all(nodes);
  Held<> hd(nodes[0]), hs(nodes[1]);
  // 0xA0: pixels 1 0 1 0 on the first line, 0 1 0 1 on the second.
  EXPECT_EQ(pull(nodes[0]), (std::vector<Bytes>{{255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0},
                                                {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255}}));
}

TEST_F(ConformAttribute, Colormaps) {
  uint8_t entries[] = {0, 0, 0, 10, 20, 30, 200, 100, 50, 255, 255, 255};
  RstCountedPtr<RstColormap> shared(new RstColormap(8, 3, 4, entries));
  RstCountedPtr<RstColormap> equal(new RstColormap(8, 3, 4, entries));
  entries[3] = 11;
  RstCountedPtr<RstColormap> other(new RstColormap(8, 3, 4, entries));
  auto indexed = [](RstCountedPtr<RstColormap> map) {
    RstHeader h = image_header(2, 1, 8, 1, RstColorType::s_rgb());
    h.colormap = map;
    return new LineSource(h, {{1, 2}});
  };
  RstBinarize::EDFloyd binarize;
  RstConformAttribute conformer(&binarize);
  for (auto second : {shared, equal}) {
    RstRead* d = indexed(shared);
    RstRead* s = indexed(second);
    std::vector<RstRead*> nodes{d, s};
    conformer.conform_all(nodes);
    EXPECT_EQ(nodes[0], d);
    EXPECT_EQ(nodes[1], s);
    d->end();
    s->end();
  }
  std::vector<RstRead*> nodes{indexed(shared), indexed(other)};
  conformer.conform_all(nodes);
  Held<> hd(nodes[0]), hs(nodes[1]);
  EXPECT_FALSE(RstHeader(nodes[0]).colormap);
  EXPECT_FALSE(RstHeader(nodes[1]).colormap);
  EXPECT_EQ(pull(nodes[0]), (std::vector<Bytes>{{10, 20, 30, 200, 100, 50}}));
  EXPECT_EQ(pull(nodes[1]), (std::vector<Bytes>{{11, 20, 30, 200, 100, 50}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ConformAttribute, NothingToDoAndRefusals) {
  RstBinarize::EDFloyd binarize;
  RstConformAttribute conformer(&binarize);
  RstRead* only = image_of_form({8, 3, RstColorType::s_rgb()});
  std::vector<RstRead*> one{only};
  conformer.conform_all(one);
  std::vector<RstRead*> with_gaps{nullptr, only, nullptr};
  conformer.conform_all(with_gaps);
  EXPECT_EQ(one[0], only);
  EXPECT_EQ(with_gaps[1], only);
  EXPECT_TRUE(status.errors().empty());

  // A 16-bit target: reported, the node unchanged and still readable.
  RstHeader target = image_header(4, 2, 16, 3, RstColorType::s_rgb());
  RstRead* node = only;
  conformer.conform(node, target);
  EXPECT_EQ(node, only);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstConformAttribute::conform()"}}));
  EXPECT_EQ(pull(only).size(), 2u);
  only->end();

  status.clear();
  RstConformAttribute without(nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstConformAttribute::RstConformAttribute()"}}));
}

TEST_F(ConformAttribute, MergeAndBinarizeCommand) {
  RstHeader target = image_header(4, 2, 1, 1, RstColorType::s_gray(), RstDataForm::rle);
  // Deeper with as many channels: depth and colour type.
  RstConformAttribute::merge_attribute(target, image_header(4, 2, 8, 1, RstColorType::s_gray_reverse()));
  EXPECT_EQ(target.bits_per_sample, 8);
  EXPECT_EQ(target.color_type, RstColorType::s_gray_reverse());
  EXPECT_EQ(target.data_form, RstDataForm::raw);
  RstConformAttribute::merge_attribute(target, image_header(4, 2, 1, 3, RstColorType::s_rgb()));
  EXPECT_EQ(target.bits_per_sample, 8);
  EXPECT_EQ(target.color_type, RstColorType::s_rgb());
  EXPECT_EQ(target.samples_per_pixel, 3);
  // Deeper with fewer channels: the depth only.
  target = image_header(4, 2, 8, 3, RstColorType::s_rgb());
  RstConformAttribute::merge_attribute(target, image_header(4, 2, 16, 1, RstColorType::s_gray()));
  EXPECT_EQ(target.bits_per_sample, 16);
  EXPECT_EQ(target.color_type, RstColorType::s_rgb());

  RstBinarize::EDFloyd ed;
  std::unique_ptr<RstBinarize::BinarizeCommand> copy(ed.clone());
  ASSERT_NE(copy, nullptr);
  Held<> bilevel(copy->binarize(new LineSource(image_header(3, 1, 8, 1, RstColorType::s_gray()), {{0, 255, 0}})));
  ASSERT_NE(bilevel, nullptr);
  EXPECT_EQ(pull(bilevel.get()), (std::vector<Bytes>{{0x40}}));
}

}  // namespace
