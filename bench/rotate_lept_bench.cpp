// Quarter turns and mirrors of whole pages, pulled line by line through our
// nodes, beside Leptonica on the same pixels in the same run: 1-bit pages
// (ITU chart 1, 1728 x 2376, and an A4 page at 600 dpi, 4960 x 7016) by the
// band rotation and the run-line rotation against pixRotateOrth(pix, 1), and
// by RstMirrorX / RstMirrorY against pixFlipLR / pixFlipTB; an A4 RGB page by
// the band and the plain rotation against pixRotateOrth on 32 bpp. Each
// benchmark's counter "x_peer" is our time over the peer's (below 1: ours is
// faster). Argument 0 is the chart, 1 the A4 page.
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "bench_charts.h"
#include "bench_pair.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_mirror_x.h"
#include "raster/geometry/rst_mirror_y.h"
#include "raster/geometry/rst_rotate90.h"
#include "raster/geometry/rst_rotate90_rle.h"

namespace {

constexpr int32_t kA4Width = 4960, kA4Height = 7016;

// A page as packed rows of ours and the same pixels as a Leptonica PIX.
struct Page {
  int32_t width = 0, height = 0, bits = 1, samples = 1;
  std::vector<uint8_t> bytes;
  int32_t stride = 0;
  PIX* pix = nullptr;
  std::vector<std::vector<uint8_t>> runs;  // 1 bit: the run lines
};

void fill_pix_1bit(Page& p) {
  p.pix = pixCreate(p.width, p.height, 1);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < p.height; ++y) {
    l_uint32* line = data + size_t(y) * size_t(wpl);
    for (int32_t i = 0; i < p.stride; ++i) SET_DATA_BYTE(line, i, p.bytes[size_t(y) * size_t(p.stride) + size_t(i)]);
  }
}

RstRead* raw_source(const Page& p) {
  RstHeader h;
  h.width = p.width;
  h.height = p.height;
  h.bits_per_sample = p.bits;
  h.samples_per_pixel = p.samples;
  h.color_type = p.samples == 3 ? RstColorType::s_rgb() : RstColorType::s_gray_reverse();
  return RstReadRawFromByteArray::create(p.bytes.data(), h, p.stride, false, false);
}

void make_runs(Page& p) {
  RstRead* enc = RstEncodeRLE::create(raw_source(p));
  std::vector<uint8_t> line(size_t(enc->line_size()));
  for (int n; (n = enc->read(line.data())) > 0;) p.runs.emplace_back(line.begin(), line.begin() + n);
  enc->end();
}

Page chart_page() {
  Page p;
  const auto& charts = bench_charts();
  if (charts.empty()) return p;
  p.width = charts[0].width;
  p.height = charts[0].height;
  p.stride = (p.width + 7) / 8;
  p.bytes = charts[0].rows;
  fill_pix_1bit(p);
  make_runs(p);
  return p;
}

Page a4_page_1bit() {
  Page p;
  p.width = kA4Width;
  p.height = kA4Height;
  p.stride = (p.width + 7) / 8;
  p.bytes.assign(size_t(p.stride) * size_t(p.height), 0);
  std::mt19937 rng(1);
  // Text-like rows: runs of white with short black strokes.
  for (int32_t y = 0; y < p.height; ++y) {
    uint8_t* line = p.bytes.data() + size_t(y) * size_t(p.stride);
    for (int32_t x = int32_t(rng() % 40); x < p.width; x += 10 + int32_t(rng() % 60)) {
      int32_t len = 1 + int32_t(rng() % 12);
      for (int32_t k = x; k < x + len && k < p.width; ++k) line[k >> 3] |= uint8_t(0x80 >> (k & 7));
    }
  }
  fill_pix_1bit(p);
  make_runs(p);
  return p;
}

Page a4_page_rgb() {
  Page p;
  p.width = kA4Width;
  p.height = kA4Height;
  p.bits = 8;
  p.samples = 3;
  p.stride = p.width * 3;
  p.bytes.resize(size_t(p.stride) * size_t(p.height));
  std::mt19937 rng(3);
  for (uint8_t& b : p.bytes) b = uint8_t(rng());
  p.pix = pixCreate(p.width, p.height, 32);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < p.height; ++y) {
    const uint8_t* in = p.bytes.data() + size_t(y) * size_t(p.stride);
    l_uint32* line = data + size_t(y) * size_t(wpl);
    for (int32_t x = 0; x < p.width; ++x) composeRGBPixel(in[3 * x], in[3 * x + 1], in[3 * x + 2], line + x);
  }
  return p;
}

const Page& page_1bit(int64_t which) {
  static Page chart = chart_page();
  static Page a4 = a4_page_1bit();
  return which == 0 ? chart : a4;
}

// Run lines of a page, delivered one per read.
class RunLines : public RstRead {
 public:
  explicit RunLines(const Page* page) : page_(page) {}
  void header(RstHeader& h) override {
    h = RstHeader();
    h.width = page_->width;
    h.height = page_->height;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.data_form = RstDataForm::rle;
  }
  int read(uint8_t* line) override {
    if (next_ >= page_->runs.size()) return 0;
    const auto& l = page_->runs[next_++];
    std::memcpy(line, l.data(), l.size());
    return int(l.size());
  }
  void reset() override { next_ = 0; }
  int line_size() override { return ((page_->width + 1) / 2) * 8 + 8; }

 private:
  const Page* page_;
  size_t next_ = 0;
};

void BM_Band90_1bit(benchmark::State& state) {
  const Page& p = page_1bit(state.range(0));
  if (!p.pix) return state.SkipWithError("no chart");
  run_pair(
      state, [&] { pull_all(RstRotate90::create(raw_source(p), 90, true)); },
      [&] {
        PIX* out = pixRotateOrth(p.pix, 1);
        pixDestroy(&out);
      });
}

void BM_RunLines90_1bit(benchmark::State& state) {
  const Page& p = page_1bit(state.range(0));
  if (!p.pix) return state.SkipWithError("no chart");
  run_pair(
      state, [&] { pull_all(RstRotate90::create(new RunLines(&p), 90, false)); },
      [&] {
        PIX* out = pixRotateOrth(p.pix, 1);
        pixDestroy(&out);
      });
}

void BM_MirrorX_1bit(benchmark::State& state) {
  const Page& p = page_1bit(state.range(0));
  if (!p.pix) return state.SkipWithError("no chart");
  run_pair(
      state, [&] { pull_all(RstMirrorX::create(raw_source(p))); },
      [&] {
        PIX* out = pixFlipLR(nullptr, p.pix);
        pixDestroy(&out);
      });
}

void BM_MirrorY_1bit(benchmark::State& state) {
  const Page& p = page_1bit(state.range(0));
  if (!p.pix) return state.SkipWithError("no chart");
  run_pair(
      state, [&] { pull_all(RstMirrorY::create(raw_source(p))); },
      [&] {
        PIX* out = pixFlipTB(nullptr, p.pix);
        pixDestroy(&out);
      });
}

void BM_RGB90(benchmark::State& state) {
  static Page p = a4_page_rgb();
  bool band = state.range(0) != 0;
  run_pair(
      state, [&] { pull_all(RstRotate90::create(raw_source(p), 90, band)); },
      [&] {
        PIX* out = pixRotateOrth(p.pix, 1);
        pixDestroy(&out);
      });
}

BENCHMARK(BM_Band90_1bit)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunLines90_1bit)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MirrorX_1bit)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MirrorY_1bit)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
// Argument 1: band rotation; 0: plain rotation.
BENCHMARK(BM_RGB90)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
