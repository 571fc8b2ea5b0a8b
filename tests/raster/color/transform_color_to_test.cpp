// The colour type dispatcher: the node sequences of composed routes, every
// source and target pair, the direct conversions' values, indexed images
// through their colormap, and the colormap writer.
#include "raster/color/rst_transform_color_to.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "color_test_support.h"
#include "raster/color/rst_append_channel_max_value.h"
#include "raster/color/rst_extend_channel.h"
#include "raster/color/rst_reverse_color.h"
#include "raster/color/rst_select_channel.h"
#include "raster/color/rst_transform_color_hsl.h"
#include "raster/color/rst_transform_color_lab.h"
#include "raster/color/rst_transform_color_matrix.h"
#include "raster/color/rst_transform_colormap_to.h"
#include "raster/color/rst_write_colormap.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class TransformColorTo : public RstStatusTest {};

RstRead* source_of(RstColorType* type, const Bytes& line, int32_t bits = 8) {
  int32_t spp = type && type->channels() ? type->channels() : 3;
  int32_t width = int32_t(line.size() * 8 / size_t(spp * bits));
  return new LineSource(image_header(width, 1, bits, spp, type), {line});
}

// The classes from the result down to (not including) the source.
std::vector<std::string> sequence(RstRoot* node, RstRoot* source) {
  std::vector<std::string> names;
  for (RstRoot* n = node; n && n != source; n = n->source()) names.push_back(typeid(*n).name());
  return names;
}

template <class... T>
std::vector<std::string> names() {
  return {typeid(T).name()...};
}

TEST_F(TransformColorTo, ComposedRoutesGiveTheirNodes) {
  using Matrix = RstTransformColorMatrix;
  using Hidden = RstTransformColor;
  struct Case {
    const char* name;
    RstColorType *from, *to;
    std::vector<std::string> nodes;
  } cases[] = {
      {"reversed gray to hsl (D8, D6, D3)", RstColorType::s_gray_reverse(), RstColorType::hsl(),
       names<RstTransformColorRGBToHSL, Matrix, RstReverseGray>()},
      {"L* to s_rgb (D20, D6)", RstColorType::icc_lstar(), RstColorType::s_rgb(), names<Matrix, Hidden>()},
      {"hsl to L* (D4, D14, D18)", RstColorType::hsl(), RstColorType::icc_lstar(),
       names<RstSelectChannel, RstTransformColorSRGBToITULAB, Hidden, Hidden, Hidden, RstTransformColorHSLToRGB>()},
      {"YCbCr to CMYK (D2, D9)", RstColorType::s_ycbcr(), RstColorType::s_cmyk(),
       names<Matrix, RstAppendChannelMaxValue, Matrix>()},
      {"s_rgb to reversed gray (D5, D8)", RstColorType::s_rgb(), RstColorType::s_gray_reverse(),
       names<RstReverseGray, Matrix>()},
      {"gray to CMYK (D8, D12)", RstColorType::s_gray(), RstColorType::s_cmyk(),
       names<RstExtendChannel, RstReverseGray>()},
      {"cmy to s_gray (D7, D5)", RstColorType::cmy(), RstColorType::s_gray(), names<Matrix, RstReverseRGB>()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstRead* src = source_of(c.from, Bytes(6, 100));
    Held<> node(RstTransformColorTo::create(src, c.to));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).color_type, c.to);
    EXPECT_EQ(sequence(node.get(), src), c.nodes);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TransformColorTo, EverySourceAndTarget) {
  RstColorType* types[] = {
      RstColorType::none(),           RstColorType::s_rgb(),   RstColorType::ntsc_rgb(), RstColorType::s_gray(),
      RstColorType::s_gray_reverse(), RstColorType::s_ycbcr(), RstColorType::hsl(),      RstColorType::cmy(),
      RstColorType::s_cmyk(),         RstColorType::icc_lab(), RstColorType::itu_lab(),  RstColorType::icc_lstar()};
  for (RstColorType* from : types) {
    for (RstColorType* to : types) {
      SCOPED_TRACE(std::string(typeid(*from).name()) + " to " + typeid(*to).name());
      status.clear();
      RstRead* src = source_of(from, Bytes(24, 77));
      RstRead* node = RstTransformColorTo::create(src, to);
      if (to == RstColorType::none()) {
        EXPECT_EQ(node, nullptr);
        EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstTransformColorTo::create()"}}));
      } else if (from == to) {
        EXPECT_EQ(node, src);
      } else if (from == RstColorType::none() || from == RstColorType::ntsc_rgb() || to == RstColorType::ntsc_rgb()) {
        EXPECT_EQ(node, nullptr);
        ASSERT_FALSE(status.errors().empty());
        EXPECT_EQ(status.errors().front(), (RstReport{-304, "RstTransformColorTo::create()"}));
      } else {
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(RstHeader(node).color_type, to);
        EXPECT_EQ(RstHeader(node).samples_per_pixel, to->channels());
        EXPECT_EQ(pull(node).size(), 1u);
        EXPECT_TRUE(status.errors().empty());
      }
      if (node) node->end();
      else src->end();
    }
  }
  status.clear();
  EXPECT_EQ(RstTransformColorTo::create(nullptr, RstColorType::s_rgb()), nullptr);
  RstRead* src = source_of(RstColorType::s_rgb(), {1, 2, 3});
  EXPECT_EQ(RstTransformColorTo::create(src, nullptr), nullptr);
  src->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>(2, {-2, "RstTransformColorTo::create()"})));
}

