// The driver's colour engine (ApplyTransform) over a 4000 x 3000 image of
// random blue-green-red pixels, row by row, beside Little CMS's
// cmsDoTransform from the same profile to its built-in sRGB (8-bit RGB,
// relative colorimetric) in the same run: a matrix profile (wide-gamut
// primaries, gamma 2.2) in matrix mode, and a scanner profile with a lut16
// table in table mode. Each benchmark's counter "x_peer" is our time over
// the peer's (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_pair.h"
#include "graphics_driver/core/color_transform.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

const std::vector<uint8_t>& Image() {
  static const std::vector<uint8_t> image = [] {
    std::vector<uint8_t> bytes(size_t(kWidth) * kHeight * 3);
    std::mt19937 rng(47);
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
      const uint32_t v = uint32_t(rng());
      std::memcpy(&bytes[i], &v, 4);
    }
    return bytes;
  }();
  return image;
}

// Saves a profile as version 2 into a file; the path.
std::string Save(cmsHPROFILE p, const char* name) {
  cmsSetProfileVersion(p, 2.1);
  const std::string path = std::string("/tmp/") + name;
  cmsSaveProfileToFile(p, path.c_str());
  return path;
}

std::string MatrixProfile() {
  const cmsCIExyYTRIPLE wide = {{0.7347, 0.2653, 1.0}, {0.1152, 0.8264, 1.0}, {0.1566, 0.0177, 1.0}};
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE p = cmsCreateRGBProfile(&white, &wide, curves);
  cmsFreeToneCurve(gamma);
  const std::string path = Save(p, "icc_transform_bench_matrix.icc");
  cmsCloseProfile(p);
  return path;
}

// A scanner profile whose lut16 "A2B0" takes sRGB to Lab.
std::string TableProfile() {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
  cmsHPROFILE p = cmsCreateProfilePlaceholder(nullptr);
  cmsSetDeviceClass(p, cmsSigInputClass);
  cmsSetColorSpace(p, cmsSigRgbData);
  cmsSetPCS(p, cmsSigLabData);
  cmsPipeline* pipe = cmsPipelineAlloc(nullptr, 3, 3);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
  cmsStageSampleCLut16bit(
      clut,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
        cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), in, out, 1);
        return 1;
      },
      toLab, 0);
  cmsPipelineInsertStage(pipe, cmsAT_END, clut);
  cmsWriteTag(p, cmsSigAToB0Tag, pipe);
  cmsCIEXYZ white = {0.9505, 1.0, 1.089};
  cmsWriteTag(p, cmsSigMediaWhitePointTag, &white);
  const std::string path = Save(p, "icc_transform_bench_table.icc");
  cmsPipelineFree(pipe);
  cmsDeleteTransform(toLab);
  cmsCloseProfile(p);
  cmsCloseProfile(lab);
  cmsCloseProfile(srgb);
  return path;
}

void Pair(benchmark::State& state, const std::string& path, int32_t mode) {
  const std::vector<uint8_t>& image = Image();
  ColorTransform t{};
  if (LoadProfileTransform(&t, path.c_str()) != 0 || t.mode != mode) {
    state.SkipWithError("the profile does not load in the expected mode");
    return;
  }
  cmsHPROFILE source = cmsOpenProfileFromFile(path.c_str(), "r");
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM peer = cmsCreateTransform(source, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  std::vector<uint8_t> row(size_t(kWidth) * 3);
  run_pair(
      state,
      [&] {
        for (int y = 0; y < kHeight; ++y) {
          ApplyTransform(&t, image.data() + size_t(y) * kWidth * 3, row.data(), kWidth);
          benchmark::DoNotOptimize(row.data());
        }
      },
      [&] {
        for (int y = 0; y < kHeight; ++y) {
          cmsDoTransform(peer, image.data() + size_t(y) * kWidth * 3, row.data(), kWidth);
          benchmark::DoNotOptimize(row.data());
        }
      });
  cmsDeleteTransform(peer);
  cmsCloseProfile(srgb);
  cmsCloseProfile(source);
  FreeTransform(&t);
}

void BM_MatrixMode(benchmark::State& state) { Pair(state, MatrixProfile(), kTransformMatrix); }
void BM_TableMode(benchmark::State& state) { Pair(state, TableProfile(), kTransformTable); }

BENCHMARK(BM_MatrixMode)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TableMode)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
