// The PNG reader on files libpng writes in the test: the shapes the reader
// delivers, resolution, gamma choice, the end of the rows and reset, and the
// faults: interlaced files and libpng warnings read cleanly, cut files end
// in a clear status, a header without context is never handed out.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "png_support.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_png.h"

namespace {

class PngReader : public PageTest {
 protected:
  // The reader over the bytes, through the probe and create, as detection
  // does; the header is released again.
  RstRead* reader(ByteArrayInputStorage& in) {
    RstReadPNGHeader* header = RstReadPNG::private_header(&in);
    if (!header) return nullptr;
    RstRead* node = RstReadPNG::create(&in, header);
    rst_release(header);
    return node;
  }
};

Rows gray8(uint32_t w, uint32_t h) { return byte_rows(w, h, 1, 3); }

TEST_F(PngReader, NotAPngGivesNullWithoutReport) {
  std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> short_png = {0x89, 'P', 'N', 'G'};
  for (auto* bytes : {&tiff, &short_png}) {
    ByteArrayInputStorage in(bytes->data(), int32_t(bytes->size()));
    EXPECT_EQ(RstReadPNG::private_header(&in), nullptr);
  }
  EXPECT_TRUE(status.messages().empty());
  ByteArrayInputStorage in(tiff.data(), int32_t(tiff.size()));
  EXPECT_EQ(RstReadPNG::create(&in, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-12, "RstReadPNG::create()"}}));
}

// What each kind of file becomes: bits, samples, colormap, and the rows.
TEST_F(PngReader, ShapesOfTheDeliveredLines) {
  const uint32_t w = 13, h = 5;
  Rows rgb16(h, std::vector<uint8_t>(w * 6));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t i = 0; i < w * 6; ++i) rgb16[y][i] = uint8_t(i * 7 + y * 31);
  Rows rgba(h, std::vector<uint8_t>(w * 4));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      for (int c = 0; c < 3; ++c) rgba[y][x * 4 + c] = uint8_t(x * 19 + y * 5 + c * 50);
      rgba[y][x * 4 + 3] = x % 3 == 0 ? 0 : x % 3 == 1 ? 255 : 128;
    }
  Rows pal4(h, std::vector<uint8_t>((w * 4 + 7) / 8));
  Rows pal1(h, std::vector<uint8_t>((w + 7) / 8));
  Rows gray1(h, std::vector<uint8_t>((w + 7) / 8));
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t i = 0; i < pal4[y].size(); ++i) pal4[y][i] = uint8_t(0x12 * (i + y) + 0x31);
    for (uint32_t i = 0; i < pal1[y].size(); ++i) pal1[y][i] = gray1[y][i] = uint8_t(0xA5 ^ (y * 0x3C));
    pal1[y].back() &= 0xF8;
    gray1[y].back() &= 0xF8;
  }
  png_color colors[16];
  for (int i = 0; i < 16; ++i) colors[i] = {uint8_t(i * 16), uint8_t(255 - i * 9), uint8_t(i * 3)};
  auto palette = [&](int n) { return [&colors, n](png_structp p, png_infop i) { png_set_PLTE(p, i, colors, n); }; };
  struct Case {
    const char* name;
    int depth, type;
    const Rows* rows;
    std::function<void(png_structp, png_infop)> more;
    int bits, samples, map_entries;
    RstColorType* color;
  } cases[] = {
      {"rgb16", 16, PNG_COLOR_TYPE_RGB, &rgb16, {}, 8, 3, 0, RstColorType::default_rgb()},
      {"rgba without bKGD", 8, PNG_COLOR_TYPE_RGB_ALPHA, &rgba, {}, 8, 3, 0, RstColorType::default_rgb()},
      {"palette 4", 4, PNG_COLOR_TYPE_PALETTE, &pal4, palette(16), 8, 3, 0, RstColorType::default_rgb()},
      {"palette 1", 1, PNG_COLOR_TYPE_PALETTE, &pal1, palette(2), 8, 1, 2, RstColorType::default_rgb()},
      {"gray 1", 1, PNG_COLOR_TYPE_GRAY, &gray1, {}, 1, 1, 0, RstColorType::default_gray()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = png_bytes(w, h, c.depth, c.type, false, *c.rows, c.more);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    std::unique_ptr<RstReadPNGHeader> header(RstReadPNG::private_header(&in));
    ASSERT_TRUE(header);
    RstHeader ph;
    header->rst_header(ph);
    EXPECT_EQ(ph.data_form, RstDataForm::flate);
    RstOwner<RstRead> node(RstReadPNG::create(&in, header.get()));
    ASSERT_TRUE(node);
    RstHeader nh(node.get());
    EXPECT_EQ(nh.data_form, RstDataForm::raw);
    EXPECT_EQ(nh.width, int32_t(w));
    EXPECT_EQ(nh.height, int32_t(h));
    EXPECT_EQ(nh.bits_per_sample, c.bits);
    EXPECT_EQ(nh.samples_per_pixel, c.samples);
    EXPECT_EQ(nh.color_type, c.color);
    EXPECT_EQ(nh.colormap ? nh.colormap->entries() : 0, c.map_entries);
    Rows got = read_lines(node.get());
    ASSERT_EQ(got.size(), h);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const auto& src = (*c.rows)[y];
        if (c.depth == 16) {
          for (int k = 0; k < 3; ++k) EXPECT_EQ(got[y][x * 3 + k], src[x * 6 + k * 2]);
        } else if (c.type == PNG_COLOR_TYPE_RGB_ALPHA) {
          uint8_t a = src[x * 4 + 3];
          for (int k = 0; k < 3; ++k) {
            if (a == 255) {
              EXPECT_EQ(got[y][x * 3 + k], src[x * 4 + k]);
            } else if (a == 0) {
              EXPECT_EQ(got[y][x * 3 + k], 255);  // white background
            }
          }
        } else if (c.depth == 4) {
          int index = (src[x / 2] >> (x % 2 ? 0 : 4)) & 15;
          EXPECT_EQ(got[y][x * 3], colors[index].red);
          EXPECT_EQ(got[y][x * 3 + 1], colors[index].green);
          EXPECT_EQ(got[y][x * 3 + 2], colors[index].blue);
        } else if (c.type == PNG_COLOR_TYPE_PALETTE) {
          EXPECT_EQ(got[y][x], (src[x / 8] >> (7 - x % 8)) & 1);
        }
      }
    if (c.depth == 1 && c.type == PNG_COLOR_TYPE_GRAY) {
      EXPECT_EQ(got, *c.rows);
    }
    if (c.map_entries) {
      EXPECT_EQ(nh.colormap->data()[3], colors[1].red);
      EXPECT_EQ(nh.colormap->data()[5], colors[1].blue);
    }
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(PngReader, ResolutionFromPhys) {
  struct Case {
    uint32_t ppm;
    int unit;
    int32_t dpi;
  } cases[] = {{3780, PNG_RESOLUTION_METER, 96}, {3780, PNG_RESOLUTION_UNKNOWN, 0}, {11811, 1, 300}};
  for (const Case& c : cases) {
    std::vector<uint8_t> file =
        png_bytes(4, 2, 8, PNG_COLOR_TYPE_GRAY, false, gray8(4, 2),
                  [&](png_structp p, png_infop i) { png_set_pHYs(p, i, c.ppm, c.ppm, c.unit); });
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    std::unique_ptr<RstReadPNGHeader> header(RstReadPNG::private_header(&in));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->x_resolution(), c.dpi);
    EXPECT_EQ(header->y_resolution(), c.dpi);
  }
  std::vector<uint8_t> plain = png_bytes(4, 2, 8, PNG_COLOR_TYPE_GRAY, false, gray8(4, 2));
  ByteArrayInputStorage in(plain.data(), int32_t(plain.size()));
  std::unique_ptr<RstReadPNGHeader> header(RstReadPNG::private_header(&in));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->x_resolution(), 0);
}