TEST_F(TransformColorTo, DirectConversionValues) {
  struct Case {
    const char* name;
    RstColorType *from, *to;
    int32_t bits;
    std::vector<uint32_t> in, out;
  } cases[] = {
      {"cmy to s_rgb", RstColorType::cmy(), RstColorType::s_rgb(), 8, {0, 100, 255}, {255, 155, 0}},
      {"CMYK to s_rgb", RstColorType::s_cmyk(), RstColorType::s_rgb(), 8, {10, 20, 30, 40}, {205, 195, 185}},
      {"CMYK clipped at 0", RstColorType::s_cmyk(), RstColorType::s_rgb(), 8, {200, 0, 100, 100}, {0, 155, 55}},
      {"reversed gray to CMYK", RstColorType::s_gray_reverse(), RstColorType::s_cmyk(), 8, {200}, {0, 0, 0, 200}},
      {"gray to CMYK", RstColorType::s_gray(), RstColorType::s_cmyk(), 8, {55}, {0, 0, 0, 200}},
      {"16-bit gray to s_rgb", RstColorType::s_gray(), RstColorType::s_rgb(), 16, {1234}, {1234, 1234, 1234}},
      {"YCbCr to gray", RstColorType::s_ycbcr(), RstColorType::s_gray(), 8, {90, 10, 250}, {90}},
      {"Lab to L*", RstColorType::icc_lab(), RstColorType::icc_lstar(), 8, {90, 10, 250}, {90}},
      {"CMYK white to gray", RstColorType::s_cmyk(), RstColorType::s_gray(), 8, {0, 0, 0, 0}, {255}},
      {"CMYK black to reversed gray", RstColorType::s_cmyk(), RstColorType::s_gray_reverse(), 8, {0, 0, 0, 255}, {255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstTransformColorTo::create(source_of(c.from, pack(c.bits, c.in), c.bits), c.to));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(first_line(node.get()), pack(c.bits, c.out));
  }
  // L* tables take 8-bit samples only; gray and L* are inverse curves.
  RstRead* wide = source_of(RstColorType::s_gray(), Bytes(4, 0), 16);
  EXPECT_EQ(RstTransformColorTo::create(wide, RstColorType::icc_lstar()), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstTransformColorTo::create()"}}));
  wide->end();
  status.clear();
  Bytes grays;
  for (int v = 0; v < 256; ++v) grays.push_back(uint8_t(v));
  Held<> round(RstTransformColorTo::create(
      RstTransformColorTo::create(source_of(RstColorType::s_gray(), grays), RstColorType::icc_lstar()),
      RstColorType::s_gray()));
  ASSERT_NE(round, nullptr);
  Bytes back = first_line(round.get());
  for (int v = 0; v < 256; ++v) EXPECT_LE(std::abs(int(back[size_t(v)]) - v), 12) << v;
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TransformColorTo, IndexedImagesConvertTheirColormap) {
  RstHeader h = indexed_header(4, 1, 8, colormap_of(8, 3, {255, 255, 255, 0, 0, 0, 255, 0, 0}));
  Bytes indices{2, 0, 1, 2};
  RstRead* src = new LineSource(h, {indices});
  Held<> node(RstTransformColorTo::create(src, RstColorType::s_gray()));
  ASSERT_NE(node, nullptr);
  RstHeader out(node.get());
  EXPECT_EQ(out.color_type, RstColorType::s_gray());
  EXPECT_EQ(out.samples_per_pixel, 1);
  ASSERT_TRUE(out.colormap);
  EXPECT_EQ(out.colormap->channels(), 1);
  EXPECT_EQ(out.colormap->entries(), 3);
  EXPECT_EQ(Bytes(out.colormap->data(), out.colormap->data() + 3), (Bytes{255, 0, 54}));
  EXPECT_EQ(first_line(node.get()), indices);
  // The source's colormap keeps its entries.
  EXPECT_EQ(RstHeader(src).colormap->data()[6], 255);
  Held<> plain(source_of(RstColorType::s_rgb(), {1, 2, 3}));
  EXPECT_EQ(RstTransformColormapTo::create(plain.get(), RstColorType::s_gray(), &RstLabRange::default_range()),
            nullptr);
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors().front(), (RstReport{-2, "RstTransformColormapTo::create()"}));
}

TEST_F(TransformColorTo, ColormapWriter) {
  Bytes line;
  for (int i = 0; i < 768; ++i) line.push_back(uint8_t(i * 7));
  auto drive = [](RstWriteMemory* w) {
    while (w->write() > 0) {
    }
    w->end();
  };
  RstCountedPtr<RstColormap> target;
  RstWriteMemory* w = RstWriteColormap::create(source_of(RstColorType::s_rgb(), line), target);
  ASSERT_NE(w, nullptr);
  drive(w);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->entries(), 256);
  EXPECT_EQ(target->size(), 768);
  EXPECT_EQ(Bytes(target->data(), target->data() + 768), line);
  // The same shape held by this target alone is overwritten in place.
  RstColormap* before = target.get();
  Bytes other(768, 9);
  drive(RstWriteColormap::create(source_of(RstColorType::s_rgb(), other), target));
  EXPECT_EQ(target.get(), before);
  EXPECT_EQ(target->data()[0], 9);
  // Shared: a new colormap, and the other holder keeps its entries.
  RstCountedPtr<RstColormap> shared = target;
  drive(RstWriteColormap::create(source_of(RstColorType::s_rgb(), line), target));
  EXPECT_NE(target.get(), shared.get());
  EXPECT_EQ(shared->data()[0], 9);
  EXPECT_EQ(target->data()[7], line[7]);
  // Another shape: replaced.
  drive(RstWriteColormap::create(source_of(RstColorType::s_cmyk(), Bytes(8, 1)), target));
  EXPECT_EQ(target->channels(), 4);
  EXPECT_EQ(target->entries(), 2);
  // Refusals.
  RstRead* two_lines = new LineSource(image_header(1, 2, 8, 3, RstColorType::s_rgb()), {Bytes(3), Bytes(3)});
  RstRead* indexed = new LineSource(indexed_header(1, 1, 8, colormap_of(8, 3, {1, 2, 3})), {Bytes(1)});
  EXPECT_EQ(RstWriteColormap::create(nullptr, target), nullptr);
  EXPECT_EQ(RstWriteColormap::create(two_lines, target), nullptr);
  EXPECT_EQ(RstWriteColormap::create(indexed, target), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstWriteColormap::create()"},
                                                     {-3, "RstWriteColormap::create()"},
                                                     {-3, "RstWriteColormap::create()"}}));
  two_lines->end();
  indexed->end();
}

