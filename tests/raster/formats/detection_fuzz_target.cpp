// The format detection fuzz entry, and the fixed-budget run of it in the
// test program: random bytes and mutations of one small file per format.
#include "detection_fuzz_target.h"

#include <memory>
#include <random>
#include <vector>

#include "fuzz_reading.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_status.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/geometry/rst_geometry_creators.h"

using fuzz_reading::read_twice;

int detection_fuzz_one(const uint8_t* data, size_t size) {
  static const bool registered = (rst_register_color_creators(), rst_register_geometry_creators(), true);
  (void)registered;
  if (size < 1) return 0;
  RstFuzzObserver observer(data[0] & 1);
  MemoryOutputStorage out(256);
  out.write(data + 1, int32_t(size - 1));
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  if (!in) return 0;
  try {
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(in.get(), 1));
    if (info) info->page_count();
  } catch (const RstStatus&) {
  }
  return read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadRaster::create(in.get(), 1);
  });
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  detection_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include "bmp_sunras_support.h"
#include "cals_edmics_support.h"
#include "exif_support.h"
#include "gif_support.h"
#include "png_support.h"

namespace {

std::vector<std::vector<uint8_t> > seeds() {
  std::vector<std::vector<uint8_t> > out;
  Rows rows = bilevel_rows(24, 6);
  out.push_back(pages_file({g4_page(24, rows, 4), g4_page(24, rows, 4)}));
  out.push_back(pages_file({g4_page(24, rows, 4)}, true));
  out.push_back(JpegBytes().soi().jfif(1, 72, 72).tables().sof(8, 8, 1).sos(1).raw(Bytes(8, 0)).eoi().b);
  out.push_back(exif_jpeg(exif_tiff(ExifLayout()), false));
  out.push_back(exif_thumbnail_stream());
  BmpSpec bmp;
  bmp.palette = {0x000000, 0xFFFFFF};
  bmp.data = Bytes(8, 0x5A);
  out.push_back(bmp_bytes(bmp));
  SunSpec sun;
  sun.data = Bytes(8, 0x33);
  out.push_back(sun_bytes(sun));
  out.push_back(png_bytes(7, 5, 8, PNG_COLOR_TYPE_RGB, false, byte_rows(7, 5, 3)));
  out.push_back(mmr_file(24, rows));
  Bytes rlc = rlc_sane_header(6, 24, 200);
  append(rlc, rlc_lines(24, rows));
  out.push_back(rlc);
  out.push_back(cals_file(CalsRecords(24, 6), g4_code(24, rows)));
  GifSpec gif;
  gif.width = 10;
  gif.height = 9;
  gif.colors = gif_colors(4);
  gif.frames = {index_rows(10, 9, 4)};
  out.push_back(gif_bytes(gif));
  return out;
}

}  // namespace

TEST(DetectionFuzzTest, FixedBudgetOfRandomAndMutatedFiles) {
  std::mt19937 rng(20261212);
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
      int mutations = round % 7 == 1 ? 0 : 1 + int(rng() % 6);
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
    lines += detection_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(lines, 0);
}
#endif
