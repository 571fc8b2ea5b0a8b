// Binary pixel operations beside Leptonica on the same pages in the same run:
// an A4 600-dpi bilevel page and an A4 600-dpi gray page (4960 x 7016) with a
// third-page B laid on them by And, Or and Paste at x = 5 (shifted), x = 8
// (byte-aligned) and (0, 0), against pixRasterop with PIX_MASK, PIX_PAINT and
// PIX_SRC; the 8-bit same-size Sub against pixSubtractGray; and the run-line
// AND and OR of pairs of ITU charts against pixAnd and pixOr of the decoded
// charts. Our side pulls every line of the result; Leptonica works in place
// on its copy of A. Each benchmark's counter "x_peer" is our time over the
// peer's (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench_charts.h"
#include "bench_pair.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_paste.h"
#include "raster/geometry/rst_pixel_and.h"
#include "raster/geometry/rst_pixel_or.h"
#include "raster/geometry/rst_pixel_same_size.h"

namespace {

// A raw page: packed rows and the same pixels as a Leptonica image.
struct Page {
  int32_t width = 0, height = 0, bits = 1;
  std::vector<uint8_t> rows;
  PIX* pix = nullptr;
  int32_t stride() const { return bits == 1 ? (width + 7) / 8 : width; }
};

RstHeader header_of(const Page& p, int32_t form = RstDataForm::raw) {
  RstHeader h;
  h.width = p.width;
  h.height = p.height;
  h.bits_per_sample = p.bits;
  h.samples_per_pixel = 1;
  h.data_form = form;
  h.color_type = p.bits == 1 ? RstColorType::s_gray_reverse() : RstColorType::s_gray();
  return h;
}

void to_pix(Page& p) {
  p.pix = pixCreate(p.width, p.height, p.bits);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix), stride = p.stride();
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t i = 0; i < stride; ++i)
      SET_DATA_BYTE(data + size_t(y) * size_t(wpl), i, p.rows[size_t(y) * size_t(stride) + size_t(i)]);
}

// Text-like strokes on a bilevel page; smooth shading with noise on a gray one.
Page make_page(int32_t width, int32_t height, int32_t bits, uint32_t seed) {
  Page p;
  p.width = width;
  p.height = height;
  p.bits = bits;
  p.rows.assign(size_t(p.stride()) * size_t(height), 0);
  std::mt19937 rng(seed);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = p.rows.data() + size_t(y) * size_t(p.stride());
    if (bits == 8) {
      for (int32_t x = 0; x < width; ++x) row[x] = uint8_t((x / 20 + y / 30) * 7 + rng() % 16);
      continue;
    }
    if ((y / 50) % 2 == 1) continue;
    for (int32_t x = int32_t(rng() % 20); x < width; x += 8 + int32_t(rng() % 30)) {
      int32_t len = 2 + int32_t(rng() % 6);
      for (int32_t k = x; k < x + len && k < width; ++k) row[k >> 3] |= uint8_t(0x80 >> (k & 7));
    }
  }
  to_pix(p);
  return p;
}

struct Pages {
  Page a1, b1, a8, b8, full8;
};

const Pages& pages() {
  static Pages set = [] {
    Pages s;
    const int32_t w = 4960, h = 7016;
    s.a1 = make_page(w, h, 1, 1);
    s.b1 = make_page(w - 16, h / 3, 1, 2);
    s.a8 = make_page(w, h, 8, 3);
    s.b8 = make_page(w - 16, h / 3, 8, 4);
    s.full8 = make_page(w, h, 8, 5);
    return s;
  }();
  return set;
}

RstRead* raw(const Page& p) {
  return RstReadRawFromByteArray::create(p.rows.data(), header_of(p), p.stride(), false, false);
}