// sRGB wins over gAMA: file gamma 0.45455 against screen 2.2 leaves the
// samples as they are; gAMA 1.0 alone brightens them.
TEST_F(PngReader, SrgbOverridesFileGamma) {
  Rows rows = gray8(16, 3);
  auto gamma_one = [](png_structp p, png_infop i) { png_set_gAMA(p, i, 1.0); };
  std::vector<uint8_t> gamma_only = png_bytes(16, 3, 8, PNG_COLOR_TYPE_GRAY, false, rows, gamma_one);
  std::vector<uint8_t> with_srgb = with_chunk(gamma_only, "sRGB", {0});
  ByteArrayInputStorage a(with_srgb.data(), int32_t(with_srgb.size()));
  ByteArrayInputStorage b(gamma_only.data(), int32_t(gamma_only.size()));
  RstOwner<RstRead> srgb(reader(a)), gamma(reader(b));
  ASSERT_TRUE(srgb && gamma);
  EXPECT_EQ(read_lines(srgb.get()), rows);
  Rows brighter = read_lines(gamma.get());
  EXPECT_NE(brighter, rows);
  EXPECT_EQ(brighter, png_reference(gamma_only).rows);
}

TEST_F(PngReader, EndOfRowsAndReset) {
  Rows rows = byte_rows(9, 20, 3);
  for (bool interlaced : {false, true}) {
    SCOPED_TRACE(interlaced);
    std::vector<uint8_t> file = png_bytes(9, 20, 8, PNG_COLOR_TYPE_RGB, interlaced, rows);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> node(reader(in));
    ASSERT_TRUE(node);
    std::vector<uint8_t> line(27);
    for (int i = 0; i < 7; ++i) ASSERT_EQ(node->read(line.data()), 27);
    node->reset();
    Rows again = read_lines(node.get());
    EXPECT_EQ(again, rows);
    EXPECT_EQ(node->read(line.data()), 0);
    EXPECT_EQ(node->read(line.data()), 0);
    node->reset();
    EXPECT_EQ(read_lines(node.get()), rows);
  }
  // No report at all: an interlaced file draws no libpng warning.
  EXPECT_TRUE(status.messages().empty());
}

