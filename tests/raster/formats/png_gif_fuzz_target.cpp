// The PNG and GIF fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of small valid files of every kind.
#include "png_gif_fuzz_target.h"

#include <memory>
#include <random>
#include <vector>

#include "fuzz_reading.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_gif.h"
#include "raster/formats/rst_read_png.h"
#include "raster/formats/rst_read_raster.h"

using fuzz_reading::read_twice;

int png_gif_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  RstFuzzObserver observer(data[0] & 1);
  MemoryOutputStorage out(256);
  out.write(data + 1, int32_t(size - 1));
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  if (!in) return 0;
  int lines = 0;
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadPNG::create(in.get(), nullptr);
  });
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    std::unique_ptr<RstReadGIFHeader> header(RstReadGIF::private_header(in.get()));
    return header ? RstReadGIF::create(in.get(), header.get()) : nullptr;
  });
  try {
    in->rewind();
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(in.get(), 1));
  } catch (const RstStatus&) {
  }
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadRaster::create(in.get(), 1);
  });
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  png_gif_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include "gif_support.h"
#include "png_support.h"

namespace {

std::vector<std::vector<uint8_t> > seeds() {
  std::vector<std::vector<uint8_t> > out;
  png_color colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  uint8_t alpha[2] = {0, 128};
  for (bool interlaced : {false, true}) {
    out.push_back(png_bytes(7, 5, 8, PNG_COLOR_TYPE_RGB_ALPHA, interlaced, byte_rows(7, 5, 4)));
    out.push_back(
        png_bytes(9, 4, 2, PNG_COLOR_TYPE_PALETTE, interlaced, byte_rows(3, 4, 1), [&](png_structp p, png_infop i) {
          png_set_PLTE(p, i, colors, 4);
          png_set_tRNS(p, i, alpha, 2, nullptr);
        }));
    out.push_back(
        png_bytes(11, 3, 16, PNG_COLOR_TYPE_GRAY, interlaced, byte_rows(22, 3, 1), [](png_structp p, png_infop i) {
          png_set_gAMA(p, i, 1.0);
          png_set_pHYs(p, i, 3780, 3780, 1);
        }));
    GifSpec s;
    s.width = 10;
    s.height = 9;
    s.colors = gif_colors(interlaced ? 2 : 16);
    s.interlaced = interlaced;
    s.extensions = true;
    s.global = !interlaced;
    s.frames = {index_rows(10, 9, uint32_t(s.colors.size())), index_rows(10, 9, 2)};
    out.push_back(gif_bytes(s));
  }
  return out;
}

}  // namespace

TEST(PngGifFuzzTest, FixedBudgetOfRandomAndMutatedFiles) {
  std::mt19937 rng(20261211);
  std::vector<std::vector<uint8_t> > base = seeds();
  int lines = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> input;
    if (round % 10 == 0) {
      input.resize(1 + rng() % 200);
      for (uint8_t& b : input) b = uint8_t(rng());
    } else {
      const std::vector<uint8_t>& seed = base[rng() % base.size()];
      input = {uint8_t(rng())};
      input.insert(input.end(), seed.begin(), seed.end());
      int mutations = 1 + int(rng() % 6);
      for (int m = 0; m < mutations; ++m) {
        size_t at = 1 + rng() % (input.size() - 1);
        switch (rng() % 4) {
          case 0: input[at] = uint8_t(rng()); break;
          case 1: input[at] ^= uint8_t(1u << (rng() % 8)); break;
          case 2: input[at] = uint8_t(rng() % 2 ? 0xFF : 0); break;
          default: input.resize(at + 1); break;
        }
      }
    }
    lines += png_gif_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(lines, 0);
}
#endif
