// The sRGB <-> Lab nodes beside Little CMS (unoptimised, relative
// colorimetric, double Lab of a D50 Lab profile): a gamma-2.2 RGB profile
// with the sRGB primaries, and the sRGB profile with its own curve.
#ifdef PK_HAVE_LCMS2
#include <lcms2.h>

#include <cmath>

#include "color_test_support.h"
#include "raster/color/rst_transform_color_lab.h"
#include "raster/core/rst_status_recorder.h"

namespace {

RstRead* source(const std::vector<uint32_t>& samples, RstColorType* type) {
  return new LineSource(image_header(int32_t(samples.size()) / 3, 1, 8, 3, type), {pack(8, samples)});
}

cmsHPROFILE gamma_22_profile() {
  cmsCIExyY white = {0.3127, 0.3290, 1.0};
  cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(curve);
  return p;
}

// 8-bit RGB pixels to full-range Lab samples (unrounded), or back.
std::vector<double> peer_to_lab(cmsHPROFILE rgb, const std::vector<uint32_t>& px) {
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM t =
      cmsCreateTransform(rgb, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
  std::vector<uint8_t> in(px.begin(), px.end());
  std::vector<double> out(px.size());
  cmsDoTransform(t, in.data(), out.data(), cmsUInt32Number(px.size() / 3));
  for (size_t i = 0; i < out.size(); i += 3) {
    out[i] = out[i] * 255.0 / 100.0;
    out[i + 1] += 128;
    out[i + 2] += 128;
  }
  cmsDeleteTransform(t);
  cmsCloseProfile(lab);
  return out;
}

std::vector<uint32_t> peer_to_rgb(cmsHPROFILE rgb, const std::vector<uint32_t>& lab_px) {
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM t =
      cmsCreateTransform(lab, TYPE_Lab_DBL, rgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
  std::vector<double> in(lab_px.size());
  for (size_t i = 0; i < in.size(); i += 3) {
    in[i] = lab_px[i] * 100.0 / 255.0;
    in[i + 1] = double(lab_px[i + 1]) - 128;
    in[i + 2] = double(lab_px[i + 2]) - 128;
  }
  std::vector<uint8_t> out(lab_px.size());
  cmsDoTransform(t, in.data(), out.data(), cmsUInt32Number(in.size() / 3));
  cmsDeleteTransform(t);
  cmsCloseProfile(lab);
  return std::vector<uint32_t>(out.begin(), out.end());
}

std::vector<uint32_t> ours_to_lab(const std::vector<uint32_t>& px) {
  Held<> lab(RstTransformColorSRGBToITULAB::create(source(px, RstColorType::s_rgb()), RstColorType::icc_lab()));
  EXPECT_NE(lab, nullptr);
  if (!lab) return {};
  Bytes line = first_line(lab.get());
  return std::vector<uint32_t>(line.begin(), line.end());
}

class LabPeer : public RstStatusTest {};

TEST_F(LabPeer, GraysBothWays) {
  cmsHPROFILE rgb = gamma_22_profile();
  std::vector<uint32_t> grays, lab_grays;
  for (uint32_t v = 0; v <= 255; ++v) {
    grays.insert(grays.end(), {v, v, v});
    lab_grays.insert(lab_grays.end(), {v, 128, 128});
  }
  std::vector<double> peer = peer_to_lab(rgb, grays);
  std::vector<uint32_t> ours = ours_to_lab(grays);
  ASSERT_EQ(ours.size(), grays.size());
  for (size_t i = 0; i < ours.size(); i += 3) {
    EXPECT_LE(std::fabs(ours[i] - peer[i]), 1.0) << "gray " << grays[i];
    EXPECT_EQ(ours[i + 1], 128u) << "gray " << grays[i];
    EXPECT_EQ(ours[i + 2], 128u) << "gray " << grays[i];
  }
  std::vector<uint32_t> peer_rgb = peer_to_rgb(rgb, lab_grays);
  Held<> back(RstTransformColorITULABToSRGB::create(source(lab_grays, RstColorType::icc_lab()), nullptr));
  ASSERT_NE(back, nullptr);
  Bytes line = first_line(back.get());
  ASSERT_EQ(line.size(), peer_rgb.size());
  for (size_t i = 0; i < line.size(); ++i) EXPECT_LE(std::abs(int(line[i]) - int(peer_rgb[i])), 1) << "L " << i / 3;
  cmsCloseProfile(rgb);
}

TEST_F(LabPeer, ColourGrid) {
  std::vector<uint32_t> px;
  for (uint32_t r = 0; r < 52; ++r)
    for (uint32_t g = 0; g < 52; ++g)
      for (uint32_t b = 0; b < 52; ++b) px.insert(px.end(), {r * 5, g * 5, b * 5});
  std::vector<uint32_t> ours = ours_to_lab(px);
  ASSERT_EQ(ours.size(), px.size());
  struct Peer {
    cmsHPROFILE profile;
    double limit[3];
  } peers[] = {{gamma_22_profile(), {7, 17, 5}}, {cmsCreate_sRGBProfile(), {10, 17, 7}}};
  for (Peer& p : peers) {
    std::vector<double> peer = peer_to_lab(p.profile, px);
    double worst[3] = {0, 0, 0};
    for (size_t i = 0; i < px.size(); ++i) {
      double d = std::fabs(ours[i] - peer[i]);
      worst[i % 3] = std::max(worst[i % 3], d);
    }
    for (int c = 0; c < 3; ++c) EXPECT_LE(worst[c], p.limit[c]) << "channel " << c;
    cmsCloseProfile(p.profile);
  }
}

}  // namespace
#endif