TEST_F(TransformColorTo, AllocationFailures) {
  // The colormap conversion, and a Lab chain route.
  auto indexed = [] {
    return new LineSource(indexed_header(2, 1, 8, colormap_of(8, 3, {255, 255, 255, 0, 0, 0})), {Bytes{1, 0}});
  };
  check_allocation_failures(
      indexed, [](RstRead* s) { return RstTransformColorTo::create(s, RstColorType::s_gray()); }, {Bytes{1, 0}},
      {"RstTransformColormapTo::initiate()", "rst_create_end()", "RstReadColormap::create()", "RstColormap::init()",
       "RstWriteColormap::create()", "RstTransformColor::initiate()", "RstTransformColor::create()",
       "RstTransformColorMatrix::create()", "RstWriteMemory::RstWriteMemory()", "RstCreateGuard::RstCreateGuard()",
       "RstInputCreatingRead<Input,Reader>::create()", "RstTransformColor::create_previous()",
       "RstWriteRaw::initiate()", "RstReadData::initiate()"},
      200);
  Bytes rgb{255, 255, 255, 0, 0, 0};
  Held<> reference(RstTransformColorTo::create(source_of(RstColorType::s_rgb(), rgb), RstColorType::icc_lstar()));
  Bytes want = first_line(reference.get());
  check_allocation_failures(
      [&] { return source_of(RstColorType::s_rgb(), rgb); },
      [](RstRead* s) { return RstTransformColorTo::create(s, RstColorType::icc_lstar()); }, {want},
      {"RstTransformColorTo::create()", "rst_create_end()", "RstTransformColor::initiate()",
       "RstTransformColor::create()", "RstTransformColorMatrix::create()", "RstTransformColorGamma::create()",
       "RstTransformColorLightness::create()", "RstCreateGuard::RstCreateGuard()",
       "RstInputCreatingRead<Input,Reader>::create()", "RstTransformColor::create_previous()",
       "RstWriteRaw::initiate()", "RstReadData::initiate()", "RstSelectChannel::create()",
       "RstTransformColorSRGBToITULAB::create()", "RstTransformColor::create_previous()"},
      400);
}

}  // namespace
