// The colour engine: white point and gamma transforms, ICC profiles of each
// accepted kind and the ones refused, profiles whose counts, offsets and
// numbers lie, and the real profiles of colord-data against Little CMS.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

#include "graphics_driver/core/color_transform.h"
#include "icc_test_profiles.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

#ifdef PK_HAVE_LCMS2
#include <lcms2.h>
#endif

namespace {

using pk::test::GammaTag;
using pk::test::IccTag;
using pk::test::Lut16Tag;
using pk::test::MakeIccProfile;
using pk::test::MonitorProfile;
using pk::test::ScannerProfile;
using pk::test::WriteTestFile;
using pk::test::XyzTag;

// The engine adapts between whites in its own cone basis, not in the
// Bradford one the colord profiles (and Little CMS) use: greys come out
// within 2 levels, saturated colours carry a cross-talk of a few percent
// that the sRGB encoding magnifies in dark channels (blue 255 over red 0
// lifts red by some 60 levels). The bounds hold the measured worst and mean
// with a little room.
constexpr int kSrgbWorst = 60;
constexpr double kSrgbMean = 4.5;
constexpr int kWideWorst = 48;
constexpr double kWideMean = 3.5;
constexpr double kD65[3] = {0.9505, 1.0, 1.089};
const char* const kColordFolder = "/usr/share/color/icc/colord/";

class TransformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&t_, 0, sizeof t_);
    live_ = pk::seams::GlobalLiveBlocks();
  }
  void TearDown() override {
    FreeTransform(&t_);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live_);
  }
  int Load(const std::string& name, const std::vector<uint8_t>& bytes) {
    FreeTransform(&t_);
    return LoadProfileTransform(&t_, WriteTestFile(name, bytes).c_str());
  }
  std::vector<BYTE> Apply(std::vector<BYTE> bgr) {
    std::vector<BYTE> out(bgr.size());
    ApplyTransform(&t_, bgr.data(), out.data(), bgr.size() / 3);
    return out;
  }
  ColorTransform t_;
  SIZE_T live_ = 0;
};

TEST_F(TransformTest, AnswerCodes) {
  const auto monitor = MonitorProfile(GammaTag(2.2), 0.9505, 1.0, 1.089);
  auto noSignature = monitor;
  std::memcpy(&noSignature[36], "xxxx", 4);
  auto grey = monitor;
  std::memcpy(&grey[16], "GRAY", 4);
  auto cmykPcs = monitor;
  std::memcpy(&cmykPcs[20], "CMYK", 4);
  auto printer = monitor;
  std::memcpy(&printer[12], "prtr", 4);
  auto labMonitor = monitor;
  std::memcpy(&labMonitor[20], "Lab ", 4);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int answer;
  } cases[] = {
      {"good monitor", monitor, 0},
      {"short head", std::vector<uint8_t>(monitor.begin(), monitor.begin() + 131), -3},
      {"no acsp", noSignature, -5},
      {"GRAY colour space", grey, -6},
      {"printer class", printer, -6},
      {"monitor with Lab PCS", labMonitor, -6},
      {"CMYK PCS", cmykPcs, -7},
      {"XYZ PCS without tags", MakeIccProfile("mntr", "RGB ", "XYZ ", {}), -7},
      {"no white", MakeIccProfile("mntr", "RGB ", "XYZ ", pk::test::SrgbColorants()), -7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Load("codes.icc", c.bytes), c.answer);
    EXPECT_EQ(t_.mode, c.answer == 0 ? kTransformMatrix : kTransformNone);
  }
  FreeTransform(&t_);
  EXPECT_EQ(LoadProfileTransform(&t_, (::testing::TempDir() + "no such profile.icc").c_str()), -2);
  EXPECT_EQ(LoadProfileTransform(&t_, nullptr), -2);
  EXPECT_EQ(t_.mode, kTransformNone);
  EXPECT_EQ(FreeTransform(nullptr), -1);
}

