// sRGB <-> Lab on an A4 page at 600 dpi (4960 x 7016), held in memory and
// pulled line by line, beside Little CMS on the same pixels: sRGB to icc_lab
// and itu_lab (the four-step chains), icc_lab to sRGB (the inverse chain) and
// itu_lab to sRGB (the 17^3 table stage) against the sRGB profile to and from
// a Lab profile (TYPE_RGB_8 <-> TYPE_Lab_8). "x_peer" is our time over
// the peer's (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/color/rst_transform_color_lab.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"

namespace {

constexpr int32_t kWidth = 4960, kHeight = 7016;

std::vector<uint8_t> make_page() {
  std::vector<uint8_t> bytes(size_t(kWidth) * kHeight * 3);
  std::mt19937 rng(7);
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    uint32_t v = uint32_t(rng());
    std::memcpy(&bytes[i], &v, 4);
  }
  return bytes;
}

RstRead* raw_source(const std::vector<uint8_t>& page, RstColorType* type) {
  RstHeader h;
  h.width = kWidth;
  h.height = kHeight;
  h.bits_per_sample = 8;
  h.samples_per_pixel = 3;
  h.color_type = type;
  return RstReadRawFromByteArray::create(page.data(), h, kWidth * 3, false, false);
}

void lcms_rows(cmsHTRANSFORM t, const std::vector<uint8_t>& page) {
  std::vector<uint8_t> line(size_t(kWidth) * 3);
  for (int32_t y = 0; y < kHeight; ++y) {
    cmsDoTransform(t, page.data() + size_t(y) * kWidth * 3, line.data(), kWidth);
    benchmark::DoNotOptimize(line.data());
  }
}

// itu: the default-range encoding through the dispatcher's routes.
void lab_pair(benchmark::State& state, bool to_lab, bool itu = false) {
  static std::vector<uint8_t> page = make_page();
  cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM t = to_lab ? cmsCreateTransform(srgb, TYPE_RGB_8, lab, TYPE_Lab_8, INTENT_RELATIVE_COLORIMETRIC, 0)
                           : cmsCreateTransform(lab, TYPE_Lab_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  run_pair(
      state,
      [&] {
        if (itu)
          pull_all(
              RstTransformColorTo::create(raw_source(page, to_lab ? RstColorType::s_rgb() : RstColorType::itu_lab()),
                                          to_lab ? RstColorType::itu_lab() : RstColorType::s_rgb()));
        else if (to_lab)
          pull_all(
              RstTransformColorSRGBToITULAB::create(raw_source(page, RstColorType::s_rgb()), RstColorType::icc_lab()));
        else
          pull_all(
              RstTransformColorITULABToSRGB::create(raw_source(page, RstColorType::icc_lab()), RstColorType::s_rgb()));
      },
      [&] { lcms_rows(t, page); });
  cmsDeleteTransform(t);
  cmsCloseProfile(srgb);
  cmsCloseProfile(lab);
}

void BM_SRGBToIccLab(benchmark::State& state) { lab_pair(state, true); }
void BM_IccLabToSRGB(benchmark::State& state) { lab_pair(state, false); }
void BM_SRGBToItuLab(benchmark::State& state) { lab_pair(state, true, true); }
void BM_ItuLabToSRGB(benchmark::State& state) { lab_pair(state, false, true); }

}  // namespace

BENCHMARK(BM_SRGBToIccLab)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IccLabToSRGB)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SRGBToItuLab)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ItuLabToSRGB)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
