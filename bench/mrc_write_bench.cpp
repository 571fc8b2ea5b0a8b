// Profile M page writing: an A4 300-dpi colour page (text over a
// photograph, made by ImageMagick) written by the profile M writer with the
// export's defaults (three layers, MMR mask, JPEG quality 50 with 4:2:0 on
// both layers, both reduced by 2), beside DjVuLibre's cpaldjvu and c44 run on
// the same PPM, and libtiff writing the whole page as one JPEG strip at
// quality 50. Counters: output bytes and PSNR against the source page (ours
// read back by our reader, DjVu through ddjvu, libtiff's JPEG by libtiff).
// The DjVu tools run as processes, so their times include process start.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_tiff_memory.h"
#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_write_tiff_mrc.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/mrc/rst_mrc_creators.h"

namespace {

constexpr int32_t kWidth = 2480, kHeight = 3508;

std::vector<uint8_t> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The RGB samples of a P6 file.
std::vector<uint8_t> ppm_samples(const std::vector<uint8_t>& ppm, int32_t& w, int32_t& h) {
  std::string head(ppm.begin(), ppm.begin() + std::min<long>(long(ppm.size()), 40));
  int used = 0, maxval = 0;
  if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &used) != 3) return {};
  return std::vector<uint8_t>(ppm.begin() + used + 1, ppm.end());
}

struct Page {
  std::string dir, ppm;
  std::vector<uint8_t> rgb;
};

const Page& page() {
  static Page p = [] {
    Page x;
    char name[] = "/tmp/mrc_bench_XXXXXX";
    x.dir = mkdtemp(name) ? name : "/tmp";
    x.ppm = x.dir + "/page.ppm";
    std::string text;
    for (int i = 0; i < 40; ++i)
      text += " -annotate +150+" + std::to_string(300 + i * 75) +
              " 'Mixed raster content keeps text sharp over photographs " + std::to_string(i) + "'";
    std::string cmd =
        "/usr/bin/convert -size 620x877 plasma:fractal -blur 0x3 -resize 2480x3508! -fill black "
        "-pointsize 44" +
        text + " -depth 8 " + x.ppm;
    if (std::system(cmd.c_str()) != 0) return x;
    int32_t w = 0, h = 0;
    x.rgb = ppm_samples(file_bytes(x.ppm), w, h);
    if (w != kWidth || h != kHeight) x.rgb.clear();
    return x;
  }();
  return p;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double se = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    double d = double(a[i]) - double(b[i]);
    se += d * d;
  }
  double mse = se / double(a.size());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

RstRead* rgb_source(const std::vector<uint8_t>& rgb) {
  RstHeader h;
  h.width = kWidth;
  h.height = kHeight;
  h.bits_per_sample = 8;
  h.samples_per_pixel = 3;
  h.color_type = RstColorType::s_rgb();
  return RstReadRawFromByteArray::create(rgb.data(), h, kWidth * 3, false, false);
}

std::vector<uint8_t> write_ours(const std::vector<uint8_t>& rgb) {
  RstMMROption mmr(1, 0);
  RstEncodeJPEGOption jpeg(50, RstJPEGSampling::s420);
  RstWriteTIFFMRCOption option(0, 300, 300, 0, &mmr, &jpeg, &jpeg, 2, 2);
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, 0x4949);
  RstRead* source = rgb_source(rgb);
  RstWrite* writer = RstWriteTIFFMRC::create(source, manager, &option);
  if (writer) {
    while (writer->write() != 0) {
    }
    writer->end();
  } else {
    source->end();
  }
  manager->close();
  std::vector<uint8_t> bytes(size_t(out.size()));
  MemoryInputStorage in(out.blocks());
  in.read(bytes.data(), int32_t(bytes.size()));
  return bytes;
}

// Our file's page as sRGB through our reader.
std::vector<uint8_t> read_ours(const std::vector<uint8_t>& file) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstRead* lab = RstReadRaster::create(&in, 1);
  if (!lab) return {};
  RstRead* rgb = rst_format_creators().transform_color_to(lab, RstColorType::s_rgb());
  if (!rgb) {
    lab->end();
    return {};
  }
  RstOwner<RstRead> node(rgb);
  std::vector<uint8_t> out, line(size_t(node->line_size()));
  for (int n = node->read(line.data()); n > 0; n = node->read(line.data()))
    out.insert(out.end(), line.begin(), line.end());
  return out;
}

void setup() {
  static bool done = [] {
    rst_register_color_creators();
    rst_register_geometry_creators();
    rst_register_mrc_creators();
    return true;
  }();
  (void)done;
}

void BM_ProfileMWriter(benchmark::State& state) {
  setup();
  const Page& p = page();
  if (p.rgb.empty()) return state.SkipWithError("no page");
  std::vector<uint8_t> file;
  for (auto _ : state) file = write_ours(p.rgb);
  state.counters["bytes"] = double(file.size());
  state.counters["psnr"] = psnr(read_ours(file), p.rgb);
}

void djvu(benchmark::State& state, const char* tool) {
  const Page& p = page();
  if (p.rgb.empty()) return state.SkipWithError("no page");
  std::string out = p.dir + "/page.djvu";
  std::string cmd = std::string(tool) + " -dpi 300 " + p.ppm + " " + out + " >/dev/null 2>&1";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) return state.SkipWithError(tool);
  state.counters["bytes"] = double(file_bytes(out).size());
  std::string decoded = p.dir + "/djvu.ppm";
  if (std::system(("ddjvu -format=ppm " + out + " " + decoded).c_str()) != 0) return;
  int32_t w = 0, h = 0;
  state.counters["psnr"] = psnr(ppm_samples(file_bytes(decoded), w, h), p.rgb);
}

void BM_Cpaldjvu(benchmark::State& state) { djvu(state, "cpaldjvu"); }
void BM_C44(benchmark::State& state) { djvu(state, "c44"); }

void BM_LibtiffJpegPage(benchmark::State& state) {
  const Page& p = page();
  const BenchTiff& t = bench_tiff();
  if (p.rgb.empty() || !t.ok) return state.SkipWithError("no page or libtiff");
  MemoryTiff file;
  for (auto _ : state) {
    file.bytes.clear();
    TIFF* tif = file.open("w");
    t.set_field(tif, TIFFTAG_IMAGEWIDTH, uint32_t(kWidth));
    t.set_field(tif, TIFFTAG_IMAGELENGTH, uint32_t(kHeight));
    t.set_field(tif, TIFFTAG_BITSPERSAMPLE, 8);
    t.set_field(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    t.set_field(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    t.set_field(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    t.set_field(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    t.set_field(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    t.set_field(tif, TIFFTAG_JPEGQUALITY, 50);
    t.set_field(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(kHeight));
    t.write_encoded_strip(tif, 0, const_cast<uint8_t*>(p.rgb.data()), tmsize_t(p.rgb.size()));
    t.close(tif);
  }
  state.counters["bytes"] = double(file.bytes.size());
  TIFF* tif = file.open("r");
  std::vector<uint8_t> back(p.rgb.size());
  t.set_field(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  t.read_encoded_strip(tif, 0, back.data(), tmsize_t(back.size()));
  t.close(tif);
  state.counters["psnr"] = psnr(back, p.rgb);
}

}  // namespace

BENCHMARK(BM_ProfileMWriter)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Cpaldjvu)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_C44)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibtiffJpegPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