TEST_F(TransformTest, WhitePointAndGammaChoices) {
  for (auto [white, gamma] : {std::pair{7000, 22}, {6500, 12}, {0, 0}}) {
    EXPECT_EQ(BuildWhitePointTransform(&t_, white, gamma), -1) << white << " " << gamma;
    EXPECT_EQ(t_.mode, kTransformNone);
  }
  // Mode -1 copies the pixels.
  const std::vector<BYTE> pixels = {1, 2, 3, 250, 128, 7};
  EXPECT_EQ(Apply(pixels), pixels);
  std::vector<BYTE> out(6);
  ApplyTransform(nullptr, pixels.data(), out.data(), 2);
  EXPECT_EQ(out, pixels);
  ApplyTransform(&t_, nullptr, out.data(), 2);  // nothing happens
  for (int white : {5000, 6500, 9300})
    for (int gamma : {10, 14, 18, 22, 26}) {
      EXPECT_EQ(BuildWhitePointTransform(&t_, white, gamma), 0);
      EXPECT_EQ(t_.mode, kTransformMatrix);
      EXPECT_EQ(t_.whiteCorrection, white != 6500);
      EXPECT_EQ(t_.curve[0][255], 65535);
      EXPECT_EQ(t_.curve[2][0], 0);
    }
  EXPECT_EQ(BuildWhitePointTransform(nullptr, 5000, 10), -1);
}

// Gamma 1.0 at 6500 takes the input as linear light: mid grey comes out as
// the sRGB encoding of 128/255.
TEST_F(TransformTest, LinearInputAt6500) {
  ASSERT_EQ(BuildWhitePointTransform(&t_, 6500, 10), 0);
  const std::vector<BYTE> out = Apply({128, 128, 128, 0, 0, 0, 255, 255, 255});
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c], 188, 1) << c;
  for (int c = 3; c < 6; ++c) EXPECT_EQ(out[c], 0);
  for (int c = 6; c < 9; ++c) EXPECT_GE(out[c], 254);
}

// 5000 corrects the white: the brightest cell interpolates between its
// corners, so that white stays exactly white.
TEST_F(TransformTest, WhiteCellAt5000) {
  ASSERT_EQ(BuildWhitePointTransform(&t_, 5000, 22), 0);
  EXPECT_EQ(Apply({255, 255, 255}), (std::vector<BYTE>{255, 255, 255}));
  for (int i = 21; i < 24; ++i) EXPECT_EQ(t_.whiteCell[i], 0xFFFF);
  // The corners are the matrix results at E = 0xEFFF and F = 0xFFFF.
  for (int corner = 0; corner < 7; ++corner)
    for (int row = 0; row < 3; ++row) {
      int64_t sum = 0;
      for (int c = 0; c < 3; ++c) sum += int64_t(t_.matrix[row * 3 + c] >> 2) * ((corner >> c) & 1 ? 0xFFFF : 0xEFFF);
      EXPECT_EQ(t_.whiteCell[corner * 3 + row], int32_t(sum >> 14));
    }

  // (250, 250, 250): all three curve values above 0xEFFF with equal
  // fractions, so the walk weighs the base and the far corner only.
  const uint32_t v = t_.curve[0][250];
  ASSERT_GT(v, 0xEFFFu);
  const int64_t f = v & 0xFFF;
  std::vector<BYTE> expected(3);
  for (int row = 0; row < 3; ++row) {
    const int64_t sum = int64_t(t_.whiteCell[row]) * (4096 - f) + int64_t(t_.whiteCell[21 + row]) * f;
    const int64_t linear = std::clamp<int64_t>(sum >> 16, 0, 4095);
    const double x = linear / 4095.0;
    const double s = x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1 / 2.4) - 0.055;
    expected[2 - row] = BYTE(std::lround(255 * s));
  }
  EXPECT_EQ(Apply({250, 250, 250}), expected);
}

