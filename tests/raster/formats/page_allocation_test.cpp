// Whole pages read through format detection with each allocation refused in
// turn: every attempt ends in a clear status or in the page's lines, and
// nothing is left behind (the sanitizer's leak check runs at exit).
#include <gtest/gtest.h>

#include <tiffio.h>

#include "page_support.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"

namespace {

class PageAllocation : public PageTest {
 protected:
  Rows read_raster(const std::vector<uint8_t>& file) {
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> node(RstReadRaster::create(&in, 1));
    return node ? read_lines(node.get()) : Rows{};
  }
};

TEST_F(PageAllocation, EveryRefusedAllocationEndsCleanly) {
  struct Case {
    const char* name;
    uint16_t bits, samples, photometric, compression;
  } cases[] = {
      {"gray, uncompressed", 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE},
      {"gray, PackBits", 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS},
      {"RGB, LZW", 8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW},
      {"bilevel, G4", 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const uint32_t width = 24, height = 6;
    Rows rows = c.bits == 1 ? bilevel_rows(width, height) : byte_rows(width, height, c.samples);
    std::vector<uint8_t> file = libtiff_file([&](TIFF* tif) {
      page_tags(tif, width, height, c.bits, c.samples, c.photometric, c.compression, 4);
      write_rows(tif, rows);
    });
    ASSERT_FALSE(file.empty());
    const Rows whole = read_raster(file);
    ASSERT_EQ(whole.size(), size_t(height));
    bool clean = false;
    int64_t n = 1;
    for (; n < 400 && !clean; ++n) {
      SCOPED_TRACE(n);
      status.clear();
      RstAllocFault::fail_nth(n);
      Rows got = read_raster(file);
      RstAllocFault::clear();
      clean = status.errors().empty();
      if (clean) {
        EXPECT_EQ(got, whole);
      } else {
        EXPECT_EQ(status.errors().front().code, -1);
      }
    }
    EXPECT_TRUE(clean);
    EXPECT_GT(n, 10) << "the read makes its allocations";
  }
}

}  // namespace
