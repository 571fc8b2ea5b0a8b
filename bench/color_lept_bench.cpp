// Pixel expansion and inversion on an A4 page at 600 dpi (4960 x 7016), held
// in memory and pulled line by line through our nodes, beside Leptonica on
// the same pixels in the same run: 1 -> 8 bits (pixConvert1To8), 4 -> 8 bits
// (pixConvert4To8), 8-bit index -> RGB (pixRemoveColormap) and inversion
// (pixInvert). RGB -> BGR and run-line decoding run beside a plain per-pixel
// loop. Each benchmark's counter "x_peer" is our time over the peer's
// (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/color/rst_apply_colormap.h"
#include "raster/color/rst_convert_bits.h"
#include "raster/color/rst_reverse_channel.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_pixel_not.h"

namespace {

constexpr int32_t kWidth = 4960, kHeight = 7016;

// A Leptonica page of depth d and the same pixels as packed rows of ours.
struct Page {
  PIX* pix = nullptr;
  std::vector<uint8_t> bytes;
  int32_t stride = 0;
};

Page make_page(int depth, bool colormap = false) {
  Page p;
  p.pix = pixCreate(kWidth, kHeight, depth);
  std::mt19937 rng(depth);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  if (depth == 1) {
    // Text-like rows: runs of white with short black strokes.
    for (int32_t y = 0; y < kHeight; ++y) {
      l_uint32* line = data + size_t(y) * size_t(wpl);
      for (int32_t x = int32_t(rng() % 40); x < kWidth; x += 10 + int32_t(rng() % 60)) {
        int32_t len = 1 + int32_t(rng() % 12);
        for (int32_t k = x; k < x + len && k < kWidth; ++k) line[k >> 5] |= 0x80000000u >> (k & 31);
      }
    }
  } else {
    for (size_t i = 0; i < size_t(wpl) * kHeight; ++i) data[i] = l_uint32(rng());
  }
  if (colormap) pixSetColormap(p.pix, pixcmapCreateRandom(8, 0, 0));
  p.stride = (kWidth * depth + 7) / 8;
  p.bytes.resize(size_t(p.stride) * kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    l_uint32* line = data + size_t(y) * size_t(wpl);
    for (int32_t i = 0; i < p.stride; ++i) p.bytes[size_t(y) * p.stride + i] = uint8_t(GET_DATA_BYTE(line, i));
  }
  return p;
}

RstRead* raw_source(const Page& p, int32_t bits, int32_t spp = 1) {
  RstHeader h;
  h.width = kWidth;
  h.height = kHeight;
  h.bits_per_sample = bits;
  h.samples_per_pixel = spp;
  h.color_type = RstColorType::s_gray();
  if (PIXCMAP* cmap = pixGetColormap(p.pix)) {
    int n = pixcmapGetCount(cmap);
    std::vector<uint8_t> entries(size_t(n) * 3);
    for (int i = 0; i < n; ++i) {
      l_int32 r, g, b;
      pixcmapGetColor(cmap, i, &r, &g, &b);
      entries[3 * i] = uint8_t(r);
      entries[3 * i + 1] = uint8_t(g);
      entries[3 * i + 2] = uint8_t(b);
    }
    h.colormap.reset(new RstColormap(8, 3, n, entries.data()));
    h.color_type = RstColorType::s_rgb();
  }
  return RstReadRawFromByteArray::create(p.bytes.data(), h, p.stride, false, false);
}

void BM_Expand1To8(benchmark::State& state) {
  static Page page = make_page(1);
  run_pair(
      state, [] { pull_all(RstConvertBits1To8::create(raw_source(page, 1), 0, 255)); },
      [] {
        PIX* out = pixConvert1To8(nullptr, page.pix, 0, 255);
        pixDestroy(&out);
      });
}

void BM_Expand4To8(benchmark::State& state) {
  static Page page = make_page(4);
  run_pair(
      state, [] { pull_all(RstConvertBits4To8NoRangeConversion::create(raw_source(page, 4))); },
      [] {
        PIX* out = pixConvert4To8(page.pix, 0);
        pixDestroy(&out);
      });
}

void BM_IndexToRGB(benchmark::State& state) {
  static Page page = make_page(8, true);
  run_pair(
      state, [] { pull_all(RstApplyColormap::create(raw_source(page, 8))); },
      [] {
        PIX* out = pixRemoveColormap(page.pix, REMOVE_CMAP_TO_FULL_COLOR);
        pixDestroy(&out);
      });
}

void BM_Invert(benchmark::State& state) {
  static Page page = make_page(8);
  run_pair(
      state, [] { pull_all(RstPixelNot::create(raw_source(page, 8))); },
      [] {
        PIX* out = pixInvert(nullptr, page.pix);
        pixDestroy(&out);
      });
}

void BM_RGBToBGR(benchmark::State& state) {
  static Page page = make_page(8);  // read as 3 x 8 bits: a third of the width
  static constexpr int32_t kRgbWidth = kWidth / 3;
  run_pair(
      state,
      [] {
        RstHeader h;
        h.width = kRgbWidth;
        h.height = kHeight;
        h.bits_per_sample = 8;
        h.samples_per_pixel = 3;
        h.color_type = RstColorType::s_rgb();
        pull_all(RstReverseChannel::create(
            RstReadRawFromByteArray::create(page.bytes.data(), h, page.stride, false, false), nullptr));
      },
      [] {
        std::vector<uint8_t> line(size_t(kRgbWidth) * 3);
        for (int32_t y = 0; y < kHeight; ++y) {
          const uint8_t* in = page.bytes.data() + size_t(y) * size_t(page.stride);
          for (int32_t x = 0; x < kRgbWidth; ++x) {
            line[3 * x] = in[3 * x + 2];
            line[3 * x + 1] = in[3 * x + 1];
            line[3 * x + 2] = in[3 * x];
          }
          benchmark::DoNotOptimize(line.data());
        }
      });
}

// Run lines of the 1-bit page, delivered one per read.
class RunLines : public RstRead {
 public:
  explicit RunLines(const std::vector<std::vector<uint8_t>>* lines) : lines_(lines) {}
  void header(RstHeader& h) override {
    h = RstHeader();
    h.width = kWidth;
    h.height = kHeight;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.data_form = RstDataForm::rle;
  }
  int read(uint8_t* line) override {
    if (next_ >= lines_->size()) return 0;
    const auto& l = (*lines_)[next_++];
    std::memcpy(line, l.data(), l.size());
    return int(l.size());
  }
  void reset() override { next_ = 0; }
  int line_size() override { return ((kWidth + 1) / 2) * 8 + 8; }

