// The masked copy and masked scaling beside Leptonica on the same pages in
// the same run. Masked copy: an A4 600-dpi gray and RGB page (4960 x 7016)
// under a text-like 1-bit mask at x = 3, against pixCombineMaskedGeneral.
// Masked scaling: an A4 150-dpi layer (1240 x 1754) to 300 dpi under a
// 300-dpi mask in modes 0 and 1, against pixScaleColorLI and pixScaleGrayLI
// by 2 without a mask (the cost of plain interpolation). Each benchmark's
// counter "x_peer" is our time over the peer's (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/color/rst_color_creators.h"
#include "raster/geometry/rst_pixel_conditional.h"
#include "raster/geometry/rst_scale_mask_ref.h"

namespace {

struct Plane {
  RstHeader header;
  int32_t stride = 0;
  std::vector<uint8_t> bytes;
  PIX* pix = nullptr;
};

RstHeader header_of(int32_t w, int32_t h, int32_t bits, int32_t samples) {
  RstHeader hd;
  hd.width = w;
  hd.height = h;
  hd.bits_per_sample = bits;
  hd.samples_per_pixel = samples;
  hd.color_type = bits == 1      ? RstColorType::s_gray_reverse()
                  : samples == 1 ? RstColorType::s_gray()
                                 : RstColorType::s_rgb();
  return hd;
}

// Smooth random tones (RGB for 3 samples), with the Leptonica image of them.
Plane tones(int32_t w, int32_t h, int32_t samples, uint32_t seed) {
  Plane p{header_of(w, h, 8, samples), w * samples, {}, nullptr};
  p.bytes.resize(size_t(p.stride) * size_t(h));
  std::mt19937 rng(seed);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t i = 0; i < p.stride; ++i)
      p.bytes[size_t(y) * size_t(p.stride) + size_t(i)] = uint8_t((i + y) / 7 + rng() % 16);
  p.pix = pixCreate(w, h, samples == 1 ? 8 : 32);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = p.bytes.data() + size_t(y) * size_t(p.stride);
    l_uint32* line = data + size_t(y) * size_t(wpl);
    for (int32_t x = 0; x < w; ++x) {
      if (samples == 1) SET_DATA_BYTE(line, x, row[x]);
      else composeRGBPixel(row[3 * x], row[3 * x + 1], row[3 * x + 2], line + x);
    }
  }
  return p;
}

// A text-like bilevel mask: rows of short strokes in lines of text.
Plane text_mask(int32_t w, int32_t h, uint32_t seed) {
  Plane p{header_of(w, h, 1, 1), (w + 7) / 8, {}, nullptr};
  p.bytes.assign(size_t(p.stride) * size_t(h), 0);
  std::mt19937 rng(seed);
  for (int32_t y = 0; y < h; ++y) {
    if ((y / 50) % 2 == 1) continue;
    uint8_t* row = p.bytes.data() + size_t(y) * size_t(p.stride);
    for (int32_t x = int32_t(rng() % 20); x < w - 8; x += 8 + int32_t(rng() % 30))
      for (int32_t k = x; k < x + 2 + int32_t(rng() % 6); ++k) row[k >> 3] |= uint8_t(0x80 >> (k & 7));
  }
  p.pix = pixCreate(w, h, 1);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t i = 0; i < p.stride; ++i)
      SET_DATA_BYTE(data + size_t(y) * size_t(wpl), i, p.bytes[size_t(y) * size_t(p.stride) + size_t(i)]);
  return p;
}

RstRead* source(const Plane& p) {
  return RstReadRawFromByteArray::create(p.bytes.data(), p.header, p.stride, false, false);
}

struct CopyPages {
  Plane d, s, m;
};

const CopyPages& copy_pages(int32_t samples) {
  static CopyPages gray{tones(4960, 7016, 1, 1), tones(4957, 7016, 1, 2), text_mask(4957, 7016, 3)};
  static CopyPages rgb{tones(4960, 7016, 3, 4), tones(4957, 7016, 3, 5), text_mask(4957, 7016, 6)};
  return samples == 1 ? gray : rgb;
}

void BM_MaskedCopy(benchmark::State& state) {
  rst_register_color_creators();
  const CopyPages& p = copy_pages(int32_t(state.range(0)));
  run_pair(
      state,
      [&] {
        RstPixelConditionalOPCommand<RstPixelOperator::Opaque> command;
        pull_all(RstPixelConditionalOperation::create(source(p.d), source(p.m), source(p.s), command, 3, 0));
      },
      [&] { pixCombineMaskedGeneral(p.d.pix, p.s.pix, p.m.pix, 3, 0); });
}
BENCHMARK(BM_MaskedCopy)->Arg(1)->Arg(3)->UseManualTime()->Unit(benchmark::kMillisecond);

struct ScalePages {
  Plane layer, mask;
};

const ScalePages& scale_pages(int32_t samples) {
  static ScalePages gray{tones(1240, 1754, 1, 7), text_mask(2480, 3508, 8)};
  static ScalePages rgb{tones(1240, 1754, 3, 9), text_mask(2480, 3508, 10)};
  return samples == 1 ? gray : rgb;
}

// state.range(0): samples; range(1): mode.
void BM_MaskedScale(benchmark::State& state) {
  rst_register_color_creators();
  const ScalePages& p = scale_pages(int32_t(state.range(0)));
  int mode = int(state.range(1));
  run_pair(
      state, [&] { pull_all(RstScaleMaskRef::create(source(p.layer), source(p.mask), mode)); },
      [&] {
        PIX* out = state.range(0) == 1 ? pixScaleGrayLI(p.layer.pix, 2, 2) : pixScaleColorLI(p.layer.pix, 2, 2);
        pixDestroy(&out);
      });
}
BENCHMARK(BM_MaskedScale)
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({3, 0})
    ->Args({3, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
