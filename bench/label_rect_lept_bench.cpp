// Connected components with their bounding boxes beside Leptonica in the same
// run: RstGetLabelRectInfoRLE (valued runs) and RstGetLabelRectInfo (raw
// 32-bit labels) against pixConnCompBB with connectivity 8, on the eight ITU
// charts, a 600-dpi text page rendered by Ghostscript (when it is installed)
// and a double spiral. The spiral's two arms make long chains of provisional
// labels; the equivalence table compresses no paths, so it shows that cost.
// Each benchmark's counter "x_peer" is our time over Leptonica's.
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_charts.h"
#include "bench_pair.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/mrc/rst_label_rect.h"

namespace {

struct Page {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rows;  // packed, 1 = set
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

// A 600-dpi page of text; an empty page when Ghostscript is missing.
Page text_page() {
  Page p;
  std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  std::string ps = dir + "/pk-bench-text.ps", pbm = dir + "/pk-bench-text.pbm";
  {
    std::ofstream f(ps);
    f << "%!PS\n/Times-Roman findfont 10 scalefont setfont\n";
    for (int line = 0; line < 60; ++line)
      f << "54 " << (760 - line * 12)
        << " moveto (Connected components of a page mask decide the layers of mixed raster content.) show\n";
    f << "showpage\n";
  }
  std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw -r600 -g5100x6600 -sOutputFile=" + pbm + " " + ps;
  if (std::system(cmd.c_str()) == 0) {
    std::ifstream f(pbm, std::ios::binary);
    std::string t[3];
    for (std::string& s : t) {
      f >> std::ws;
      while (f.peek() == '#') {
        std::string c;
        std::getline(f, c);
        f >> std::ws;
      }
      f >> s;
    }
    f.get();
    if (t[0] == "P4") {
      p.width = std::stoi(t[1]);
      p.height = std::stoi(t[2]);
      p.rows.resize(size_t((p.width + 7) / 8) * size_t(p.height));
      f.read(reinterpret_cast<char*>(p.rows.data()), std::streamsize(p.rows.size()));
      if (!f) p.rows.clear();
    }
  }
  std::remove(ps.c_str());
  std::remove(pbm.c_str());
  if (p.rows.empty()) return Page{};
  finish(p);
  return p;
}

// Two interleaved square spirals one pixel wide, two pixels apart.
Page double_spiral(int32_t size) {
  Page p;
  p.width = p.height = size;
  int32_t stride = (size + 7) / 8;
  p.rows.assign(size_t(stride) * size_t(size), 0);
  auto put = [&](int32_t x, int32_t y) {
    if (x >= 0 && y >= 0 && x < size && y < size)
      p.rows[size_t(y) * size_t(stride) + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
  };
  const int32_t dirs[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
  for (int32_t arm = 0; arm < 2; ++arm) {
    int32_t x = arm * 2, y = arm * 2, len = size - 1 - arm * 4;
    for (int32_t turn = 0; len > 0; ++turn) {
      for (int32_t k = 0; k < len; ++k, x += dirs[turn % 4][0], y += dirs[turn % 4][1]) put(x, y);
      if (turn % 2 == 1) len -= 4;
    }
    put(x, y);
  }
  finish(p);
  return p;
}

// 0: the charts, 1: the text page, 2: the spiral.
const std::vector<Page>& page_set(int64_t which) {
  static std::vector<Page> sets[3] = {
      [] {
        std::vector<Page> v;
        for (const BenchChart& c : bench_charts()) {
          Page p;
          p.width = c.width;
          p.height = c.height;
          p.rows = c.rows;
          finish(p);
          v.push_back(std::move(p));
        }
        return v;
      }(),
      [] {
        std::vector<Page> v;
        Page p = text_page();
        if (p.pix) v.push_back(std::move(p));
        return v;
      }(),
      [] {
        std::vector<Page> v;
        v.push_back(double_spiral(2001));
        return v;
      }(),
  };
  return sets[which];
}

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

void run_set(benchmark::State& state, const std::function<void(const Page&)>& ours) {
  const auto& pages = page_set(state.range(0));
  if (pages.empty()) {
    state.SkipWithError("no pages (jbgtopbm or gs missing)");
    return;
  }
  double total_ours = 0, total_peer = 0;
  for (auto _ : state) {
    double t = 0;
    for (const Page& p : pages) {
      t += seconds([&] { ours(p); });
      total_peer += seconds([&] {
        BOXA* boxa = pixConnCompBB(p.pix, 8);
        benchmark::DoNotOptimize(boxa);
        boxaDestroy(&boxa);
      });
    }
    total_ours += t;
    state.SetIterationTime(t);
  }
  state.counters["x_peer"] = total_ours / total_peer;
}

void BM_LabelRectsRuns(benchmark::State& state) {
  run_set(state, [](const Page& p) {
    std::vector<RstLabelRect> rects;
    uint32_t count = 0;
    RstRead* node = RstGetLabelRectInfoRLE::create(new RunLines(&p), &count, &rects);
    benchmark::DoNotOptimize(rects.data());
    if (node) node->end();
  });
}

void BM_LabelRectsRaw(benchmark::State& state) {
  run_set(state, [](const Page& p) {
    std::vector<RstLabelRect> rects;
    uint32_t count = 0;
    RstRead* node = RstGetLabelRectInfo::create(new RunLines(&p), 0, &count, &rects);
    benchmark::DoNotOptimize(rects.data());
    if (node) node->end();
  });
}

BENCHMARK(BM_LabelRectsRuns)->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelRectsRaw)->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
