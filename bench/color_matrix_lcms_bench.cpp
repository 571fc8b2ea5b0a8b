// Matrix and lookup-table nodes on an A4 RGB page at 600 dpi (4960 x 7016),
// held in memory and pulled line by line, beside Little CMS on the same
// pixels in the same run, also line by line: 8-bit 3 -> 3 and 3 -> 1 matrix
// nodes against a transform between linear-curve RGB profiles (and to a
// linear gray profile), which lcms runs on its matrix-shaper path; 8- and
// 16-bit three-channel table nodes against a linearization device link of
// the same curve. Each benchmark's counter "x_peer" is our time over the
// peer's (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/color/rst_matrix.h"
#include "raster/color/rst_transform_color_lut.h"
#include "raster/color/rst_transform_color_matrix.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"

namespace {

constexpr int32_t kWidth = 4960, kHeight = 7016;

// Random RGB samples of the given depth, rows back to back.
std::vector<uint8_t> make_page(int bits) {
  std::vector<uint8_t> bytes(size_t(kWidth) * kHeight * 3 * size_t(bits / 8));
  std::mt19937 rng(bits);
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    uint32_t v = uint32_t(rng());
    std::memcpy(&bytes[i], &v, 4);
  }
  return bytes;
}

RstRead* raw_source(const std::vector<uint8_t>& page, int32_t bits) {
  RstHeader h;
  h.width = kWidth;
  h.height = kHeight;
  h.bits_per_sample = bits;
  h.samples_per_pixel = 3;
  h.color_type = RstColorType::s_rgb();
  return RstReadRawFromByteArray::create(page.data(), h, kWidth * 3 * bits / 8, false, false);
}

// The peer's transform over every row, one row per call.
void lcms_rows(cmsHTRANSFORM t, const std::vector<uint8_t>& page, int bytes_in, int bytes_out) {
  std::vector<uint8_t> line(size_t(kWidth) * size_t(bytes_out));
  for (int32_t y = 0; y < kHeight; ++y) {
    cmsDoTransform(t, page.data() + size_t(y) * kWidth * size_t(bytes_in), line.data(), kWidth);
    benchmark::DoNotOptimize(line.data());
  }
}

cmsHPROFILE linear_rgb(const cmsCIExyYTRIPLE& primaries) {
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve* curves[3] = {linear, linear, linear};
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(linear);
  return p;
}

const cmsCIExyYTRIPLE kSrgb = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
const cmsCIExyYTRIPLE kWide = {{0.7347, 0.2653, 1.0}, {0.1152, 0.8264, 1.0}, {0.1566, 0.0177, 1.0}};

RstMatrix<double> matrix(uint32_t rows, std::vector<double> e) { return RstMatrix<double>(rows, 3, e.data(), false); }

void BM_Matrix3To3(benchmark::State& state) {
  static std::vector<uint8_t> page = make_page(8);
  cmsHPROFILE a = linear_rgb(kSrgb), b = linear_rgb(kWide);
  cmsHTRANSFORM t = cmsCreateTransform(a, TYPE_RGB_8, b, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  RstMatrix<double> m = matrix(3, {0.6274, 0.3293, 0.0433, 0.0691, 0.9195, 0.0114, 0.0164, 0.0880, 0.8956});
  run_pair(
      state, [&] { pull_all(RstTransformColorMatrix::create(raw_source(page, 8), m, nullptr)); },
      [&] { lcms_rows(t, page, 3, 3); });
  cmsDeleteTransform(t);
  cmsCloseProfile(a);
  cmsCloseProfile(b);
}

void BM_Matrix3To1(benchmark::State& state) {
  static std::vector<uint8_t> page = make_page(8);
  cmsHPROFILE a = linear_rgb(kSrgb);
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsHPROFILE gray = cmsCreateGrayProfile(cmsD50_xyY(), linear);
  cmsFreeToneCurve(linear);
  cmsHTRANSFORM t = cmsCreateTransform(a, TYPE_RGB_8, gray, TYPE_GRAY_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  RstMatrix<double> m = matrix(1, {0.2126, 0.7152, 0.0722});
  run_pair(
      state, [&] { pull_all(RstTransformColorMatrix::create(raw_source(page, 8), m, RstColorType::s_gray())); },
      [&] { lcms_rows(t, page, 3, 1); });
  cmsDeleteTransform(t);
  cmsCloseProfile(a);
  cmsCloseProfile(gray);
}

template <class V>
void lut_pair(benchmark::State& state, int bits) {
  static std::vector<uint8_t> page8 = make_page(8), page16 = make_page(16);
  const std::vector<uint8_t>& page = bits == 8 ? page8 : page16;
  const uint32_t entries = bits == 8 ? 256 : 65536;
  const double max = entries - 1;
  std::vector<V> table(3 * size_t(entries));
  for (uint32_t c = 0; c < 3; ++c)
    for (uint32_t v = 0; v < entries; ++v) table[c * entries + v] = V(std::pow(v / max, 2.2) * max + 0.5);
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE link = cmsCreateLinearizationDeviceLink(cmsSigRgbData, curves);
  cmsUInt32Number type = bits == 8 ? TYPE_RGB_8 : TYPE_RGB_16;
  cmsHTRANSFORM t = cmsCreateTransform(link, type, nullptr, type, INTENT_PERCEPTUAL, 0);
  run_pair(
      state, [&] { pull_all(RstTransformColorLUT::create(raw_source(page, bits), table.data(), nullptr)); },
      [&] { lcms_rows(t, page, 3 * bits / 8, 3 * bits / 8); });
  cmsDeleteTransform(t);
  cmsCloseProfile(link);
  cmsFreeToneCurve(curve);
}

void BM_Table8(benchmark::State& state) { lut_pair<uint8_t>(state, 8); }
void BM_Table16(benchmark::State& state) { lut_pair<uint16_t>(state, 16); }

}  // namespace

BENCHMARK(BM_Matrix3To3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Matrix3To1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Table8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Table16)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