 private:
  const std::vector<std::vector<uint8_t>>* lines_;
  size_t next_ = 0;
};

void BM_DecodeRLE(benchmark::State& state) {
  static Page page = make_page(1);
  static std::vector<std::vector<uint8_t>> runs = [] {
    std::vector<std::vector<uint8_t>> v;
    RstRead* enc = RstEncodeRLE::create(raw_source(page, 1));
    std::vector<uint8_t> line(size_t(enc->line_size()));
    for (int n; (n = enc->read(line.data())) > 0;) v.emplace_back(line.begin(), line.begin() + n);
    enc->end();
    return v;
  }();
  run_pair(
      state, [] { pull_all(RstDecodeRLE::create(new RunLines(&runs))); },
      [] {
        std::vector<uint8_t> row(size_t(kWidth + 7) / 8);
        for (const auto& l : runs) {
          std::memset(row.data(), 0, row.size());
          const int32_t* p = reinterpret_cast<const int32_t*>(l.data());
          for (; p[0] != -1; p += 2)
            for (int32_t x = p[0]; x <= p[1]; ++x) row[size_t(x) >> 3] |= uint8_t(0x80 >> (x & 7));
          benchmark::DoNotOptimize(row.data());
        }
      });
}

BENCHMARK(BM_Expand1To8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Expand4To8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexToRGB)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Invert)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGBToBGR)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeRLE)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
