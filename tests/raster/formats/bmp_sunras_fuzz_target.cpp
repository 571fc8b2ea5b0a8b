// The BMP and Sun raster fuzz entry, and in the test program its fixed-budget
// run over random bytes and mutated fixtures.
#include "bmp_sunras_fuzz_target.h"

#include <memory>
#include <random>
#include <vector>

#include "fuzz_reading.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_bmp.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_sunras.h"
#include "raster/geometry/rst_geometry_creators.h"

using fuzz_reading::read_twice;

int bmp_sunras_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  rst_register_color_creators();
  rst_register_geometry_creators();
  RstFuzzObserver observer(data[0] & 1);
  int32_t top_down = (data[0] >> 1) & 1;
  MemoryOutputStorage out(256);
  out.write(data + 1, int32_t(size - 1));
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  if (!in) return 0;
  int lines = 0;
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadBMP::create(in.get(), nullptr, top_down);
  });
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadDIB::create(in.get(), nullptr, top_down);
  });
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadSunras::create(in.get(), nullptr);
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
  bmp_sunras_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include "bmp_sunras_support.h"

namespace {

std::vector<std::vector<uint8_t> > fixtures() {
  std::vector<std::vector<uint8_t> > files;
  BmpSpec b;
  b.width = 5;
  b.height = 3;
  b.palette.assign(256, 0x405060);
  b.data.assign(24, 3);
  files.push_back(bmp_bytes(b));
  b.compression = 1;
  b.data = {5, 1, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 2, 2, 1, 2, 3, 0, 1};
  files.push_back(bmp_bytes(b));
  b.compression = 2;
  b.bits = 4;
  b.palette.assign(16, 0x102030);
  b.data = {5, 0x12, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 3, 0x77, 0, 1};
  files.push_back(bmp_bytes(b));
  b.compression = 0;
  b.bits = 16;
  b.palette.clear();
  b.data.assign(36, 0xA5);
  files.push_back(bmp_bytes(b));
  b.bits = 1;
  b.header_size = 12;
  b.palette = {0, 0xFFFFFF};
  b.data.assign(12, 0x5A);
  files.push_back(bmp_bytes(b));
  SunSpec s;
  s.length = 8;
  s.data.assign(8, 9);
  s.map_type = 1;
  s.map_length = 6;
  s.map = {1, 2, 3, 4, 5, 6};
  files.push_back(sun_bytes(s));
  s.type = 2;
  s.map_type = s.map_length = 0;
  s.map.clear();
  s.data = {0x80, 5, 1, 2, 0x80, 0, 7};
  s.length = 7;
  files.push_back(sun_bytes(s));
  return files;
}

}  // namespace

TEST(BmpSunrasFuzzTest, FixedBudgetOfRandomAndMutatedFiles) {
  std::vector<std::vector<uint8_t> > base = fixtures();
  std::mt19937 rng(20261252);
  int lines = 0;
  for (int round = 0; round < 1500; ++round) {
    std::vector<uint8_t> input;
    if (round % 10 == 0) {
      input.resize(1 + rng() % 200);
      for (uint8_t& b : input) b = uint8_t(rng());
    } else {
      const auto& seed = base[rng() % base.size()];
      input = {uint8_t(rng())};
      input.insert(input.end(), seed.begin(), seed.end());
      int mutations = 1 + int(rng() % 6);
      for (int m = 0; m < mutations; ++m) {
        // Most changes fall into the headers.
        size_t at = 1 + rng() % (input.size() - 1);
        if (rng() % 4) at = 1 + rng() % std::min<size_t>(input.size() - 1, 60);
        switch (rng() % 4) {
          case 0: input[at] = uint8_t(rng()); break;
          case 1: input[at] ^= uint8_t(1u << (rng() % 8)); break;
          case 2: input[at] = uint8_t(rng() % 2 ? 0xFF : 0); break;
          default: input.resize(at + 1); break;
        }
      }
    }
    lines += bmp_sunras_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(lines, 0);
}

// Whole header fields set to edge values or random words, image sizes kept
// moderate so that every page is read to its end: a clear status, or rows
// with warnings, never a crash.
TEST(BmpSunrasFuzzTest, RandomHeaderFields) {
  std::vector<std::vector<uint8_t> > base = fixtures();
  const uint32_t edges[] = {0,  1,  2,   3,   4,   8,          12,         16,         24,        32,
                            40, 64, 108, 124, 255, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFB};
  std::mt19937 rng(20261253);
  int lines = 0;
  for (int round = 0; round < 1500; ++round) {
    const auto& seed = base[rng() % base.size()];
    bool sun = seed[0] == 0x59;
    std::vector<uint8_t> input = {uint8_t(rng())};
    input.insert(input.end(), seed.begin(), seed.end());
    // Field offsets (in the file) of the Sun header, or of the BMP file and
    // info headers; BMP's 16-bit planes and bits are written as words too.
    std::vector<size_t> fields;
    if (sun) {
      for (size_t at = 4; at < 32; at += 4) fields.push_back(at);
    } else {
      fields = {2, 10, 14, 18, 22, 26, 28, 30, 34, 38, 42, 46, 50};
    }
    int changes = 1 + int(rng() % 3);
    for (int c = 0; c < changes; ++c) {
      size_t at = 1 + fields[rng() % fields.size()];
      uint32_t v = rng() % 2 ? edges[rng() % (sizeof edges / sizeof edges[0])] : uint32_t(rng());
      // Widths and heights: moderate, either sign for BMP.
      bool size_field = sun ? (at == 5 || at == 9) : (at == 19 || at == 23);
      if (size_field && rng() % 4) v = uint32_t(int32_t(rng() % 600) - (sun ? 0 : 300));
      for (int i = 0; i < 4 && at + size_t(i) < input.size(); ++i)
        input[at + size_t(i)] = uint8_t(sun ? v >> (8 * (3 - i)) : v >> (8 * i));
    }
    lines += bmp_sunras_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(lines, 0);
}

#endif