TEST_F(TransformTest, MonitorProfileKeepsWhite) {
  ASSERT_EQ(Load("d65.icc", MonitorProfile(GammaTag(2.2), kD65[0], kD65[1], kD65[2])), 0);
  EXPECT_EQ(t_.mode, kTransformMatrix);
  EXPECT_EQ(t_.table, nullptr);
  EXPECT_EQ(Apply({255, 255, 255, 0, 0, 0}), (std::vector<BYTE>{255, 255, 255, 0, 0, 0}));
  // Greys stay grey and near themselves: the curve is sRGB-like.
  for (int g = 64; g < 256; g += 16) {
    const auto out = Apply({BYTE(g), BYTE(g), BYTE(g)});
    EXPECT_LE(std::abs(out[0] - out[2]), 2) << g;
    EXPECT_NEAR(out[1], g, 8) << g;
  }
}

TEST_F(TransformTest, CurveTags) {
  uint16_t curve[256];
  // No entry: identity; 256 entries as they are.
  auto identity = pk::test::CurveTag({});
  ASSERT_EQ(ReadCurveTag(identity.data(), identity.size(), curve), 1);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(curve[i], i * 257);
  std::vector<uint16_t> values(256);
  for (int i = 0; i < 256; ++i) values[i] = uint16_t(65535 - i * 200);
  auto full = pk::test::CurveTag(values);
  ASSERT_EQ(ReadCurveTag(full.data(), full.size(), curve), 1);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(curve[i], values[i]);
  // One entry: a gamma in u8.8.
  auto gamma = GammaTag(2.0);
  ASSERT_EQ(ReadCurveTag(gamma.data(), gamma.size(), curve), 1);
  EXPECT_EQ(curve[128], uint16_t(std::pow(128 / 255.0, 2.0) * 65535));
  EXPECT_EQ(curve[255], 65535);

  // 4096 entries are resampled: the last value at 255, entry 128 the
  // interpolation at 128 x 4095 / 255.
  std::vector<uint16_t> long_(4096);
  for (int i = 0; i < 4096; ++i) long_[i] = uint16_t(i * 16 + (i % 3));
  auto tag = pk::test::CurveTag(long_);
  ASSERT_EQ(ReadCurveTag(tag.data(), tag.size(), curve), 1);
  EXPECT_EQ(curve[0], long_[0]);
  EXPECT_EQ(curve[255], long_[4095]);
  const double pos = 128.0 * 4095 / 255;
  const int i = int(pos);
  EXPECT_EQ(curve[128], uint16_t(long_[i] + (long_[i + 1] - long_[i]) * (pos - i)));

  // Not a curve, or shorter than its count.
  auto shortTag = pk::test::CurveTag(long_);
  shortTag.resize(shortTag.size() - 2);
  EXPECT_EQ(ReadCurveTag(shortTag.data(), shortTag.size(), curve), 0);
  auto text = gamma;
  std::memcpy(text.data(), "text", 4);
  EXPECT_EQ(ReadCurveTag(text.data(), text.size(), curve), 0);
  // Parametric curves: the sRGB one (type 3), and one cut short.
  std::vector<uint8_t> para = {'p', 'a', 'r', 'a', 0, 0, 0, 0, 0, 3, 0, 0};
  for (double v : {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045})
    pk::test::AppendBe32(&para, uint32_t(std::lround(v * 65536)));
  ASSERT_EQ(ReadCurveTag(para.data(), para.size(), curve), 1);
  EXPECT_NEAR(curve[128], 0.2158605 * 65535, 20);
  EXPECT_NEAR(curve[5], 5 / 255.0 / 12.92 * 65535, 2);
  EXPECT_EQ(curve[255], 65535);
  EXPECT_EQ(ReadCurveTag(para.data(), para.size() - 4, curve), 0);
  para[9] = 5;
  EXPECT_EQ(ReadCurveTag(para.data(), para.size(), curve), 0);
  EXPECT_EQ(ReadCurveTag(gamma.data(), 13, curve), 0);
}

