// Convolution, binarization, plane merging and selection by mask, pulled line
// by line through our nodes, beside Leptonica on the same pixels in the same
// run: a 3 x 3 kernel on an A4 600-dpi gray page (pixConvolve) and an A4
// 300-dpi RGB page (pixConvolveRGB); Floyd-Steinberg diffusion
// (pixDitherToBinary) and a fixed threshold (pixThresholdToBinary) on the
// gray page; three gray planes of the RGB page merged (pixCreateRGBImage);
// the gray page's pixels taken from a second page under a 1-bit mask
// (pixCombineMasked, on a copy of the base so that each run starts alike).
// Each benchmark's counter "x_peer" is our time over the peer's (below 1:
// ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_convert_bits8_to1.h"
#include "raster/geometry/rst_convolution_filter.h"
#include "raster/geometry/rst_merge_8bit_planes.h"
#include "raster/geometry/rst_select_plane_mask.h"

namespace {

// Packed rows of ours and the same pixels as a Leptonica PIX.
struct Page {
  int32_t width = 0, height = 0, bits = 8, samples = 1, stride = 0;
  std::vector<uint8_t> bytes;
  PIX* pix = nullptr;
};

// Smooth gray with noise, like a scanned photo, so that diffusion and
// thresholds see every level.
Page gray_page(int32_t w, int32_t h, uint32_t seed) {
  Page p{w, h, 8, 1, w, std::vector<uint8_t>(size_t(w) * size_t(h)), nullptr};
  std::mt19937 rng(seed);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      p.bytes[size_t(y) * size_t(w) + size_t(x)] = uint8_t(((x / 8 + y / 16) & 0xFF) ^ (rng() & 0x1F));
  p.pix = pixCreate(w, h, 8);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      SET_DATA_BYTE(data + size_t(y) * wpl, x, p.bytes[size_t(y) * size_t(w) + size_t(x)]);
  return p;
}

Page rgb_page(int32_t w, int32_t h) {
  Page p{w, h, 8, 3, w * 3, std::vector<uint8_t>(size_t(w) * size_t(h) * 3), nullptr};
  std::mt19937 rng(3);
  for (uint8_t& b : p.bytes) b = uint8_t(rng());
  p.pix = pixCreate(w, h, 32);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = p.bytes.data() + size_t(y) * size_t(p.stride);
    for (int32_t x = 0; x < w; ++x)
      composeRGBPixel(in[3 * x], in[3 * x + 1], in[3 * x + 2], data + size_t(y) * wpl + x);
  }
  return p;
}

Page mask_page(int32_t w, int32_t h) {
  Page p{w, h, 1, 1, (w + 7) / 8, {}, nullptr};
  p.bytes.resize(size_t(p.stride) * size_t(h));
  std::mt19937 rng(5);
  // Whole bytes of 0 and 255 as in text masks, a few mixed ones.
  for (uint8_t& b : p.bytes) {
    uint32_t r = rng() % 8;
    b = r < 4 ? 0x00 : r < 7 ? 0xFF : uint8_t(rng());
  }
  p.pix = pixCreate(w, h, 1);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t i = 0; i < p.stride; ++i) SET_DATA_BYTE(data + size_t(y) * wpl, i, p.bytes[size_t(y) * p.stride + i]);
  return p;
}

RstRead* raw_source(const Page& p) {
  RstHeader h;
  h.width = p.width;
  h.height = p.height;
  h.bits_per_sample = p.bits;
  h.samples_per_pixel = p.samples;
  h.color_type = p.samples == 3 ? RstColorType::s_rgb() : RstColorType::s_gray();
  return RstReadRawFromByteArray::create(p.bytes.data(), h, p.stride, false, false);
}

const Page& gray600() {
  static Page p = gray_page(4960, 7016, 1);
  return p;
}
const Page& gray600_other() {
  static Page p = gray_page(4960, 7016, 2);
  return p;
}
const Page& rgb300() {
  static Page p = rgb_page(2480, 3508);
  return p;
}

