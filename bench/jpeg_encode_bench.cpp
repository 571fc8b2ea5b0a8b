// JPEG encoding: RstWriteJPEG writing a raw YCbCr source into memory beside
// libjpeg's jpeg_write_scanlines on the same A4 600-dpi page (YCbCr in, same
// quality 75 and sampling), libjpeg with its accurate and its fast integer
// forward DCT. libjpeg is loaded at run time. Run once as it is and once
// with JSIMD_FORCENONE=1 in the environment to compare against libjpeg
// without its SIMD code (the variable is read once per process).
#include <dlfcn.h>

#include <cstdio>  // before jpeglib.h, which uses FILE
#include <cstdlib>

#include <jpeglib.h>

#include <vector>

#include "bench_pair.h"
#include "raster/codecs/rst_write_jpeg.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_write.h"

namespace {

struct BenchJpeg {
  decltype(&jpeg_std_error) std_error;
  decltype(&jpeg_CreateCompress) create_compress;
  decltype(&jpeg_mem_dest) mem_dest;
  decltype(&jpeg_set_defaults) set_defaults;
  decltype(&jpeg_set_quality) set_quality;
  decltype(&jpeg_start_compress) start_compress;
  decltype(&jpeg_write_scanlines) write_scanlines;
  decltype(&jpeg_finish_compress) finish_compress;
  decltype(&jpeg_destroy_compress) destroy_compress;
  bool ok = false;
};

const BenchJpeg& bench_jpeg() {
  static BenchJpeg j = [] {
    BenchJpeg x;
    void* lib = dlopen("libjpeg.so.62", RTLD_NOW);
    if (!lib) return x;
    bool all = true;
    auto load = [&](auto& f, const char* name) {
      f = reinterpret_cast<std::decay_t<decltype(f)>>(dlsym(lib, name));
      all = all && f;
    };
    load(x.std_error, "jpeg_std_error");
    load(x.create_compress, "jpeg_CreateCompress");
    load(x.mem_dest, "jpeg_mem_dest");
    load(x.set_defaults, "jpeg_set_defaults");
    load(x.set_quality, "jpeg_set_quality");
    load(x.start_compress, "jpeg_start_compress");
    load(x.write_scanlines, "jpeg_write_scanlines");
    load(x.finish_compress, "jpeg_finish_compress");
    load(x.destroy_compress, "jpeg_destroy_compress");
    x.ok = all;
    return x;
  }();
  return j;
}

constexpr int kWidth = 4960, kHeight = 7016;

// Line y of the page: soft gradients and text-like detail, YCbCr triples.
void page_line(int y, uint8_t* line) {
  for (int x = 0; x < kWidth; ++x) {
    bool ink = ((x / 3 + y / 5) % 41 < 2) && (y / 60) % 3 == 0;
    line[3 * x] = ink ? 20 : uint8_t((x / 23 + y / 31) & 0xFF);
    line[3 * x + 1] = uint8_t(128 + ((x / 97) & 31) - 16);
    line[3 * x + 2] = uint8_t(128 - ((y / 113) & 31) + 16);
  }
}

// The page as a raw YCbCr source node.
class PageSource : public RstRead {
 public:
  void header(RstHeader& h) override {
    h = RstHeader();
    h.width = kWidth;
    h.height = kHeight;
    h.bits_per_sample = 8;
    h.samples_per_pixel = 3;
    h.color_type = RstColorType::s_ycbcr();
  }
  int read(uint8_t* line) override {
    if (next_ >= kHeight) return 0;
    page_line(next_++, line);
    return 3 * kWidth;
  }
  void reset() override { next_ = 0; }

 private:
  int next_ = 0;
};

struct Sampling {
  uint32_t code;
  int h, v;  // luminance factors
};
const Sampling kSamplings[] = {{RstJPEGSampling::s444, 1, 1},
                               {RstJPEGSampling::s422, 2, 1},
                               {RstJPEGSampling::s420, 2, 2},
                               {RstJPEGSampling::s411, 4, 1}};

void ours(const Sampling& s) {
  MemoryOutputStorage out(1 << 20);
  RstWriteJPEGOption option(600, 600, 75, s.code);
  RstWrite* writer = RstWriteJPEG::create(new PageSource(), &out, &option, false);
  if (!writer) return;
  while (writer->write() > 0) {
  }
  writer->end();
  benchmark::DoNotOptimize(out.size());
}

void libjpeg(const Sampling& s, J_DCT_METHOD method) {
  const BenchJpeg& j = bench_jpeg();
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = j.std_error(&err);
  j.create_compress(&c, JPEG_LIB_VERSION, sizeof c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  j.mem_dest(&c, &out, &size);
  c.image_width = kWidth;
  c.image_height = kHeight;
  c.input_components = 3;
  c.in_color_space = JCS_YCbCr;
  j.set_defaults(&c);
  j.set_quality(&c, 75, TRUE);
  c.comp_info[0].h_samp_factor = s.h;
  c.comp_info[0].v_samp_factor = s.v;
  c.dct_method = method;
  j.start_compress(&c, TRUE);
  std::vector<uint8_t> line(size_t(kWidth) * 3);
  for (int y = 0; y < kHeight; ++y) {
    page_line(y, line.data());
    JSAMPROW r = line.data();
    j.write_scanlines(&c, &r, 1);
  }
  j.finish_compress(&c);
  j.destroy_compress(&c);
  benchmark::DoNotOptimize(size);
  std::free(out);
}

void BM_JpegEncode(benchmark::State& state) {
  if (!bench_jpeg().ok) {
    state.SkipWithError("libjpeg.so.62 not loaded");
    return;
  }
  const Sampling& s = kSamplings[state.range(0)];
  J_DCT_METHOD method = state.range(1) ? JDCT_IFAST : JDCT_ISLOW;
  run_pair(
      state, [&] { ours(s); }, [&] { libjpeg(s, method); });
}

}  // namespace

// Arguments: sampling (4:4:4, 4:2:2, 4:2:0, 4:1:1), libjpeg transform (0
// accurate, 1 fast).
BENCHMARK(BM_JpegEncode)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