TEST_F(TransformTest, MatrixHelpers) {
  const double m[3][3] = {{2, 0, 1}, {1, 3, 0}, {0, 1, 4}};
  double inv[3][3], product[3][3];
  ASSERT_EQ(InvertMatrix3(m, inv), 1);
  MultiplyMatrix3(m, inv, product);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(product[r][c], r == c, 1e-12);
  const double singular[3][3] = {{1, 2, 3}, {2, 4, 6}, {0, 1, 1}};
  EXPECT_EQ(InvertMatrix3(singular, inv), 0);

  // Lab of the white is the white; mid grey L = 50 has Y = 0.1842.
  const double d50[3] = {0.9642, 1.0, 0.8294};
  double xyz[3];
  LabToXyz(100, 0, 0, d50, xyz);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(xyz[c], d50[c], 1e-9);
  LabToXyz(50, 0, 0, d50, xyz);
  EXPECT_NEAR(xyz[1], 0.1842, 1e-4);
  LabToXyz(4, 0, 0, d50, xyz);
  EXPECT_NEAR(xyz[1], 4 / 903.29, 1e-9);

  // The D65 white adapts to the sRGB white; a white without chromaticity is
  // refused.
  double a[3][3];
  ASSERT_EQ(AdaptationMatrix(kD65, a), 1);
  for (int r = 0; r < 3; ++r) EXPECT_NEAR(a[r][0] * kD65[0] + a[r][1] * kD65[1] + a[r][2] * kD65[2], 1.0, 0.01);
  const double zero[3] = {0, 0, 0};
  EXPECT_EQ(AdaptationMatrix(zero, a), 0);

  // Blocks of AllocLocked are zeroed, locked and released by FreeLocked.
  const SIZE_T live = pk::seams::GlobalLiveBlocks();
  auto* p = static_cast<BYTE*>(AllocLocked(100));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[99], 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live + 1);
  FreeLocked(p);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(AllocLocked(10), nullptr);
}