// A 3 x 3 low-pass kernel of ours and Leptonica's.
const int32_t kWeights[9] = {256, 512, 256, 512, 1024, 512, 256, 512, 256};

RstKernel our_kernel() {
  RstKernel k;
  k.set(3, 3, 1, 1, kWeights);
  return k;
}

L_KERNEL* lept_kernel() {
  L_KERNEL* k = kernelCreate(3, 3);
  kernelSetOrigin(k, 1, 1);
  for (int32_t i = 0; i < 9; ++i) kernelSetElement(k, i / 3, i % 3, float(kWeights[i]) / 4096);
  return k;
}

void BM_Convolve3x3_Gray600(benchmark::State& state) {
  const Page& p = gray600();
  RstKernel k = our_kernel();
  L_KERNEL* lk = lept_kernel();
  run_pair(
      state, [&] { pull_all(RstConvolutionFilter::create(raw_source(p), k, false)); },
      [&] {
        PIX* out = pixConvolve(p.pix, lk, 8, 0);
        pixDestroy(&out);
      });
  kernelDestroy(&lk);
}

void BM_Convolve3x3_Rgb300(benchmark::State& state) {
  const Page& p = rgb300();
  RstKernel k = our_kernel();
  L_KERNEL* lk = lept_kernel();
  run_pair(
      state, [&] { pull_all(RstConvolutionFilter::create(raw_source(p), k, false)); },
      [&] {
        PIX* out = pixConvolveRGB(p.pix, lk);
        pixDestroy(&out);
      });
  kernelDestroy(&lk);
}

void BM_ErrorDiffusion_Gray600(benchmark::State& state) {
  const Page& p = gray600();
  run_pair(
      state, [&] { pull_all(RstConvertBits8To1EDType1::create(raw_source(p))); },
      [&] {
        PIX* out = pixDitherToBinary(p.pix);
        pixDestroy(&out);
      });
}

void BM_Threshold_Gray600(benchmark::State& state) {
  const Page& p = gray600();
  run_pair(
      state, [&] { pull_all(RstConvertBits8To1Threshold::create(raw_source(p), 127)); },
      [&] {
        PIX* out = pixThresholdToBinary(p.pix, 128);
        pixDestroy(&out);
      });
}

void BM_MergeThreePlanes_Rgb300(benchmark::State& state) {
  const Page& rgb = rgb300();
  static std::vector<Page> planes = [&] {
    std::vector<Page> v;
    for (uint32_t s = 0; s < 3; ++s) v.push_back(gray_page(rgb.width, rgb.height, 10 + s));
    return v;
  }();
  run_pair(
      state,
      [&] {
        pull_all(RstMerge8bitPlanes::create({raw_source(planes[0]), raw_source(planes[1]), raw_source(planes[2])},
                                            RstColorType::s_rgb()));
      },
      [&] {
        PIX* out = pixCreateRGBImage(planes[0].pix, planes[1].pix, planes[2].pix);
        pixDestroy(&out);
      });
}

void BM_SelectUnderMask1_Gray600(benchmark::State& state) {
  const Page& base = gray600();
  const Page& top = gray600_other();
  static Page mask = mask_page(base.width, base.height);
  run_pair(
      state,
      [&] {
        pull_all(RstSelectPlaneMask::create({raw_source(mask), raw_source(base), raw_source(top)}));
      },
      [&] {
        PIX* out = pixCopy(nullptr, base.pix);
        pixCombineMasked(out, top.pix, mask.pix);
        pixDestroy(&out);
      });
}

BENCHMARK(BM_Convolve3x3_Gray600)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convolve3x3_Rgb300)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ErrorDiffusion_Gray600)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Threshold_Gray600)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeThreePlanes_Rgb300)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectUnderMask1_Gray600)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
