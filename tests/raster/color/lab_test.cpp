// The colorimetry and the sRGB <-> Lab nodes: the fixed values, the nodes
// against the CIE definitions computed here in double, the inverse and the
// round trip, the fixed-matrix conversions, refusals and allocation failures.
#include "raster/color/rst_transform_color_lab.h"

#include <algorithm>
#include <cmath>

#include "color_test_support.h"
#include "raster/color/rst_colorimetry.h"
#include "raster/color/rst_lab_range.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_status_recorder.h"

namespace {

RstRead* source(int32_t bits, const std::vector<uint32_t>& samples, RstColorType* type = RstColorType::s_rgb(),
                int32_t spp = 3) {
  RstHeader h = image_header(int32_t(samples.size()) / spp, 1, bits, spp, type);
  return new LineSource(h, {pack(bits, samples)});
}

std::vector<uint32_t> unpack(int bits, const Bytes& line) {
  std::vector<uint32_t> v;
  if (bits == 8) return std::vector<uint32_t>(line.begin(), line.end());
  for (size_t i = 0; i + 1 < line.size(); i += 2) {
    uint16_t w;
    std::memcpy(&w, &line[i], 2);
    v.push_back(w);
  }
  return v;
}

// The CIE definitions: gamma 2.2, the D65 -> D50 white-relative XYZ rows,
// f, and the encoding of range r, rounded and clamped.
const double kQ[3][3] = {
    {0.449680, 0.411317, 0.139003}, {0.217948, 0.712400, 0.069651}, {0.017804, 0.109894, 0.872302}};

double cie_f(double t) { return t > 0.008856451679035631 ? std::cbrt(t) : t * 841.0 / 108.0 + 4.0 / 29.0; }

void reference_lab(const double rgb[3], double lab[3]) {
  double lin[3], f[3];
  for (int c = 0; c < 3; ++c) lin[c] = std::pow(rgb[c], 2.2);
  for (int r = 0; r < 3; ++r) f[r] = cie_f(kQ[r][0] * lin[0] + kQ[r][1] * lin[1] + kQ[r][2] * lin[2]);
  lab[0] = 116 * f[1] - 16;
  lab[1] = 500 * (f[0] - f[1]);
  lab[2] = 200 * (f[1] - f[2]);
}

double encode(const RstLabRange& range, int c, double v) {
  RstLabRange::Channel ch = range.channel(c);
  return std::clamp(v * 255.0 / ch.range + ch.offset, 0.0, 255.0);
}

// The exact inverse of the 8-bit encoding: Lab to gamma-encoded sRGB in
// 0 ... 255, unclamped.
void reference_rgb(const RstLabRange& range, const uint32_t e[3], double rgb[3]) {
  double v[3];
  for (int c = 0; c < 3; ++c) v[c] = (double(e[c]) - range.channel(c).offset) * range.channel(c).range / 255.0;
  double fy = (v[0] + 16) / 116, f[3] = {fy + v[1] / 500, fy, fy - v[2] / 200};
  double t[3];
  for (int c = 0; c < 3; ++c) t[c] = f[c] > 6.0 / 29 ? f[c] * f[c] * f[c] : (f[c] - 4.0 / 29) * 108.0 / 841;
  // Solve kQ x = t by Cramer's rule.
  auto det = [](const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  double d = det(kQ);
  for (int c = 0; c < 3; ++c) {
    double m[3][3];
    for (int r = 0; r < 3; ++r)
      for (int k = 0; k < 3; ++k) m[r][k] = k == c ? t[r] : kQ[r][k];
    double lin = std::clamp(det(m) / d, 0.0, 1.0);
    rgb[c] = 255.0 * std::pow(lin, 1 / 2.2);
  }
}

class Lab : public RstStatusTest {};

TEST_F(Lab, ColorimetryValues) {
  RstMatrix<double> d = RstLabRange::default_range().matrix();
  EXPECT_TRUE(d.affine());
  const double expected[16] = {1, 0, 0, 0, 0, 100.0 / 170, 0, 128.0 / 255, 0, 0, 100.0 / 200, 96.0 / 255, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(d.elements()[i], expected[i]) << i;
  RstLabRange::Channel a = RstLabRange::full_range().channel(1);
  EXPECT_EQ(a.bits, 8);
  EXPECT_EQ(a.range, 255u);
  EXPECT_EQ(a.offset, 128);

  RstMatrix<double> to_rgb = RstPrimaries::srgb().xyz_to_rgb_matrix(white_point_d65);
  EXPECT_FALSE(to_rgb.affine());
  EXPECT_NEAR(to_rgb(0, 0), 3.240810, 1e-5);
  EXPECT_NEAR(to_rgb(0, 1), -1.537307, 1e-5);
  EXPECT_NEAR(to_rgb(0, 2), -0.498586, 1e-5);

  // IEC 61966-2-1's matrix, and the listed rows.
  RstMatrix<double> p = rst_srgb_to_xyz_matrix();
  EXPECT_TRUE(p.has_cached_inverse());
  const double iec[9] = {0.4124, 0.3576, 0.1805, 0.2126, 0.7152, 0.0722, 0.0193, 0.1192, 0.9505};
  const double listed[9] = {0.412411, 0.357584, 0.180454, 0.212650, 0.715169, 0.072182, 0.019332, 0.119195, 0.950393};
  for (int i = 0; i < 9; ++i) {
    EXPECT_NEAR(p.elements()[i], iec[i], 2e-4) << i;
    EXPECT_NEAR(p.elements()[i], listed[i], 1e-6) << i;
  }

  RstChromaticAdaptation same{white_point_d50, white_point_d50, RstPrimaries::cone()};
  RstMatrix<double> id = same.matrix();
  for (uint32_t i = 0; i < 3; ++i)
    for (uint32_t j = 0; j < 3; ++j) EXPECT_NEAR(id(i, j), i == j ? 1 : 0, 1e-12);
  // The adaptation maps the source white to the destination white, and with
  // the scale to D50 gives the listed rows.
  RstChromaticAdaptation to_d50{white_point_d65, white_point_d50, RstPrimaries::cone()};
  RstMatrix<double> c = to_d50.matrix();
  for (uint32_t j = 0; j < 3; ++j)
    EXPECT_NEAR(c(j, 0) * white_point_d65.x + c(j, 1) * white_point_d65.y + c(j, 2) * white_point_d65.z,
                white_point_d50[int(j)], 1e-9);
  RstMatrix<double> q = c * p;
  const double w[3] = {white_point_d50.x, white_point_d50.y, white_point_d50.z};
  for (uint32_t i = 0; i < 3; ++i)
    for (uint32_t j = 0; j < 3; ++j) EXPECT_NEAR(q(i, j) / w[i], kQ[i][j], 2e-6) << i << "," << j;
}

TEST_F(Lab, WhiteAndBlackToLab) {
  struct Case {
    int32_t bits;
    const RstLabRange* range;
    std::vector<uint32_t> in, out;
  } cases[] = {
      {8, &RstLabRange::default_range(), {255, 255, 255, 0, 0, 0}, {255, 128, 96, 0, 128, 96}},
      {8, nullptr, {255, 255, 255, 0, 0, 0}, {255, 128, 128, 0, 128, 128}},
      {16, &RstLabRange::full_range(), {65535, 65535, 65535, 0, 0, 0}, {255, 128, 128, 0, 128, 128}},
  };
  for (const Case& c : cases) {
    Held<> lab(
        RstTransformColorSRGBToITULAB::create(source(c.bits, c.in), c.range, white_point_d50, RstColorType::itu_lab()));
    ASSERT_NE(lab, nullptr);
    RstHeader h(lab.get());
    EXPECT_EQ(h.bits_per_sample, 8);
    EXPECT_EQ(h.color_type, RstColorType::itu_lab());
    EXPECT_EQ(unpack(8, first_line(lab.get())), c.out);
  }
  EXPECT_TRUE(status.errors().empty());
}

// Every 8-bit input on a grid of step 5 (with 255) and a 16-bit grid, both
// ranges, within one level of the CIE definitions.
TEST_F(Lab, SRGBToLabAgainstTheDefinitions) {
  for (int32_t bits : {8, 16}) {
    std::vector<uint32_t> grid;
    if (bits == 8) {
      for (uint32_t v = 0; v <= 255; v += 5) grid.push_back(v);
    } else {
      for (uint32_t v = 0; v <= 65535; v += 65535 / 30) grid.push_back(v);
    }
    std::vector<uint32_t> px;
    for (uint32_t r : grid)
      for (uint32_t g : grid)
        for (uint32_t b : grid) px.insert(px.end(), {r, g, b});
    for (const RstLabRange* range : {&RstLabRange::full_range(), &RstLabRange::default_range()}) {
      Held<> lab(RstTransformColorSRGBToITULAB::create(source(bits, px), range, white_point_d50, nullptr));
      ASSERT_NE(lab, nullptr);
      std::vector<uint32_t> out = unpack(8, first_line(lab.get()));
      ASSERT_EQ(out.size(), px.size());
      double max = bits == 8 ? 255 : 65535;
      int worst = 0;
      for (size_t i = 0; i < px.size(); i += 3) {
        double rgb[3] = {px[i] / max, px[i + 1] / max, px[i + 2] / max}, lab_v[3];
        reference_lab(rgb, lab_v);
        for (int c = 0; c < 3; ++c) {
          int diff = int(std::lround(std::fabs(out[i + size_t(c)] - encode(*range, c, lab_v[c]))));
          worst = std::max(worst, diff);
          if (diff > 1)
            ADD_FAILURE() << bits << "-bit " << px[i] << "," << px[i + 1] << "," << px[i + 2] << " ch " << c;
        }
      }
      EXPECT_LE(worst, 1);
    }
  }
}

// icc_lab back to sRGB, for the encoded Lab of sRGB colours: within 3
// levels of the exact inverse, 1 on the neutral axis; and sRGB -> Lab -> sRGB within 6 for light colours and grays.
TEST_F(Lab, LabToSRGBAndRoundTrip) {
  const RstLabRange& full = RstLabRange::full_range();
  std::vector<uint32_t> px;
  // The encoded Lab of an sRGB grid: colours inside the gamut.
  for (uint32_t r = 0; r <= 255; r += 17)
    for (uint32_t g = 0; g <= 255; g += 17)
      for (uint32_t b = 0; b <= 255; b += 17) {
        double rgb_v[3] = {r / 255.0, g / 255.0, b / 255.0}, lab_v[3];
        reference_lab(rgb_v, lab_v);
        for (int c = 0; c < 3; ++c) px.push_back(uint32_t(std::lround(encode(full, c, lab_v[c]))));
      }
  for (uint32_t l = 0; l <= 255; ++l) px.insert(px.end(), {l, 128, 128});
  Held<> rgb(RstTransformColorITULABToSRGB::create(source(8, px, RstColorType::icc_lab()), RstColorType::s_rgb()));
  ASSERT_NE(rgb, nullptr);
  RstHeader h(rgb.get());
  EXPECT_EQ(h.bits_per_sample, 8);
  EXPECT_EQ(h.color_type, RstColorType::s_rgb());
  std::vector<uint32_t> out = unpack(8, first_line(rgb.get()));
  ASSERT_EQ(out.size(), px.size());
  for (size_t i = 0; i < px.size(); i += 3) {
    double expected[3];
    reference_rgb(full, &px[i], expected);
    bool neutral = px[i + 1] == 128 && px[i + 2] == 128;
    for (size_t c = 0; c < 3; ++c)
      EXPECT_LE(std::fabs(out[i + c] - expected[c]), neutral ? 1.5 : 3.5)
          << px[i] << "," << px[i + 1] << "," << px[i + 2] << " ch " << c;
  }

  std::vector<uint32_t> colours;
  for (uint32_t r = 64; r <= 255; r += 19)
    for (uint32_t g = 64; g <= 255; g += 19)
      for (uint32_t b = 64; b <= 255; b += 19) colours.insert(colours.end(), {r, g, b});
  for (uint32_t v = 0; v <= 255; ++v) colours.insert(colours.end(), {v, v, v});
  RstTransformColorSRGBToITULAB* lab = RstTransformColorSRGBToITULAB::create(source(8, colours), nullptr);
  ASSERT_NE(lab, nullptr);
  Held<> back(RstTransformColorITULABToSRGB::create(lab, nullptr));
  ASSERT_NE(back, nullptr);
  std::vector<uint32_t> round = unpack(8, first_line(back.get()));
  ASSERT_EQ(round.size(), colours.size());
  for (size_t i = 0; i < colours.size(); ++i) EXPECT_LE(std::abs(int(round[i]) - int(colours[i])), 6) << i;
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Lab, RefusedSources) {
  struct Case {
    bool to_lab;
    int32_t bits, spp;
    const char* where;
  } cases[] = {
      {true, 8, 4, "RstTransformColorSRGBToITULAB::create()"},
      {true, 4, 3, "RstTransformColorSRGBToITULAB::create()"},
      {false, 16, 3, "RstTransformColorITULABToSRGB::create()"},  // no 16-bit Lab path
      {false, 8, 1, "RstTransformColorITULABToSRGB::create()"},
  };
  for (const Case& c : cases) {
    RstStatusRecorder rec;
    RstRead* src = source(c.bits, std::vector<uint32_t>(size_t(c.spp) * 2, 1), RstColorType::icc_lab(), c.spp);
    RstRead* made = c.to_lab ? static_cast<RstRead*>(RstTransformColorSRGBToITULAB::create(src, nullptr))
                             : RstTransformColorITULABToSRGB::create(src, nullptr);
    EXPECT_EQ(made, nullptr);
    ASSERT_EQ(rec.errors().size(), 1u);
    EXPECT_EQ(rec.errors().front(), (RstReport{-50, c.where}));
    // The caller's source is still readable.
    EXPECT_EQ(pull(src).size(), 1u);
    src->end();
  }
}

TEST_F(Lab, FixedMatrixConversions) {
  Held<> cmyk(
      RstTransformColorTo::rgb_to_cmyk(source(8, {200, 100, 50, 255, 0, 0, 255, 255, 255}), RstColorType::s_cmyk()));
  ASSERT_NE(cmyk, nullptr);
  EXPECT_EQ(RstHeader(cmyk.get()).color_type, RstColorType::s_cmyk());
  EXPECT_EQ(first_line(cmyk.get()), (Bytes{0, 100, 150, 55, 0, 255, 255, 0, 0, 0, 0, 0}));

  Held<> ycc(RstTransformColorTo::rgb_to_ycbcr(source(8, {255, 255, 255, 0, 0, 0}), RstColorType::s_ycbcr()));
  ASSERT_NE(ycc, nullptr);
  EXPECT_EQ(first_line(ycc.get()), (Bytes{255, 128, 128, 0, 128, 128}));

  std::vector<uint32_t> px{255, 0, 0, 0, 255, 0, 0, 0, 255, 30, 60, 90, 128, 128, 128};
  RstRead* forward = RstTransformColorTo::rgb_to_ycbcr(source(8, px), RstColorType::s_ycbcr());
  ASSERT_NE(forward, nullptr);
  Held<> back(RstTransformColorTo::ycbcr_to_rgb(forward, RstColorType::s_rgb()));
  ASSERT_NE(back, nullptr);
  std::vector<uint32_t> out = unpack(8, first_line(back.get()));
  ASSERT_EQ(out.size(), px.size());
  for (size_t i = 0; i < px.size(); ++i) EXPECT_LE(std::abs(int(out[i]) - int(px[i])), 2) << i;
  EXPECT_TRUE(status.errors().empty());

  // A source the max-channel node refuses: nothing made, the source kept.
  RstStatusRecorder rec;
  RstRead* gray = source(8, {1, 2}, RstColorType::s_gray(), 1);
  RstRead* none = RstTransformColorTo::rgb_to_cmyk(gray, nullptr);
  if (none) {
    Held<> keep(none);
  } else {
    EXPECT_FALSE(rec.errors().empty());
    EXPECT_EQ(pull(gray).size(), 1u);
    gray->end();
  }
}

TEST_F(Lab, AllocationFailures) {
  std::vector<uint32_t> rgb_px{0, 0, 0, 255, 255, 255, 200, 100, 50, 10, 220, 90};
  for (int direction = 0; direction < 2; ++direction) {
    auto make_source = [&] { return direction == 0 ? source(8, rgb_px) : source(8, rgb_px, RstColorType::icc_lab()); };
    auto make = [&](RstRead* s) -> RstRead* {
      if (direction == 0) return RstTransformColorSRGBToITULAB::create(s, RstColorType::icc_lab());
      return RstTransformColorITULABToSRGB::create(s, RstColorType::s_rgb());
    };
    Held<> reference(make(make_source()));
    ASSERT_NE(reference, nullptr);
    std::vector<Bytes> expected = pull(reference.get());
    check_allocation_failures(
        make_source, make, expected,
        {"RstTransformColorSRGBToITULAB::create()", "RstTransformColorITULABToSRGB::create()",
         "RstTransformColor::initiate()", "rst_create_end()", "RstTransformColor::create_previous()"},
        400);
  }
}

}  // namespace
