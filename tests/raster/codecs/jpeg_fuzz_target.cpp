// The JPEG reader fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of valid baseline, sub-sampled,
// progressive and restart-coded streams.
#include "jpeg_fuzz_target.h"

#include <random>
#include <vector>

#include "../core/rst_fuzz_observer.h"
#include "jpeg_stream_builder.h"
#include "raster/codecs/rst_read_jpeg23.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_node_handle.h"

namespace {

// An option holding the standard luminance tables, made once.
const RstJPEGOption* tables_option() {
  static const RstJPEGOption* option = [] {
    JpegBytes j;
    j.soi().tables().eoi();
    ByteArrayInputStorage storage(j.b);
    RstReadJPEGHeader header(&storage, true);
    return header.create_option(nullptr);
  }();
  return option;
}

struct Reported : RstObserver, RstMessager {
  explicit Reported(bool throws) : inner(throws) {
    RstStatusContext* c = RstStatusContext::instance();
    c->set_observer(this);
    c->set_messager(this);
  }
  void notify(void* s, const int32_t* code, const char* w) override {
    ++count;
    inner.notify(s, code, w);
  }
  void message(void*, const int32_t*, const char*) override { ++count; }
  RstFuzzObserver inner;
  int count = 0;
};

}  // namespace

int jpeg_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  bool throws = data[0] & 1;
  Reported reported(throws);
  RstJPEGOption rgb(nullptr, RstColorType::s_rgb());
  const RstJPEGOption* options[] = {nullptr, tables_option(), &rgb, nullptr};
  const RstJPEGOption* option = options[(data[0] >> 1) & 3];
  MemoryOutputStorage out(512);
  out.write(data + 1, int32_t(size - 1));
  InputStorage* in = out.to_input_storage();
  if (!in) return 0;
  int lines = 0;
  try {
    RstNodeHandle<RstRead> node(RstReadJPEG23::create(in, nullptr, option));
    if (!node) {
      if (reported.count == 0) __builtin_trap();
    } else {
      RstHeader h(node.get());
      int32_t line_size = node->line_size();
      if (h.height < 1 || line_size < 1) __builtin_trap();
      std::vector<uint8_t> line(static_cast<size_t>(line_size));
      for (int32_t y = 0; y < h.height; ++y) {
        if (node->read(line.data()) != line_size) __builtin_trap();
        ++lines;
      }
      if (node->read(line.data()) != 0) __builtin_trap();
    }
  } catch (const RstStatus&) {
    if (!throws) __builtin_trap();
  }
  delete in;
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jpeg_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>
#include <jpeglib.h>

namespace {

// A stream of a varied picture through libjpeg with the given settings.
Bytes seed_stream(int width, int height, int components, int h0, int v0, bool progressive, int restart) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.comp_info[0].h_samp_factor = h0;
  cinfo.comp_info[0].v_samp_factor = v0;
  cinfo.restart_interval = static_cast<unsigned>(restart);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(width) * components);
  for (int y = 0; y < height; ++y) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t((i * 29 + size_t(y) * 13 + (i * y) % 7) & 0xFF);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes bytes(out, out + size);
  free(out);
  return bytes;
}

TEST(JpegFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(34);
  std::vector<Bytes> seeds;
  const struct {
    int w, h, comps, h0, v0;
    bool progressive;
    int restart;
  } kinds[] = {{16, 16, 1, 1, 1, false, 0}, {24, 17, 3, 2, 2, false, 0}, {20, 12, 3, 2, 1, false, 2},
               {17, 9, 3, 1, 1, true, 0},   {32, 16, 3, 2, 2, true, 1},  {9, 30, 1, 1, 1, true, 0}};
  for (const auto& k : kinds) {
    Bytes seed{0};
    Bytes stream = seed_stream(k.w, k.h, k.comps, k.h0, k.v0, k.progressive, k.restart);
    seed.insert(seed.end(), stream.begin(), stream.end());
    EXPECT_EQ(jpeg_fuzz_one(seed.data(), seed.size()), k.h);
    seeds.push_back(seed);
  }
  for (int iter = 0; iter < 15000; ++iter) {
    Bytes input;
    if (iter % 10 == 0) {
      input.resize(1 + rng() % 300);
      for (auto& b : input) b = uint8_t(rng());
    } else {
      input = seeds[size_t(iter) % seeds.size()];
      input[0] = uint8_t(rng());
      int edits = 1 + int(rng() % 6);
      for (int e = 0; e < edits; ++e) {
        size_t at = 1 + rng() % (input.size() - 1);
        switch (rng() % 4) {
          case 0: input[at] ^= uint8_t(1u << (rng() % 8)); break;
          case 1: input[at] = uint8_t(rng()); break;
          case 2: input[at] = 0xFF; break;
          default: input.resize(at + 1); break;
        }
      }
    }
    jpeg_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