// A profile is a file the user chose: counts, offsets and sizes that do not
// fit the file are read failures, found before anything of their size is
// allocated; tags too short for what they declare count as missing.
TEST_F(TransformTest, LyingProfilesAreRefused) {
  pk::seams::FailAllocationsFrom(1 << 20);
  const auto good = MonitorProfile(GammaTag(2.2), kD65[0], kD65[1], kD65[2]);
  EXPECT_EQ(Load("tags.icc", MakeIccProfile("mntr", "RGB ", "XYZ ", {}, 100000)), -3);
  IccTag huge{"rTRC", GammaTag(2.2)};
  huge.claimedSize = 0xFFFFFFF0;
  EXPECT_EQ(Load("huge.icc", MakeIccProfile("mntr", "RGB ", "XYZ ", {huge})), -3);
  IccTag far{"wtpt", XyzTag(1, 1, 1)};
  far.claimedOffset = 0xFFFFFFF0;
  EXPECT_EQ(Load("far.icc", MakeIccProfile("mntr", "RGB ", "XYZ ", {far})), -3);
  EXPECT_EQ(Load("good.icc", good), 0);

  // A short "gTRC": 16 entries declared, 4 given.
  std::vector<IccTag> tags = pk::test::SrgbColorants();
  auto shortCurve = pk::test::CurveTag(std::vector<uint16_t>(16, 1000));
  shortCurve.resize(12 + 8);
  tags.push_back({"rTRC", GammaTag(2.2)});
  tags.push_back({"gTRC", shortCurve});
  tags.push_back({"bTRC", GammaTag(2.2)});
  tags.push_back({"wtpt", XyzTag(kD65[0], kD65[1], kD65[2])});
  EXPECT_EQ(Load("short.icc", MakeIccProfile("mntr", "RGB ", "XYZ ", tags)), -7);

  // Colorants of zero divide the rows by zero: refused.
  std::vector<IccTag> zero = {{"rXYZ", XyzTag(0, 0, 0)},
                              {"gXYZ", XyzTag(0, 0, 0)},
                              {"bXYZ", XyzTag(0, 0, 0)},
                              {"rTRC", GammaTag(2.2)},
                              {"gTRC", GammaTag(2.2)},
                              {"bTRC", GammaTag(2.2)},
                              {"wtpt", XyzTag(kD65[0], kD65[1], kD65[2])}};
  EXPECT_EQ(Load("zero.icc", MakeIccProfile("mntr", "RGB ", "XYZ ", zero)), -7);
  // So is a white of zero, and coefficients that do not fit 16.16.
  tags = pk::test::SrgbColorants();
  for (const char* c : {"rTRC", "gTRC", "bTRC"}) tags.push_back({c, GammaTag(2.2)});
  tags.push_back({"wtpt", XyzTag(0, 0, 0)});
  EXPECT_EQ(Load("white.icc", MakeIccProfile("mntr", "RGB ", "XYZ ", tags)), -7);
  tags.back() = {"wtpt", XyzTag(kD65[0], kD65[1], kD65[2])};
  tags[0] = {"rXYZ", XyzTag(1, 0.2225, 0.0139)};
  tags[1] = {"gXYZ", XyzTag(-65535 / 65536.0, 0.7169, 0.0971)};
  tags[2] = {"bXYZ", XyzTag(0, 0.0606, 0.7141)};
  EXPECT_EQ(Load("wide.icc", MakeIccProfile("mntr", "RGB ", "XYZ ", tags)), -7);
  EXPECT_EQ(t_.mode, kTransformNone);
}

TEST_F(TransformTest, ScannerTables) {
  ASSERT_EQ(Load("lut.icc", ScannerProfile(Lut16Tag(5, 2, 2))), 0);
  EXPECT_EQ(t_.mode, kTransformTable);
  ASSERT_NE(t_.table, nullptr);
  EXPECT_EQ(GlobalSize(GlobalHandle(t_.table)), kTableBytes);
  const auto out = Apply({255, 255, 255, 0, 0, 0, 0, 0, 255});
  for (int c = 0; c < 3; ++c) EXPECT_GE(out[c], 250) << c;
  for (int c = 3; c < 6; ++c) EXPECT_LE(out[c], 2) << c;
  EXPECT_GT(out[8], 200);  // red stays red
  EXPECT_LT(out[6], 60);

  // A table that declares more than it holds, no grid or no entries counts
  // as missing: without curves and colorants nothing is left (-7).
  const auto full = Lut16Tag(5, 2, 2);
  const struct {
    const char* name;
    std::vector<uint8_t> tag;
  } missing[] = {{"grid 0", Lut16Tag(0, 2, 2)},
                 {"no input entries", Lut16Tag(5, 0, 2)},
                 {"no output entries", Lut16Tag(5, 2, 0)},
                 {"cut grid", Lut16Tag(5, 2, 2, full.size() - 20)},
                 {"header only", Lut16Tag(5, 2, 2, 52)}};
  for (const auto& c : missing) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Load("bad.icc", ScannerProfile(c.tag)), -7);
    EXPECT_EQ(t_.table, nullptr);
  }
  // Another type of "A2B0" is as if there were none: the matrix tags build.
  auto other = full;
  std::memcpy(other.data(), "mAB ", 4);
  std::vector<IccTag> tags = pk::test::SrgbColorants();
  for (const char* c : {"rTRC", "gTRC", "bTRC"}) tags.push_back({c, GammaTag(2.2)});
  tags.push_back({"wtpt", XyzTag(kD65[0], kD65[1], kD65[2])});
  tags.push_back({"A2B0", other});
  EXPECT_EQ(Load("mab.icc", MakeIccProfile("scnr", "RGB ", "XYZ ", tags)), 0);
  EXPECT_EQ(t_.mode, kTransformMatrix);
  // No memory for the table.
  pk::seams::FailAllocationsFrom(kTableBytes);
  EXPECT_EQ(Load("lut.icc", ScannerProfile(full)), -8);
}

