// Morphology beside Leptonica on the same page in the same run: an A4
// 600-dpi text-like bilevel page (4960 x 7016) dilated and eroded by n = 1,
// 2 and 5, from raw lines and from run lines, against pixDilateBrick and
// pixErodeBrick with a (2n + 1) square; and the 8-bit window dilation of a
// 0/255 page with a centred 3 x 3 and 5 x 5 window against pixDilateGray.
// Each benchmark's counter "x_peer" is our time over the peer's (below 1:
// ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_expansion_filter.h"
#include "raster/geometry/rst_expansion_filter1.h"

namespace {

struct Page {
  int32_t width = 0, height = 0, bits = 1;
  std::vector<uint8_t> rows;
  std::vector<std::vector<uint8_t>> runs;  // bilevel pages only
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

RstRead* raw(const Page& p) {
  return RstReadRawFromByteArray::create(p.rows.data(), header_of(p), p.stride(), false, false);
}

// The run lines of a page, delivered one per read.
class RunLines : public RstRead {
 public:
  explicit RunLines(const Page* page) : page_(page) {}
  void header(RstHeader& h) override { h = header_of(*page_, RstDataForm::rle); }
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

// Lines of glyph-like strokes with blank leading between them (bilevel), or
// the same as a 0/255 mask.
Page make_page(int32_t bits) {
  Page p;
  p.width = 4960;
  p.height = 7016;
  p.bits = bits;
  p.rows.assign(size_t(p.stride()) * size_t(p.height), 0);
  std::mt19937 rng(240);
  for (int32_t y = 0; y < p.height; ++y) {
    uint8_t* row = p.rows.data() + size_t(y) * size_t(p.stride());
    if ((y / 50) % 2 == 1) continue;
    for (int32_t x = int32_t(rng() % 20); x < p.width; x += 8 + int32_t(rng() % 30)) {
      int32_t len = 2 + int32_t(rng() % 6);
      for (int32_t k = x; k < x + len && k < p.width; ++k) {
        if (bits == 1) row[k >> 3] |= uint8_t(0x80 >> (k & 7));
        else row[k] = 255;
      }
    }
  }
  p.pix = pixCreate(p.width, p.height, bits);
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t i = 0; i < p.stride(); ++i)
      SET_DATA_BYTE(data + size_t(y) * size_t(wpl), i, p.rows[size_t(y) * size_t(p.stride()) + size_t(i)]);
  if (bits == 1) {
    RstRead* enc = RstEncodeRLE::create(raw(p));
    std::vector<uint8_t> line(size_t(enc->line_size()));
    for (int n; (n = enc->read(line.data())) > 0;) p.runs.emplace_back(line.begin(), line.begin() + n);
    enc->end();
  }
  return p;
}

const Page& bilevel() {
  static Page page = make_page(1);
  return page;
}

const Page& mask() {
  static Page page = make_page(8);
  return page;
}

// state.range(0): n; state.range(1): 0 raw, 1 run lines; state.range(2): 0
// dilation, 1 erosion.
void BM_Square(benchmark::State& state) {
  const Page& p = bilevel();
  uint32_t n = uint32_t(state.range(0));
  bool runs = state.range(1) == 1, dilate = state.range(2) == 0;
  int32_t size = int32_t(2 * n + 1);
  run_pair(
      state,
      [&] {
        RstRead* src = runs ? static_cast<RstRead*>(new RunLines(&p)) : raw(p);
        pull_all(dilate ? RstExpansionFilter1::create(src, n) : RstShrinkFilter1::create(src, n));
      },
      [&] {
        PIX* d = dilate ? pixDilateBrick(nullptr, p.pix, size, size) : pixErodeBrick(nullptr, p.pix, size, size);
        pixDestroy(&d);
      });
}

// state.range(0): k of the centred (2k + 1) window.
void BM_MaskWindow(benchmark::State& state) {
  const Page& p = mask();
  int32_t k = int32_t(state.range(0)), size = 2 * k + 1;
  static const uint8_t zero = 0;
  run_pair(
      state,
      [&] {
        pull_all(RstExpansionFilter::create(raw(p), {size, size, k, k}, &zero, 255, 255));
      },
      [&] {
        PIX* d = pixDilateGray(p.pix, size, size);
        pixDestroy(&d);
      });
}

void squares(benchmark::internal::Benchmark* b) {
  for (int n : {1, 2, 5})
    for (int runs = 0; runs < 2; ++runs)
      for (int op = 0; op < 2; ++op) b->Args({n, runs, op});
}

BENCHMARK(BM_Square)->Apply(squares)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MaskWindow)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
