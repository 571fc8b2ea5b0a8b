// Reading JBIG-coded TIFF: the eight ITU charts as one multi-page Compression 9
// file (one strip per page, written by our TIFF writer), read page by page
// through RstReadRaster::create, beside jbigkit's jbg85_dec_in decoding the
// same strips in the same run. Our time is reported relative to jbigkit's
// ("x_jbigkit").
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

extern "C" {
#include <jbig85.h>
}

#include "bench_charts.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "raster/formats/rst_write_tiff.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A chart's rows as a source node.
class ChartSource : public RstRead {
 public:
  explicit ChartSource(const BenchChart& c) : chart_(c), stride_((c.width + 7) / 8) {}
  void header(RstHeader& h) override {
    h = RstHeader();
    h.width = chart_.width;
    h.height = chart_.height;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.data_form = RstDataForm::raw;
    h.color_type = RstColorType::default_gray_reverse();
  }
  int read(uint8_t* line) override {
    if (next_ >= chart_.height) return 0;
    std::memcpy(line, chart_.rows.data() + size_t(next_++) * size_t(stride_), size_t(stride_));
    return stride_;
  }
  void reset() override { next_ = 0; }
  int line_size() override { return stride_; }

 private:
  const BenchChart& chart_;
  int32_t stride_;
  int32_t next_ = 0;
};

// The file, and each page's one strip.
struct JbigFile {
  Bytes file;
  std::vector<Bytes> strips;
  int64_t lines = 0;
};

const JbigFile& jbig_file() {
  static JbigFile f = [] {
    JbigFile out;
    rst_register_color_creators();
    const std::vector<BenchChart>& charts = bench_charts();
    MemoryOutputStorage storage;
    auto* manager = RstWriteTIFFMultiPageManager::create(&storage, uint32_t(charts.size()), 0x4949);
    for (const BenchChart& c : charts) {
      RstWriteTIFFOption option(200, 200, RstDataForm::jbig, 0, nullptr);
      RstRead* source = new ChartSource(c);
      RstWrite* writer = RstWriteTIFF::create(source, manager, &option);
      if (!writer) {
        source->end();
        continue;
      }
      while (writer->write() != 0) {
      }
      writer->end();
      out.lines += c.height;
    }
    manager->close();
    out.file.resize(size_t(storage.size()));
    MemoryInputStorage in(storage.blocks());
    in.read(out.file.data(), int32_t(out.file.size()));
    for (uint32_t page = 1; page <= charts.size(); ++page) {
      ByteArrayInputStorage file(out.file.data(), int32_t(out.file.size()));
      RstReadTIFFFXHeader h;
      if (h.read_page(&file, page, false, 0) == 0 || h.strip_offsets.empty()) continue;
      auto at = out.file.begin() + long(h.strip_offsets[0]);
      out.strips.emplace_back(at, at + long(h.strip_byte_counts[0]));
    }
    return out;
  }();
  return f;
}

int peer_line(const jbg85_dec_state*, unsigned char*, size_t, unsigned long, void* lines) {
  ++*static_cast<int64_t*>(lines);
  return 0;
}

double ours(int64_t* lines) {
  const JbigFile& f = jbig_file();
  Bytes line(4096);
  auto t0 = std::chrono::steady_clock::now();
  for (uint32_t page = 1; page <= f.strips.size(); ++page) {
    ByteArrayInputStorage in(f.file.data(), int32_t(f.file.size()));
    RstRead* node = RstReadRaster::create(&in, page);
    if (!node) continue;
    while (node->read(line.data()) > 0) ++*lines;
    node->end();
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double peer(int64_t* lines) {
  Bytes buf(3 * 4096 + 64);
  auto t0 = std::chrono::steady_clock::now();
  for (const Bytes& strip : jbig_file().strips) {
    jbg85_dec_state s;
    jbg85_dec_init(&s, buf.data(), buf.size(), peer_line, lines);
    size_t cnt = 0;
    jbg85_dec_in(&s, const_cast<unsigned char*>(strip.data()), strip.size(), &cnt);
    jbg85_dec_end(&s);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void run(benchmark::State& state, bool our_side) {
  const JbigFile& f = jbig_file();
  if (f.strips.size() != 8) {
    state.SkipWithError("charts not available (jbgtopbm) or file not written");
    return;
  }
  double best_peer = 1e9;
  for (int i = 0; i < 3; ++i) {
    int64_t lines = 0;
    best_peer = std::min(best_peer, peer(&lines));
    if (lines != f.lines) {
      state.SkipWithError("jbigkit decoding failed");
      return;
    }
  }
  double best = 1e9;
  for (auto _ : state) {
    int64_t lines = 0;
    double t = our_side ? ours(&lines) : peer(&lines);
    if (lines != f.lines) {
      state.SkipWithError("reading failed");
      return;
    }
    best = std::min(best, t);
  }
  state.counters["x_jbigkit"] = best / best_peer;
}

void BM_ReadTiffJbig_Ours(benchmark::State& s) { run(s, true); }
void BM_ReadTiffJbig_Jbigkit(benchmark::State& s) { run(s, false); }

BENCHMARK(BM_ReadTiffJbig_Ours)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadTiffJbig_Jbigkit)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