// state.range(0): 0 And, 1 Or, 2 Paste; state.range(1): x (y is x too).
void run_offset(benchmark::State& state, const Page& a, const Page& b) {
  int op = int(state.range(0));
  int32_t x = int32_t(state.range(1));
  static const int lept_ops[] = {PIX_MASK, PIX_PAINT, PIX_SRC};
  PIX* peer = pixCopy(nullptr, a.pix);
  run_pair(
      state,
      [&] {
        std::vector<RstRead*> in{raw(a), raw(b)};
        pull_all(op == 0   ? RstPixelAnd::create(in, x, x)
                 : op == 1 ? RstPixelOr::create(in, x, x)
                           : RstPaste::create(in, x, x));
      },
      [&] { pixRasterop(peer, x, x, b.width, b.height, lept_ops[op], b.pix, 0, 0); });
  pixDestroy(&peer);
}

void BM_Bilevel(benchmark::State& state) { run_offset(state, pages().a1, pages().b1); }
void BM_Gray(benchmark::State& state) { run_offset(state, pages().a8, pages().b8); }

void BM_GraySub(benchmark::State& state) {
  const Pages& s = pages();
  run_pair(
      state,
      [&] {
        pull_all(RstPixelSubSameSize::create({raw(s.a8), raw(s.full8)}));
      },
      [&] {
        PIX* d = pixSubtractGray(nullptr, s.a8.pix, s.full8.pix);
        pixDestroy(&d);
      });
}

// The run lines of a chart, delivered one per read.
class RunLines : public RstRead {
 public:
  explicit RunLines(const std::vector<std::vector<uint8_t>>* lines, const Page* page) : lines_(lines), page_(page) {}
  void header(RstHeader& h) override { h = header_of(*page_, RstDataForm::rle); }
  int read(uint8_t* line) override {
    if (next_ >= lines_->size()) return 0;
    const auto& l = (*lines_)[next_++];
    std::memcpy(line, l.data(), l.size());
    return int(l.size());
  }
  void reset() override { next_ = 0; }
  int line_size() override { return ((page_->width + 1) / 2) * 8 + 8; }

 private:
  const std::vector<std::vector<uint8_t>>* lines_;
  const Page* page_;
  size_t next_ = 0;
};

struct Chart {
  Page page;
  std::vector<std::vector<uint8_t>> runs;
};

const std::vector<Chart>& charts() {
  static std::vector<Chart> list = [] {
    std::vector<Chart> v;
    for (const BenchChart& c : bench_charts()) {
      Chart chart;
      chart.page.width = c.width;
      chart.page.height = c.height;
      chart.page.rows = c.rows;
      to_pix(chart.page);
      RstRead* enc = RstEncodeRLE::create(raw(chart.page));
      std::vector<uint8_t> line(size_t(enc->line_size()));
      for (int n; (n = enc->read(line.data())) > 0;) chart.runs.emplace_back(line.begin(), line.begin() + n);
      enc->end();
      v.push_back(std::move(chart));
    }
    return v;
  }();
  return list;
}

// state.range(0): 0 AND, 1 OR; every chart with the next one.
void BM_RunLines(benchmark::State& state) {
  const auto& all = charts();
  if (all.size() < 2) {
    state.SkipWithError("no charts");
    return;
  }
  bool is_and = state.range(0) == 0;
  run_pair(
      state,
      [&] {
        for (size_t i = 0; i < all.size(); ++i) {
          const Chart& a = all[i];
          const Chart& b = all[(i + 1) % all.size()];
          std::vector<RstRead*> in{new RunLines(&a.runs, &a.page), new RunLines(&b.runs, &b.page)};
          pull_all(is_and ? RstPixelAnd::create(in, 0, 0) : RstPixelOr::create(in, 0, 0));
        }
      },
      [&] {
        for (size_t i = 0; i < all.size(); ++i) {
          PIX* a = all[i].page.pix;
          PIX* b = all[(i + 1) % all.size()].page.pix;
          PIX* d = is_and ? pixAnd(nullptr, a, b) : pixOr(nullptr, a, b);
          pixDestroy(&d);
        }
      });
}

void offsets(benchmark::internal::Benchmark* b) {
  for (int op = 0; op < 3; ++op)
    for (int x : {5, 8, 0}) b->Args({op, x});
}

BENCHMARK(BM_Bilevel)->Apply(offsets)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gray)->Apply(offsets)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraySub)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunLines)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
