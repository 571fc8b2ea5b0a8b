// RGB and HSL: the listed cases at 8 and 16 bits, every 8-bit colour
// against real-valued HSL and back, the nodes, and the refused layouts.
#include "raster/color/rst_transform_color_hsl.h"

#include <array>
#include <cmath>
#include <memory>

#include "color_attributes_stub.h"
#include "color_test_support.h"
#include "raster/core/rst_status_recorder.h"

namespace {

using U8 = UIntNBit<8>;
using U16 = UIntNBit<16>;
using Px = std::array<uint32_t, 3>;

template <class C, class V>
Px apply(Px in) {
  C t;
  V raw[3] = {V(in[0]), V(in[1]), V(in[2])}, out[3];
  t.transform(raw, out, 1);
  return {out[0], out[1], out[2]};
}

class HSL : public RstStatusTest {};

TEST_F(HSL, ListedCases) {
  struct Case {
    Px in, out;
  };
  Case to_hsl[] = {
      {{0, 0, 0}, {0, 0, 0}},        {{255, 255, 255}, {0, 0, 255}},
      {{10, 10, 10}, {0, 0, 10}},    {{255, 0, 0}, {0, 255, 128}},
      {{0, 255, 0}, {85, 255, 128}}, {{0, 0, 255}, {171, 255, 128}},
      {{255, 0, 1}, {0, 255, 128}},  {{1, 0, 0}, {0, 255, 1}},
      {{0, 1, 1}, {128, 255, 1}},    {{200, 100, 200}, {213, 121, 150}},
  };
  for (const Case& c : to_hsl)
    EXPECT_EQ((apply<CtRGBToHSL<U8, U8>, uint8_t>(c.in)), c.out) << c.in[0] << "," << c.in[1] << "," << c.in[2];
  Case to_rgb[] = {
      {{0, 0, 77}, {77, 77, 77}},      {{200, 0, 3}, {3, 3, 3}},           {{0, 255, 128}, {255, 1, 1}},
      {{85, 255, 128}, {3, 255, 1}},   {{171, 255, 128}, {3, 1, 255}},     {{43, 255, 128}, {253, 255, 1}},
      {{42, 255, 128}, {255, 251, 1}}, {{100, 255, 255}, {255, 255, 255}}, {{100, 255, 0}, {0, 0, 0}},
  };
  for (const Case& c : to_rgb)
    EXPECT_EQ((apply<CtHSLToRGB<U8, U8>, uint8_t>(c.in)), c.out) << c.in[0] << "," << c.in[1] << "," << c.in[2];
  EXPECT_EQ((apply<CtRGBToHSL<U16, U16>, uint16_t>({65535, 65535, 65535})), (Px{0, 0, 65535}));
  EXPECT_EQ((apply<CtRGBToHSL<U16, U16>, uint16_t>({65535, 0, 0})), (Px{0, 65535, 32768}));
  EXPECT_EQ((apply<CtRGBToHSL<U16, U16>, uint16_t>({0, 65535, 0})), (Px{21845, 65535, 32768}));
  EXPECT_EQ((apply<CtRGBToHSL<U16, U16>, uint16_t>({65535, 0, 1})), (Px{0, 65535, 32768})) << "the hue wraps";
  EXPECT_EQ((apply<CtHSLToRGB<U16, U16>, uint16_t>({0, 0, 1234})), (Px{1234, 1234, 1234}));
  EXPECT_EQ((apply<CtHSLToRGB<U16, U16>, uint16_t>({0, 65535, 32768})), (Px{65535, 1, 1}));
  EXPECT_EQ((apply<CtHSLToRGB<U16, U16>, uint16_t>({21845, 65535, 32768})), (Px{3, 65535, 1}));
}

// Real-valued HSL of an 8-bit colour: hue as a fraction of a turn.
void real_hsl(double r, double g, double b, double& h, double& s, double& l) {
  double hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
  l = (hi + lo) / 2;
  if (d == 0) {
    h = s = 0;
    return;
  }
  s = l <= 0.5 ? d / (hi + lo) : d / (2 - hi - lo);
  if (hi == r) h = std::fmod((g - b) / d + 6, 6) / 6;
  else if (hi == g) h = ((b - r) / d + 2) / 6;
  else h = ((r - g) / d + 4) / 6;
}

TEST_F(HSL, EveryEightBitColourAndBack) {
  CtRGBToHSL<U8, U8> forward;
  CtHSLToRGB<U8, U8> backward;
  std::vector<uint8_t> in(3 * 65536), hsl(3 * 65536), rgb(3 * 65536);
  double worst_h = 0, worst_s = 0, worst_l = 0;
  int worst_back = 0;
  for (int r = 0; r < 256; ++r) {
    for (size_t i = 0; i < 65536; ++i) {
      in[3 * i] = uint8_t(r);
      in[3 * i + 1] = uint8_t(i >> 8);
      in[3 * i + 2] = uint8_t(i);
    }
    forward.transform(in.data(), hsl.data(), 65536);
    backward.transform(hsl.data(), rgb.data(), 65536);
    for (size_t i = 0; i < 65536; ++i) {
      double h, s, l;
      real_hsl(in[3 * i] / 255.0, in[3 * i + 1] / 255.0, in[3 * i + 2] / 255.0, h, s, l);
      double dh = std::fabs(h * 256 - hsl[3 * i]);
      if (s != 0) worst_h = std::max(worst_h, std::min(dh, 256 - dh));
      worst_s = std::max(worst_s, std::fabs(s * 255 - hsl[3 * i + 1]));
      worst_l = std::max(worst_l, std::fabs(l * 255 - hsl[3 * i + 2]));
      for (int j = 0; j < 3; ++j)
        worst_back = std::max(worst_back, std::abs(int(rgb[3 * i + size_t(j)]) - int(in[3 * i + size_t(j)])));
    }
  }
  EXPECT_LE(worst_h, 0.5 + 1e-9);
  EXPECT_LE(worst_s, 0.5 + 1e-9);
  EXPECT_LE(worst_l, 0.5 + 1e-9);
  EXPECT_LE(worst_back, 4);
}

TEST_F(HSL, NodesAndInverses) {
  auto* src = new LineSource(image_header(2, 1, 8, 3, RstColorType::s_rgb()), {{255, 0, 0, 200, 100, 200}});
  Held<> to_hsl(RstTransformColorRGBToHSL::create(src, RstColorType::hsl()));
  ASSERT_NE(to_hsl, nullptr);
  EXPECT_EQ(RstHeader(to_hsl.get()).color_type, RstColorType::hsl());
  Held<> back(RstTransformColorHSLToRGB::create(to_hsl.release(), RstColorType::s_rgb()));
  ASSERT_NE(back, nullptr);
  Px second = apply<CtHSLToRGB<U8, U8>, uint8_t>({213, 121, 150});
  EXPECT_EQ(first_line(back.get()), (Bytes{255, 1, 1, uint8_t(second[0]), uint8_t(second[1]), uint8_t(second[2])}));
  std::unique_ptr<ColorTransformer> t(RstTransformColorRGBToHSL::create_color_transformer(SampleLayout(16, 3)));
  ASSERT_NE(t, nullptr);
  std::unique_ptr<ColorTransformer> inv(t->inverse().transformer);
  EXPECT_NE((dynamic_cast<CtHSLToRGB<U16, U16>*>(inv.get())), nullptr);
  std::unique_ptr<ColorTransformer> inv2(inv->inverse().transformer);
  EXPECT_NE((dynamic_cast<CtRGBToHSL<U16, U16>*>(inv2.get())), nullptr);
  std::unique_ptr<ColorTransformer> copy(inv->clone());
  EXPECT_NE((dynamic_cast<CtHSLToRGB<U16, U16>*>(copy.get())), nullptr);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(HSL, OnlyThreeEightOrSixteenBitSamples) {
  struct Case {
    int32_t bits, spp, kind;
  } cases[] = {{8, 4, 0}, {8, 1, 0}, {16, 4, 0}, {4, 3, 0}, {32, 3, 3}};
  for (const Case& c : cases) {
    for (bool to_hsl : {true, false}) {
      status.clear();
      RstHeader h = image_header(1, 1, c.bits, c.spp, RstColorType::s_rgb());
      h.sample_kind = c.kind;
      RstRead* src = new LineSource(h, {Bytes(size_t(c.spp * c.bits / 8 + 1), 7)});
      const char* where = to_hsl ? "RstTransformColorRGBToHSL::create_color_transformer()"
                                 : "RstTransformColorHSLToRGB::create_color_transformer()";
      RstRead* node = to_hsl ? static_cast<RstRead*>(RstTransformColorRGBToHSL::create(src, nullptr))
                             : static_cast<RstRead*>(RstTransformColorHSLToRGB::create(src, nullptr));
      EXPECT_EQ(node, nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, where}, {-1, "RstTransformColor::initiate()"}}));
      src->end();
    }
  }
}

TEST_F(HSL, AllocationFailures) {
  check_allocation_failures(
      [] {
        return new LineSource(image_header(1, 1, 8, 3, RstColorType::s_rgb()), {{255, 0, 0}});
      },
      [](RstRead* s) { return static_cast<RstRead*>(RstTransformColorRGBToHSL::create(s, nullptr)); }, {{0, 255, 128}},
      {"RstTransformColor::initiate()", "rst_create_end()"});
}

}  // namespace
