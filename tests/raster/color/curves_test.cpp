// The curves: the listed values, every table entry against the CIE
// definitions computed here, the inverse pairs, and the factories'
// refusals.
#include "raster/color/rst_transform_color_gamma.h"

#include <cmath>
#include <functional>
#include <memory>

#include "color_attributes_stub.h"
#include "raster/core/rst_status_recorder.h"

namespace {

using U8 = UIntNBit<8>;
using U16 = UIntNBit<16>;
using Owned = std::unique_ptr<ColorTransformer>;

// The table of a tabulated curve as plain numbers.
template <class Tin, class Tout>
std::vector<uint32_t> entries(const ColorTransformer& t) {
  auto* lut = dynamic_cast<const CtTablizedLUT<Tin, Tout>*>(&t);
  EXPECT_NE(lut, nullptr);
  if (!lut) return {};
  return std::vector<uint32_t>(lut->table(), lut->table() + lut->entries());
}

// Every entry equals curve(v / maxin) x maxout rounded, but where the exact
// value lies within a hair of a half.
void expect_curve(const std::vector<uint32_t>& table, double maxin, double maxout,
                  const std::function<double(double)>& curve) {
  int checked = 0;
  for (size_t v = 0; v < table.size(); ++v) {
    double y = std::clamp(curve(double(v) / maxin), 0.0, 1.0) * maxout;
    if (std::fabs(y - std::floor(y) - 0.5) < 1e-9) continue;
    ++checked;
    ASSERT_EQ(table[v], uint32_t(std::floor(y + 0.5))) << "input " << v;
  }
  EXPECT_GT(checked, int(table.size()) - 4);
}

const double t0 = 6.0 / 29.0;  // the CIE break point of f

double cie_f(double t) { return t > t0 * t0 * t0 ? std::cbrt(t) : t * 841.0 / 108.0 + 4.0 / 29.0; }
double cie_f_inverse(double f) { return f > t0 ? f * f * f : (f - 4.0 / 29.0) * 108.0 / 841.0; }

class Curves : public RstStatusTest {};

TEST_F(Curves, ListedValues) {
  Owned lightness(RstTransformColorLightness::create(SampleLayout(8, 1), false));
  std::vector<uint32_t> f = entries<U8, U8>(*lightness);
  EXPECT_EQ(f[0], 35u);
  EXPECT_EQ(f[128], 203u);
  EXPECT_EQ(f[255], 255u);
  Owned brightness(RstTransformColorLightness::create(SampleLayout(8, 1), true));
  std::vector<uint32_t> b = entries<U8, U8>(*brightness);
  for (int v = 0; v <= 35; ++v) EXPECT_EQ(b[size_t(v)], 0u) << v;
  EXPECT_EQ(b[255], 255u);
  Owned gamma(RstTransformColorGamma::create(SampleLayout(8, 1), 2.2));
  std::vector<uint32_t> g = entries<U8, U16>(*gamma);
  EXPECT_EQ(g[0], 0u);
  EXPECT_EQ(g[128], 14386u);
  EXPECT_EQ(g[255], 65535u);
  CtTablizedLUT<U8, U8> lstar(CtGammaToLstar<U8, U8>(1, 2.2));
  std::vector<uint32_t> l = entries<U8, U8>(lstar);
  EXPECT_EQ(l[0], 0u);
  EXPECT_EQ(l[128], 138u);
  EXPECT_EQ(l[255], 255u);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Curves, EveryEntryFollowsTheCieDefinitions) {
  for (bool sixteen : {false, true}) {
    SCOPED_TRACE(sixteen);
    double max = sixteen ? 65535.0 : 255.0;
    SampleLayout layout(sixteen ? 16 : 8, 2);
    Owned f(RstTransformColorLightness::create(layout, false));
    Owned b(RstTransformColorLightness::create(layout, true));
    auto table = [&](const Owned& t) { return sixteen ? entries<U16, U16>(*t) : entries<U8, U8>(*t); };
    expect_curve(table(f), max, max, cie_f);
    expect_curve(table(b), max, max, cie_f_inverse);
    Owned g(RstTransformColorGamma::create(layout, 1.8));
    std::vector<uint32_t> gt = sixteen ? entries<U16, U16>(*g) : entries<U8, U16>(*g);
    expect_curve(gt, max, 65535.0, [](double t) { return std::pow(t, 1.8); });
  }
  // Gray to L*/100 and back, gamma 2.2: L* = 116 f(Y) - 16 with Y = t^gamma.
  const double gamma = 2.2;
  CtTablizedLUT<U8, U8> to_l(CtGammaToLstar<U8, U8>(1, gamma));
  expect_curve(entries<U8, U8>(to_l), 255.0, 255.0,
               [&](double t) { return (116.0 * cie_f(std::pow(t, gamma)) - 16.0) / 100.0; });
  CtTablizedLUT<U8, U8> from_l(CtLstarToGamma<U8, U8>(1, gamma));
  expect_curve(entries<U8, U8>(from_l), 255.0, 255.0,
               [&](double l) { return std::pow(cie_f_inverse((100.0 * l + 16.0) / 116.0), 1.0 / gamma); });
}

TEST_F(Curves, InversePairs) {
  CtGamma<U8, U16> g(3, 2.2);
  Owned gi(g.inverse().transformer);
  auto* g16 = dynamic_cast<CtGamma<U16, U8>*>(gi.get());
  ASSERT_NE(g16, nullptr);
  EXPECT_EQ(g16->gamma(), 0.45454545454545453);
  EXPECT_EQ(g16->channels(), 3);
  CtGammaToLstar<U8, U8> to_l(2, 2.2);
  EXPECT_EQ(to_l.threshold(), std::pow(0.20689655172413793, 1.3636363636363635));
  Owned li(to_l.inverse().transformer);
  auto* from_l = dynamic_cast<CtLstarToGamma<U8, U8>*>(li.get());
  ASSERT_NE(from_l, nullptr);
  EXPECT_EQ(from_l->gamma(), 2.2);
  EXPECT_EQ(from_l->channels(), 2);
  Owned back(from_l->inverse().transformer);
  EXPECT_NE((dynamic_cast<CtGammaToLstar<U8, U8>*>(back.get())), nullptr);
  CtBrightnessToLightness<U16, U16> f(1);
  Owned fi(f.inverse().transformer);
  EXPECT_NE((dynamic_cast<CtLightnessToBrightness<U16, U16>*>(fi.get())), nullptr);
  Owned ff(fi->inverse().transformer);
  EXPECT_NE((dynamic_cast<CtBrightnessToLightness<U16, U16>*>(ff.get())), nullptr);
  // The tabulated lightness inverts into the tabulated inverse curve.
  Owned table(RstTransformColorLightness::create(SampleLayout(16, 1), false));
  Owned table_inv(table->inverse().transformer);
  auto* inv = dynamic_cast<CtTablizedLUT<U16, U16>*>(table_inv.get());
  ASSERT_NE(inv, nullptr);
  EXPECT_NE((dynamic_cast<const CtLightnessToBrightness<U16, U16>*>(&inv->held())), nullptr);
}

TEST_F(Curves, FactoriesRefuseOtherSamples) {
  for (const SampleLayout& bad :
       {SampleLayout(16, 1, 3), SampleLayout(32, 1, 3), SampleLayout(4, 1), SampleLayout(8, 0)}) {
    status.clear();
    EXPECT_EQ(RstTransformColorGamma::create(bad, 2.2), nullptr);
    EXPECT_EQ(RstTransformColorLightness::create(bad, true), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstTransformColorGamma::create()"},
                                                       {-50, "RstTransformColorLightness::create()"}}));
  }
  // A NaN gamma stores 0 rather than an undefined conversion.
  Owned nan(RstTransformColorGamma::create(SampleLayout(16, 1), std::nan("")));
  ASSERT_NE(nan, nullptr);
  EXPECT_EQ((entries<U16, U16>(*nan)[1000]), 0u);
}

}  // namespace
