// Run-line scaling, clipping and inversion beside Leptonica on the same
// pages in the same run: an A4 600-dpi text page (4960 x 7016) and the eight
// ITU charts, held as run lines for our nodes and as packed bits for
// Leptonica. Reductions to 1/2 and 1/4 by the OR pair (against
// pixReduceRankBinary2, level 1, and pixReduceRankBinaryCascade) and by the
// nearest-neighbour pair (against pixScaleToGray4 for 1/4, the usual peer for
// a page reduced for viewing); RstClip against pixClipRectangle; RstPixelNotRLE
// against pixInvert. Each benchmark's counter "x_peer" is our time over the
// peer's (below 1: ours is faster).
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
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_pixel_not.h"
#include "raster/geometry/rst_scale_height_rle.h"
#include "raster/geometry/rst_scale_width_rle.h"

namespace {

// One bilevel page: packed rows, the Leptonica image and the run lines.
struct Page {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rows;
  PIX* pix = nullptr;
  std::vector<std::vector<uint8_t>> runs;
};

RstHeader page_header(const Page& p, int32_t form) {
  RstHeader h;
  h.width = p.width;
  h.height = p.height;
  h.bits_per_sample = 1;
  h.samples_per_pixel = 1;
  h.data_form = form;
  h.color_type = RstColorType::s_gray_reverse();
  return h;
}

void finish(Page& p) {
  int32_t stride = (p.width + 7) / 8;
  p.pix = pixCreate(p.width, p.height, 1);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t i = 0; i < stride; ++i)
      SET_DATA_BYTE(data + size_t(y) * size_t(wpl), i, p.rows[size_t(y) * size_t(stride) + size_t(i)]);
  RstRead* enc = RstEncodeRLE::create(
      RstReadRawFromByteArray::create(p.rows.data(), page_header(p, RstDataForm::raw), stride, false, false));
  std::vector<uint8_t> line(size_t(enc->line_size()));
  for (int n; (n = enc->read(line.data())) > 0;) p.runs.emplace_back(line.begin(), line.begin() + n);
  enc->end();
}

// A text-like A4 page: rows of short black strokes in lines of text.
Page text_page() {
  Page p;
  p.width = 4960;
  p.height = 7016;
  int32_t stride = (p.width + 7) / 8;
  p.rows.assign(size_t(stride) * size_t(p.height), 0);
  std::mt19937 rng(27);
  for (int32_t y = 0; y < p.height; ++y) {
    if ((y / 50) % 2 == 1 || y < 300 || y > p.height - 300) continue;  // gaps between text lines, margins
    uint8_t* row = p.rows.data() + size_t(y) * size_t(stride);
    for (int32_t x = 300 + int32_t(rng() % 20); x < p.width - 300; x += 8 + int32_t(rng() % 30)) {
      int32_t len = 2 + int32_t(rng() % 6);
      for (int32_t k = x; k < x + len; ++k) row[k >> 3] |= uint8_t(0x80 >> (k & 7));
    }
  }
  finish(p);
  return p;
}

const std::vector<Page>& pages() {
  static std::vector<Page> list = [] {
    std::vector<Page> v;
    v.push_back(text_page());
    for (const BenchChart& c : bench_charts()) {
      Page p;
      p.width = c.width;
      p.height = c.height;
      p.rows = c.rows;
      finish(p);
      v.push_back(std::move(p));
    }
    return v;
  }();
  return list;
}

// The run lines of a page, delivered one per read.
class RunLines : public RstRead {
 public:
  explicit RunLines(const Page* page) : page_(page) {}
  void header(RstHeader& h) override { h = page_header(*page_, RstDataForm::rle); }
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

// Both sides once per iteration over every page of the set (state.range(0):
// 0 the text page, 1 the charts); our time is the benchmark's, the ratio of
// the totals its counter.
void run_pair(benchmark::State& state, const std::function<void(const Page&)>& ours,
              const std::function<void(const Page&)>& peer) {
  const auto& all = pages();
  size_t from = state.range(0) == 0 ? 0 : 1, to = state.range(0) == 0 ? 1 : all.size();
  if (to <= from) {
    state.SkipWithError("no charts");
    return;
  }
  double total_ours = 0, total_peer = 0;
  for (auto _ : state) {
    double t = 0;
    for (size_t i = from; i < to; ++i) {
      t += seconds([&] { ours(all[i]); });
      total_peer += seconds([&] { peer(all[i]); });
    }
    total_ours += t;
    state.SetIterationTime(t);
  }
  state.counters["x_peer"] = total_ours / total_peer;
}

void destroy(PIX* pix) { pixDestroy(&pix); }

void BM_OrHalf(benchmark::State& state) {
  run_pair(
      state,
      [](const Page& p) {
        pull_all(RstScaleWidthRLEOR::create(RstScaleHeightRLEOR::create(new RunLines(&p), p.height / 2), p.width / 2));
      },
      [](const Page& p) { destroy(pixReduceRankBinary2(p.pix, 1, nullptr)); });
}

void BM_OrQuarter(benchmark::State& state) {
  run_pair(
      state,
      [](const Page& p) {
        pull_all(RstScaleWidthRLEOR::create(RstScaleHeightRLEOR::create(new RunLines(&p), p.height / 4), p.width / 4));
      },
      [](const Page& p) { destroy(pixReduceRankBinaryCascade(p.pix, 1, 1, 0, 0)); });
}

void BM_NearestHalf(benchmark::State& state) {
  run_pair(
      state,
      [](const Page& p) {
        pull_all(RstScaleWidthRLENN::create(RstScaleHeightRLENN::create(new RunLines(&p), p.height / 2), p.width / 2));
      },
      [](const Page& p) { destroy(pixReduceRankBinary2(p.pix, 1, nullptr)); });
}

void BM_NearestQuarter(benchmark::State& state) {
  run_pair(
      state,
      [](const Page& p) {
        pull_all(RstScaleWidthRLENN::create(RstScaleHeightRLENN::create(new RunLines(&p), p.height / 4), p.width / 4));
      },
      [](const Page& p) { destroy(pixScaleToGray4(p.pix)); });
}

void BM_Clip(benchmark::State& state) {
  run_pair(
      state,
      [](const Page& p) {
        pull_all(RstClip::create(new RunLines(&p), p.width / 8, p.height / 8, uint32_t(p.width / 2),
                                 uint32_t(p.height / 2)));
      },
      [](const Page& p) {
        BOX* box = boxCreate(p.width / 8, p.height / 8, p.width / 2, p.height / 2);
        destroy(pixClipRectangle(p.pix, box, nullptr));
        boxDestroy(&box);
      });
}

void BM_Invert(benchmark::State& state) {
  run_pair(
      state, [](const Page& p) { pull_all(RstPixelNot::create(new RunLines(&p))); },
      [](const Page& p) { destroy(pixInvert(nullptr, p.pix)); });
}

BENCHMARK(BM_OrHalf)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrQuarter)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearestHalf)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearestQuarter)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Clip)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Invert)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
