// T.85 JBIG coding of the eight ITU test charts and of a 600-dpi A4-size page
// (chart 1 scaled to 5000 x 7000 with ImageMagick): our encoder and decoder
// beside jbigkit's jbg85_enc_lineout and jbg85_dec_in on the same bytes, in the
// same run, for options 0 and TPBON. Each of our benchmarks reports its time
// relative to jbigkit's ("x_jbigkit").
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <jbig85.h>
}

#include "bench_charts.h"
#include "raster/codecs/rst_jbig_decoder.h"
#include "raster/codecs/rst_jbig_encoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The charts plus the A4 page.
const std::vector<BenchChart>& pages() {
  static std::vector<BenchChart> list = [] {
    std::vector<BenchChart> out = bench_charts();
    std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string base = dir + "/pk-jbig-bench-" + std::to_string(getpid());
    std::string cmd = "jbgtopbm /usr/share/jbigkit-testdata/ccitt1.jbg " + base + ".pbm && convert " + base +
                      ".pbm -scale 5000x7000! " + base + "-a4.pbm";
    if (std::system(cmd.c_str()) == 0) {
      std::ifstream f(base + "-a4.pbm", std::ios::binary);
      std::string magic;
      BenchChart c;
      f >> magic >> c.width >> c.height;
      f.get();
      c.rows.resize(static_cast<size_t>((c.width + 7) / 8) * static_cast<size_t>(c.height));
      f.read(reinterpret_cast<char*>(c.rows.data()), static_cast<std::streamsize>(c.rows.size()));
      if (magic == "P4" && f) out.push_back(std::move(c));
    }
    std::remove((base + ".pbm").c_str());
    std::remove((base + "-a4.pbm").c_str());
    return out;
  }();
  return list;
}

void sink(JbigCodecContext*, uint8_t byte, void* user) { static_cast<Bytes*>(user)->push_back(byte); }