// A lut8 "A2B0" (XYZ PCS, node 128 standing for 1.0): a 2-point grid of the
// sRGB colorants' corners.
TEST_F(TransformTest, ScannerLut8) {
  std::vector<uint8_t> t = {'m', 'f', 't', '1', 0, 0, 0, 0, 3, 3, 2, 0};
  t.resize(48, 0);
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i) t.push_back(uint8_t(i));
  const double colorants[3][3] = {{0.4361, 0.3851, 0.1431}, {0.2225, 0.7169, 0.0606}, {0.0139, 0.0971, 0.7141}};
  for (int r = 0; r < 2; ++r)
    for (int g = 0; g < 2; ++g)
      for (int b = 0; b < 2; ++b)
        for (int row = 0; row < 3; ++row)
          t.push_back(
              uint8_t(std::lround(128 * (colorants[row][0] * r + colorants[row][1] * g + colorants[row][2] * b))));
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i) t.push_back(uint8_t(i));
  ASSERT_EQ(Load("lut8.icc", ScannerProfile(t)), 0);
  EXPECT_EQ(t_.mode, kTransformTable);
  // Input tables of 8 bits reach 255 x 256 at most.
  EXPECT_EQ(t_.curve[0][255], 255 * 256);
  const auto out = Apply({0, 0, 0, 255, 255, 255});
  for (int c = 0; c < 3; ++c) EXPECT_LE(out[c], 2);
  for (int c = 3; c < 6; ++c) EXPECT_GE(out[c], 245);
  // One byte short of its output tables: missing.
  t.pop_back();
  EXPECT_EQ(Load("lut8.icc", ScannerProfile(t)), -7);
}

#ifdef PK_HAVE_LCMS2
// A lut16 "A2B0" with Lab PCS written by Little CMS from a pipeline.
std::vector<uint8_t> LcmsScannerProfile() {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
  cmsHPROFILE p = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(p, 2.1);
  cmsSetDeviceClass(p, cmsSigInputClass);
  cmsSetColorSpace(p, cmsSigRgbData);
  cmsSetPCS(p, cmsSigLabData);
  cmsPipeline* pipe = cmsPipelineAlloc(nullptr, 3, 3);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
  cmsStageSampleCLut16bit(
      clut,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
        cmsUInt16Number lab4[3];
        cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), in, lab4, 1);
        // v2 Lab encoding: L 0xFF00 at 100, a and b 0x8000 at 0.
        std::memcpy(out, lab4, sizeof lab4);
        return 1;
      },
      toLab, 0);
  cmsPipelineInsertStage(pipe, cmsAT_END, clut);
  cmsWriteTag(p, cmsSigAToB0Tag, pipe);
  cmsCIEXYZ white = {0.9505, 1.0, 1.089};
  cmsWriteTag(p, cmsSigMediaWhitePointTag, &white);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(p, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(p, bytes.data(), &size);
  cmsPipelineFree(pipe);
  cmsDeleteTransform(toLab);
  cmsCloseProfile(p);
  cmsCloseProfile(lab);
  cmsCloseProfile(srgb);
  return bytes;
}

