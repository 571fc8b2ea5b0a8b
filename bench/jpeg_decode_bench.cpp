// JPEG decoding: RstReadJPEG23 pulled to its end beside libjpeg's
// jpeg_read_scanlines on the same A4 600-dpi pages (4:2:0, 4:4:4, gray and
// progressive 4:2:0), both giving the file's colour space without fancy
// upsampling; libjpeg with its accurate and its fast integer transform.
// libjpeg is loaded at run time. Run once as it is and once with
// JSIMD_FORCENONE=1 in the environment to compare against libjpeg without
// its SIMD code (the variable is read once per process).
#include <dlfcn.h>

#include <cstdio>  // before jpeglib.h, which uses FILE

#include <jpeglib.h>

#include <map>
#include <string>
#include <vector>

#include "bench_pair.h"
#include "raster/codecs/rst_read_jpeg23.h"
#include "raster/core/byte_array_storage.h"

namespace {

struct BenchJpeg {
  decltype(&jpeg_std_error) std_error;
  decltype(&jpeg_CreateCompress) create_compress;
  decltype(&jpeg_CreateDecompress) create_decompress;
  decltype(&jpeg_mem_dest) mem_dest;
  decltype(&jpeg_mem_src) mem_src;
  decltype(&jpeg_set_defaults) set_defaults;
  decltype(&jpeg_set_quality) set_quality;
  decltype(&jpeg_simple_progression) simple_progression;
  decltype(&jpeg_start_compress) start_compress;
  decltype(&jpeg_write_scanlines) write_scanlines;
  decltype(&jpeg_finish_compress) finish_compress;
  decltype(&jpeg_destroy_compress) destroy_compress;
  decltype(&jpeg_read_header) read_header;
  decltype(&jpeg_start_decompress) start_decompress;
  decltype(&jpeg_read_scanlines) read_scanlines;
  decltype(&jpeg_finish_decompress) finish_decompress;
  decltype(&jpeg_destroy_decompress) destroy_decompress;
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
    load(x.create_decompress, "jpeg_CreateDecompress");
    load(x.mem_dest, "jpeg_mem_dest");
    load(x.mem_src, "jpeg_mem_src");
    load(x.set_defaults, "jpeg_set_defaults");
    load(x.set_quality, "jpeg_set_quality");
    load(x.simple_progression, "jpeg_simple_progression");
    load(x.start_compress, "jpeg_start_compress");
    load(x.write_scanlines, "jpeg_write_scanlines");
    load(x.finish_compress, "jpeg_finish_compress");
    load(x.destroy_compress, "jpeg_destroy_compress");
    load(x.read_header, "jpeg_read_header");
    load(x.start_decompress, "jpeg_start_decompress");
    load(x.read_scanlines, "jpeg_read_scanlines");
    load(x.finish_decompress, "jpeg_finish_decompress");
    load(x.destroy_decompress, "jpeg_destroy_decompress");
    x.ok = all;
    return x;
  }();
  return j;
}

constexpr int kWidth = 4960, kHeight = 7016;

enum Kind { k420, k444, kGray, kProgressive };

// An A4 600-dpi page of soft gradients and text-like detail, coded once.
const std::vector<uint8_t>& page(Kind kind) {
  static std::map<Kind, std::vector<uint8_t>> cache;
  auto found = cache.find(kind);
  if (found != cache.end()) return found->second;
  const BenchJpeg& j = bench_jpeg();
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = j.std_error(&err);
  j.create_compress(&c, JPEG_LIB_VERSION, sizeof c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  j.mem_dest(&c, &out, &size);
  int comps = kind == kGray ? 1 : 3;
  c.image_width = kWidth;
  c.image_height = kHeight;
  c.input_components = comps;
  c.in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_RGB;
  j.set_defaults(&c);
  j.set_quality(&c, 75, TRUE);
  if (kind == k444) c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
  if (kind == kProgressive) j.simple_progression(&c);
  j.start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(kWidth) * comps);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x)
      for (int k = 0; k < comps; ++k) {
        bool ink = ((x / 3 + y / 5) % 41 < 2) && (y / 60) % 3 == 0;
        row[size_t(x) * comps + k] = ink ? 20 : uint8_t((x * (k + 1) / 23 + y / 31) & 0xFF);
      }
    JSAMPROW r = row.data();
    j.write_scanlines(&c, &r, 1);
  }
  j.finish_compress(&c);
  j.destroy_compress(&c);
  std::vector<uint8_t>& bytes = cache[kind];
  bytes.assign(out, out + size);
  std::free(out);
  return bytes;
}

void ours(const std::vector<uint8_t>& file) {
  ByteArrayInputStorage storage(file.data(), int32_t(file.size()));
  pull_all(RstReadJPEG23::create(&storage, nullptr, nullptr));
}

void libjpeg(const std::vector<uint8_t>& file, J_DCT_METHOD method) {
  const BenchJpeg& j = bench_jpeg();
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = j.std_error(&err);
  j.create_decompress(&d, JPEG_LIB_VERSION, sizeof d);
  j.mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
  j.read_header(&d, TRUE);
  d.out_color_space = d.jpeg_color_space;
  d.do_fancy_upsampling = FALSE;
  d.dct_method = method;
  j.start_decompress(&d);
  std::vector<uint8_t> line(size_t(d.output_width) * d.output_components);
  while (d.output_scanline < d.output_height) {
    JSAMPROW r = line.data();
    j.read_scanlines(&d, &r, 1);
    benchmark::DoNotOptimize(line.data());
  }
  j.finish_decompress(&d);
  j.destroy_decompress(&d);
}

void BM_JpegDecode(benchmark::State& state) {
  if (!bench_jpeg().ok) {
    state.SkipWithError("libjpeg.so.62 not loaded");
    return;
  }
  const std::vector<uint8_t>& file = page(Kind(state.range(0)));
  J_DCT_METHOD method = state.range(1) ? JDCT_IFAST : JDCT_ISLOW;
  run_pair(
      state, [&] { ours(file); }, [&] { libjpeg(file, method); });
}

}  // namespace

// Arguments: page kind (4:2:0, 4:4:4, gray, progressive), libjpeg transform
// (0 accurate, 1 fast).
BENCHMARK(BM_JpegDecode)
    ->ArgsProduct({{k420, k444, kGray, kProgressive}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