Bytes our_encode(const BenchChart& c, uint32_t options) {
  static auto ctx = std::make_unique<JbigCodecContext>();
  Bytes out;
  rst_jbig_enc_init(ctx.get(), 0, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_set_size(ctx.get(), static_cast<uint32_t>(c.width), static_cast<uint32_t>(c.height));
  rst_jbig_enc_set_output(ctx.get(), sink, &out);
  rst_jbig_set_options(ctx.get(), options);
  rst_jbig_enc_write_header(ctx.get());
  rst_jbig_enc_start(ctx.get());
  size_t bpl = static_cast<size_t>((c.width + 7) / 8);
  for (int32_t y = 0; y < c.height; ++y) rst_jbig_enc_line(ctx.get(), c.rows.data() + bpl * static_cast<size_t>(y));
  rst_jbig_enc_finish(ctx.get());
  return out;
}

void peer_out(unsigned char* start, size_t len, void* file) {
  auto* out = static_cast<Bytes*>(file);
  out->insert(out->end(), start, start + len);
}

Bytes peer_encode(const BenchChart& c, uint32_t options) {
  Bytes out;
  jbg85_enc_state s;
  jbg85_enc_init(&s, static_cast<unsigned long>(c.width), static_cast<unsigned long>(c.height), peer_out, &out);
  jbg85_enc_options(&s, static_cast<int>(options), 128, 0);
  size_t bpl = static_cast<size_t>((c.width + 7) / 8);
  unsigned char* rows = const_cast<unsigned char*>(c.rows.data());
  for (int32_t y = 0; y < c.height; ++y)
    jbg85_enc_lineout(&s, rows + bpl * static_cast<size_t>(y),
                      y > 0 ? rows + bpl * static_cast<size_t>(y - 1) : nullptr,
                      y > 1 ? rows + bpl * static_cast<size_t>(y - 2) : nullptr);
  return out;
}

struct Source {
  const Bytes* data;
  size_t pos;
};

uint8_t source(JbigCodecContext* ctx, void* user) {
  auto* s = static_cast<Source*>(user);
  if (s->pos >= s->data->size()) {
    rst_jbig_set_error(ctx, kJbigIoFailed);
    return 0;
  }
  return (*s->data)[s->pos++];
}

int64_t our_decode(const Bytes& data, Bytes* line) {
  static auto ctx = std::make_unique<JbigCodecContext>();
  Source src{&data, 0};
  rst_jbig_dec_init(ctx.get(), 0, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_dec_set_input(ctx.get(), source, &src);
  rst_jbig_dec_read_header(ctx.get());
  rst_jbig_dec_start(ctx.get());
  int64_t lines = 0;
  line->resize((rst_jbig_width(ctx.get()) + 7) / 8);
  while (rst_jbig_line(ctx.get()) < rst_jbig_height(ctx.get()) && !rst_jbig_dec_line(ctx.get(), line->data())) ++lines;
  rst_jbig_dec_finish(ctx.get());
  return lines;
}

int peer_line(const jbg85_dec_state*, unsigned char*, size_t, unsigned long, void* file) {
  ++*static_cast<int64_t*>(file);
  return 0;
}

int64_t peer_decode(const Bytes& data, Bytes* buf) {
  int64_t lines = 0;
  jbg85_dec_state s;
  buf->resize(3 * 5008 / 8 + 64);
  jbg85_dec_init(&s, buf->data(), buf->size(), peer_line, &lines);
  size_t cnt = 0;
  jbg85_dec_in(&s, const_cast<unsigned char*>(data.data()), data.size(), &cnt);
  jbg85_dec_end(&s);
  return lines;
}

enum class Side { ours, peer };

double encode_pass(Side side, uint32_t options) {
  auto t0 = std::chrono::steady_clock::now();
  for (const BenchChart& c : pages())
    benchmark::DoNotOptimize(side == Side::ours ? our_encode(c, options) : peer_encode(c, options));
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

const std::vector<Bytes>& coded(uint32_t options) {
  static std::vector<Bytes> by_options[2];
  std::vector<Bytes>& v = by_options[options ? 1 : 0];
  if (v.empty())
    for (const BenchChart& c : pages()) v.push_back(peer_encode(c, options));
  return v;
}

double decode_pass(Side side, uint32_t options, int64_t* lines) {
  Bytes buf;
  auto t0 = std::chrono::steady_clock::now();
  for (const Bytes& data : coded(options))
    *lines += side == Side::ours ? our_decode(data, &buf) : peer_decode(data, &buf);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

int64_t expected_lines() {
  int64_t n = 0;
  for (const BenchChart& c : pages()) n += c.height;
  return n;
}

void run(benchmark::State& state, bool encode, uint32_t options, Side side) {
  if (pages().size() != 9) {
    state.SkipWithError("charts not available (jbgtopbm, convert)");
    return;
  }
  int64_t lines = 0;
  double best_peer = 1e9;
  for (int i = 0; i < 3; ++i)
    best_peer =
        std::min(best_peer, encode ? encode_pass(Side::peer, options) : decode_pass(Side::peer, options, &lines));
  if (!encode && lines != 3 * expected_lines()) {
    state.SkipWithError("jbigkit decoding failed");
    return;
  }
  double best = 1e9;
  for (auto _ : state) {
    lines = 0;
    double t = encode ? encode_pass(side, options) : decode_pass(side, options, &lines);
    if (!encode && lines != expected_lines()) {
      state.SkipWithError("decoding failed");
      return;
    }
    best = std::min(best, t);
  }
  state.counters["x_jbigkit"] = best / best_peer;
}

void BM_Encode_Ours(benchmark::State& s) { run(s, true, 0, Side::ours); }
void BM_Encode_Jbigkit(benchmark::State& s) { run(s, true, 0, Side::peer); }
void BM_EncodeTpbon_Ours(benchmark::State& s) { run(s, true, JBG_TPBON, Side::ours); }
void BM_EncodeTpbon_Jbigkit(benchmark::State& s) { run(s, true, JBG_TPBON, Side::peer); }
void BM_Decode_Ours(benchmark::State& s) { run(s, false, 0, Side::ours); }
void BM_Decode_Jbigkit(benchmark::State& s) { run(s, false, 0, Side::peer); }
void BM_DecodeTpbon_Ours(benchmark::State& s) { run(s, false, JBG_TPBON, Side::ours); }
void BM_DecodeTpbon_Jbigkit(benchmark::State& s) { run(s, false, JBG_TPBON, Side::peer); }

BENCHMARK(BM_Encode_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode_Jbigkit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeTpbon_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeTpbon_Jbigkit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode_Jbigkit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTpbon_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTpbon_Jbigkit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