TEST_F(TransformTest, LcmsLut16WithLabPcs) {
  const auto bytes = LcmsScannerProfile();
  // Little CMS wrote the table as a lut16.
  ASSERT_NE(std::search(bytes.begin(), bytes.end(), std::begin("mft2"), std::end("mft2") - 1), bytes.end());
  ASSERT_EQ(Load("lcms.icc", bytes), 0);
  EXPECT_EQ(t_.mode, kTransformTable);
  EXPECT_EQ(GlobalSize(GlobalHandle(t_.table)), 29478u);
  // An sRGB-to-Lab table comes back near the sRGB values.
  std::mt19937 rng(5);
  int worst = 0;
  double total = 0;
  for (int i = 0; i < 200; ++i) {
    const std::vector<BYTE> in = {BYTE(rng()), BYTE(rng()), BYTE(rng())};
    const auto out = Apply(in);
    for (int c = 0; c < 3; ++c) {
      worst = std::max(worst, std::abs(out[c] - in[c]));
      total += std::abs(out[c] - in[c]);
    }
  }
  EXPECT_LE(worst, 64);
  EXPECT_LE(total / 600, 6.0);
  // Greys stay near grey.
  for (int g = 0; g < 256; g += 15) {
    const auto out = Apply({BYTE(g), BYTE(g), BYTE(g)});
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c], g, 6) << g;
  }
}

// The real profiles of colord-data.
class RealProfileTest : public TransformTest {
 protected:
  void SetUp() override {
    TransformTest::SetUp();
    if (!std::filesystem::exists(std::string(kColordFolder) + "sRGB.icc")) GTEST_SKIP() << "colord-data missing";
  }
};

TEST_F(RealProfileTest, SrgbIsNearIdentity) {
  ASSERT_EQ(LoadProfileTransform(&t_, (std::string(kColordFolder) + "sRGB.icc").c_str()), 0);
  for (int g = 0; g < 256; ++g) {
    const auto out = Apply({BYTE(g), BYTE(g), BYTE(g)});
    for (int c = 0; c < 3; ++c) ASSERT_NEAR(out[c], g, 2) << g;
  }
  // Colours: the engine adapts the profile's D50 colorants back to D65 in
  // its own cone basis, not in the Bradford one the profile was made with,
  // which leaves a few levels on saturated colours.
  std::mt19937 rng(11);
  int worst = 0;
  double total = 0;
  for (int i = 0; i < 512; ++i) {
    const std::vector<BYTE> in = {BYTE(rng()), BYTE(rng()), BYTE(rng())};
    const auto out = Apply(in);
    for (int c = 0; c < 3; ++c) {
      worst = std::max(worst, std::abs(out[c] - in[c]));
      total += std::abs(out[c] - in[c]);
    }
  }
  EXPECT_LE(worst, kSrgbWorst);
  EXPECT_LE(total / 1536, kSrgbMean);
}

TEST_F(RealProfileTest, WideGamutAgreesWithLcms) {
  const std::string path = std::string(kColordFolder) + "WideGamutRGB.icc";
  ASSERT_EQ(LoadProfileTransform(&t_, path.c_str()), 0);
  EXPECT_EQ(t_.mode, kTransformMatrix);
  cmsHPROFILE wide = cmsOpenProfileFromFile(path.c_str(), "r");
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM x = cmsCreateTransform(wide, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  ASSERT_NE(x, nullptr);
  std::mt19937 rng(23);
  int compared = 0, worst = 0;
  double total = 0;
  while (compared < 512) {
    const std::vector<BYTE> in = {BYTE(rng()), BYTE(rng()), BYTE(rng())};
    BYTE ref[3];
    cmsDoTransform(x, in.data(), ref, 1);
    if (*std::min_element(ref, ref + 3) < 5 || *std::max_element(ref, ref + 3) > 250) continue;
    const auto out = Apply(in);
    for (int c = 0; c < 3; ++c) {
      worst = std::max(worst, std::abs(out[c] - ref[c]));
      total += std::abs(out[c] - ref[c]);
    }
    ++compared;
  }
  EXPECT_LE(worst, kWideWorst);
  EXPECT_LE(total / 1536, kWideMean);
  cmsDeleteTransform(x);
  cmsCloseProfile(srgb);
  cmsCloseProfile(wide);
}
#endif

}  // namespace