// A profile libpng does not accept is a warning: the rows are right.
TEST_F(PngReader, IccpWarningLeavesRowsIntact) {
  Rows rows = byte_rows(11, 4, 3);
  std::vector<uint8_t> plain = png_bytes(11, 4, 8, PNG_COLOR_TYPE_RGB, false, rows);
  std::vector<uint8_t> profile(60, 0x11);
  std::vector<uint8_t> packed(128);
  uLongf n = packed.size();
  ASSERT_EQ(compress(packed.data(), &n, profile.data(), profile.size()), Z_OK);
  std::vector<uint8_t> data = {'b', 'a', 'd', 0, 0};
  data.insert(data.end(), packed.begin(), packed.begin() + long(n));
  std::vector<uint8_t> file = with_chunk(plain, "iCCP", data);
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(reader(in));
  ASSERT_TRUE(node);
  EXPECT_EQ(read_lines(node.get()), rows);
  EXPECT_TRUE(status.errors().empty());
  ASSERT_FALSE(status.messages().empty());
  for (const RstReport& r : status.messages()) EXPECT_EQ(r, (RstReport{4, "RstReadPNG"}));
}

// Cut anywhere: no header (silently while the header chunks are cut), or a
// reader whose every row comes, the missing ones announced by warning 4.
TEST_F(PngReader, CutFilesEndInAClearStatus) {
  for (bool interlaced : {false, true}) {
    std::vector<uint8_t> file = png_bytes(40, 30, 8, PNG_COLOR_TYPE_RGB, interlaced, byte_rows(40, 30, 3),
                                          [](png_structp p, png_infop i) { png_set_pHYs(p, i, 3780, 3780, 1); });
    std::vector<size_t> cuts;
    for (size_t n = 1; n < 100; ++n) cuts.push_back(n);
    for (size_t k = 1; k < 16; ++k) cuts.push_back(file.size() * k / 16);
    int readers = 0;
    for (size_t cut : cuts) {
      SCOPED_TRACE(cut);
      status.clear();
      std::vector<uint8_t> part(file.begin(), file.begin() + long(cut));
      ByteArrayInputStorage in(part.data(), int32_t(part.size()));
      RstOwner<RstRead> node(reader(in));
      if (!node) {
        EXPECT_TRUE(status.messages().empty());
        continue;
      }
      ++readers;
      EXPECT_EQ(read_lines(node.get()).size(), 30u);
      EXPECT_TRUE(status.errors().empty());
      EXPECT_FALSE(status.messages().empty());
      for (const RstReport& r : status.messages()) EXPECT_EQ(r.code, 4);
    }
    EXPECT_GE(readers, 10);
  }
}

// A header may announce any size up to libpng's limits; an interlaced image
// is held whole, so one too large to hold is refused before allocating.
TEST_F(PngReader, InterlacedImageTooLargeToHoldIsRefused) {
  for (bool interlaced : {true, false}) {
    SCOPED_TRACE(interlaced);
    std::vector<uint8_t> file = png_bytes(4, 4, 8, PNG_COLOR_TYPE_RGB, interlaced, byte_rows(4, 4, 3));
    // IHDR: 100000 x 100000 pixels, 30 GB of RGB rows; the CRC made again.
    for (size_t at : {16u, 20u}) {
      file[at] = 0, file[at + 1] = 0x01, file[at + 2] = 0x86, file[at + 3] = 0xA0;
    }
    uLong crc = crc32(0, file.data() + 12, 17);
    for (int k = 0; k < 4; ++k) file[29 + size_t(k)] = uint8_t(crc >> (24 - 8 * k));
    status.clear();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> node(reader(in));
    if (interlaced) {
      EXPECT_EQ(node.get(), nullptr);
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front(), (RstReport{-1, "RstReadPNGInterlaced::initiate()"}));
    } else {
      // Row by row it is only as large as one row; the data ends early.
      ASSERT_NE(node.get(), nullptr);
      EXPECT_EQ(RstHeader(node.get()).width, 100000);
      std::vector<uint8_t> line(size_t(node->line_size()));
      EXPECT_GT(node->read(line.data()), 0);
    }
  }
}

TEST_F(PngReader, HeaderWithoutContextIsNeverHandedOut) {
  std::vector<uint8_t> file = png_bytes(4, 2, 8, PNG_COLOR_TYPE_GRAY, false, gray8(4, 2));
  struct Case {
    int nth;
    RstReport report;
  } cases[] = {{1, {-1, "RstReadPNG"}},
               {2, {-1, "RstReadPNGHeader::RstReadPNGHeader()"}},
               {3, {-1, "RstReadPNGHeader::RstReadPNGHeader()"}}};
  for (const Case& c : cases) {
    status.clear();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstAllocFault::fail_nth(c.nth);
    EXPECT_EQ(RstReadPNG::private_header(&in), nullptr);
    RstAllocFault::clear();
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{c.report}));
  }
  ByteArrayInputStorage closed(file.data(), int32_t(file.size()));
  closed.close();
  status.clear();
  EXPECT_EQ(RstReadPNG::private_header(&closed), nullptr);
  EXPECT_EQ(RstReadPNG::create(&closed, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadPNG"}, {-2, "RstReadPNG::create()"}}));
}

}  // namespace
