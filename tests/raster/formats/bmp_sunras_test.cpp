// The BMP, DIB and Sun raster readers on files built byte by byte: headers,
// reader chains, refused headers, format detection and cut files.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "bmp_sunras_support.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_bmp.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_sunras.h"

namespace {

class BmpSunras : public PageTest {
 protected:
  struct Read {
    bool made = false;
    RstHeader header;
    Rows rows;
  };
  Read read_bmp(const std::vector<uint8_t>& bytes, int32_t top_down, bool dib = false) {
    ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
    RstOwner<RstRead> node(dib ? RstReadDIB::create(&in, nullptr, top_down)
                               : RstReadBMP::create(&in, nullptr, top_down));
    Read r;
    if (!node) return r;
    r.made = true;
    node->header(r.header);
    r.rows = read_lines(node.get());
    return r;
  }
  Read read_sun(const std::vector<uint8_t>& bytes) {
    ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
    RstOwner<RstRead> node(RstReadSunras::create(&in, nullptr));
    Read r;
    if (!node) return r;
    r.made = true;
    node->header(r.header);
    r.rows = read_lines(node.get());
    return r;
  }
};

TEST_F(BmpSunras, OneBitPalettes) {
  struct Case {
    std::string name;
    std::vector<uint32_t> palette;
    int32_t bits;
    RstColorType* type;
    bool colormap;
    Rows rows;
  } cases[] = {
      {"black white", {0x000000, 0xFFFFFF}, 1, RstColorType::default_gray(), false, {{0xA0}, {0x50}}},
      {"white black", {0xFFFFFF, 0x000000}, 1, RstColorType::default_gray_reverse(), false, {{0xA0}, {0x50}}},
      {"navy yellow", {0x000080, 0xFFFF00}, 8, RstColorType::default_rgb(), true, {{1, 0, 1, 0}, {0, 1, 0, 1}}},
      {"black red", {0x000000, 0xFF0000}, 8, RstColorType::default_rgb(), true, {{1, 0, 1, 0}, {0, 1, 0, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec s;
    s.bits = 1;
    s.palette = c.palette;
    // Bottom row first: 0101, then 1010.
    s.data = {0x50, 0, 0, 0, 0xA0, 0, 0, 0};
    Read r = read_bmp(bmp_bytes(s), 1);
    ASSERT_TRUE(r.made);
    EXPECT_EQ(r.header.bits_per_sample, c.bits);
    EXPECT_EQ(r.header.color_type, c.type);
    EXPECT_EQ(bool(r.header.colormap), c.colormap);
    if (c.colormap) {
      ASSERT_EQ(r.header.colormap->entries(), 2);
      const uint8_t* rgb = r.header.colormap->data();
      EXPECT_EQ(uint32_t(rgb[3] << 16 | rgb[4] << 8 | rgb[5]), c.palette[1]);
    }
    EXPECT_EQ(r.rows, c.rows);
  }
}

TEST_F(BmpSunras, RowOrderAndChannels) {
  BmpSpec s;
  s.bits = 24;
  s.width = 1;
  // Stored bottom row first, blue green red, rows padded to 4 bytes.
  s.data = {1, 2, 3, 0, 4, 5, 6, 0};
  Rows stored = {{3, 2, 1}, {6, 5, 4}};
  EXPECT_EQ(read_bmp(bmp_bytes(s), 1).rows, (Rows{{6, 5, 4}, {3, 2, 1}}));
  EXPECT_EQ(read_bmp(bmp_bytes(s), 0).rows, stored);
  s.height = -2;  // stored top-down
  EXPECT_EQ(read_bmp(bmp_bytes(s), 1).rows, stored);
  EXPECT_EQ(read_bmp(bmp_bytes(s), 0).rows, stored);
  // The same as a bare DIB.
  s.file_header = false;
  EXPECT_EQ(read_bmp(bmp_bytes(s), 0, true).rows, stored);
}

TEST_F(BmpSunras, SixteenBitsFourBitsAndLongHeaders) {
  BmpSpec s;
  s.bits = 16;
  s.width = 2;
  s.height = 1;
  s.data = {0xFF, 0x7F, 0x1F, 0x00};
  Read r = read_bmp(bmp_bytes(s), 1);
  EXPECT_EQ(r.header.samples_per_pixel, 3);
  EXPECT_EQ(r.header.bits_per_sample, 8);
  EXPECT_EQ(r.rows, (Rows{{248, 248, 248, 0, 0, 248}}));

  BmpSpec four;
  four.bits = 4;
  four.width = 3;
  four.height = 1;
  four.palette.assign(16, 0x102030);
  four.data = {0x1F, 0x70, 0, 0};
  for (uint32_t size : {40u, 108u, 124u}) {
    SCOPED_TRACE(size);
    four.header_size = size;
    Read f = read_bmp(bmp_bytes(four), 1);
    EXPECT_EQ(f.rows, (Rows{{1, 15, 7}}));
    ASSERT_TRUE(f.header.colormap);
    EXPECT_EQ(f.header.colormap->entries(), 16);
  }
  // The 12-byte core header with 3-byte entries.
  four.header_size = 12;
  Read core = read_bmp(bmp_bytes(four), 1);
  EXPECT_EQ(core.rows, (Rows{{1, 15, 7}}));
  ASSERT_TRUE(core.header.colormap);
  EXPECT_EQ(core.header.colormap->data()[0], 0x10);
}

TEST_F(BmpSunras, RunLengthFiles) {
  BmpSpec s;
  s.compression = 1;
  s.width = 4;
  s.height = 2;
  s.palette.assign(256, 0);
  // Bottom row 1 1 1 1, top row 2 2 3 3.
  s.data = {4, 1, 0, 0, 2, 2, 2, 3, 0, 1};
  EXPECT_EQ(read_bmp(bmp_bytes(s), 1).rows, (Rows{{2, 2, 3, 3}, {1, 1, 1, 1}}));
  EXPECT_EQ(read_bmp(bmp_bytes(s), 0).rows, (Rows{{1, 1, 1, 1}, {2, 2, 3, 3}}));
  s.compression = 2;
  s.bits = 4;
  s.palette.assign(16, 0);
  s.data = {3, 0x12, 1, 0x30, 0, 0, 0, 4, 0x45, 0x67, 0, 1};
  EXPECT_EQ(read_bmp(bmp_bytes(s), 1).rows, (Rows{{4, 5, 6, 7}, {1, 2, 1, 3}}));
  s.height = -2;
  EXPECT_FALSE(read_bmp(bmp_bytes(s), 1).made);
  EXPECT_TRUE(reported(RstCode::bad_tile_strip, "RstReadBMP"));
}

TEST_F(BmpSunras, RefusedHeaders) {
  struct Case {
    std::string name;
    BmpSpec spec;
    int32_t code;
  } cases[6];
  cases[0].name = "32 bits";
  cases[0].spec.bits = 32;
  cases[0].code = RstCode::tiff_header_convert;
  cases[1].name = "3 colours on 1 bit";
  cases[1].spec.bits = 1;
  cases[1].spec.colors_used = 3;
  cases[1].code = RstCode::bad_tile_strip;
  cases[2].name = "0x7FFFFFFF colours";
  cases[2].spec.colors_used = 0x7FFFFFFF;
  cases[2].code = RstCode::bad_tile_strip;
  cases[3].name = "width -5";
  cases[3].spec.width = -5;
  cases[3].code = RstCode::bad_tile_strip;
  cases[4].name = "height INT32_MIN";
  cases[4].spec.height = INT32_MIN;
  cases[4].code = RstCode::bad_tile_strip;
  cases[5].name = "header size 18";
  cases[5].spec.header_size = 18;
  cases[5].code = RstCode::bad_tile_strip;
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.spec.data.assign(64, 0);
    status.clear();
    EXPECT_FALSE(read_bmp(bmp_bytes(c.spec), 1).made);
    EXPECT_TRUE(reported(c.code, "RstReadBMP"));
  }
}

TEST_F(BmpSunras, SunRows) {
  SunSpec odd;  // width 3 at 8 bits: rows of 3 bytes, 4 stored
  odd.length = 8;
  odd.data = {1, 2, 3, 0, 4, 5, 6, 0};
  Read r = read_sun(sun_bytes(odd));
  EXPECT_EQ(r.rows, (Rows{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(r.header.color_type, RstColorType::default_gray());
  odd.type = 0;
  odd.length = 0;
  EXPECT_EQ(read_sun(sun_bytes(odd)).rows, r.rows);

  SunSpec rgb;
  rgb.depth = 24;
  rgb.width = 2;
  rgb.height = 1;
  rgb.length = 6;
  rgb.data = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(read_sun(sun_bytes(rgb)).rows, (Rows{{3, 2, 1, 6, 5, 4}}));
  rgb.type = 3;
  EXPECT_EQ(read_sun(sun_bytes(rgb)).rows, (Rows{{1, 2, 3, 4, 5, 6}}));

  SunSpec mapped = odd;
  mapped.map_type = 1;
  mapped.map_length = 768;
  mapped.map.assign(768, 0);
  mapped.map[1] = 10;        // red of entry 1
  mapped.map[256 + 1] = 20;  // green
  mapped.map[512 + 1] = 30;  // blue
  Read m = read_sun(sun_bytes(mapped));
  ASSERT_TRUE(m.header.colormap);
  EXPECT_EQ(m.header.colormap->entries(), 256);
  EXPECT_EQ(m.header.color_type, RstColorType::default_rgb());
  EXPECT_EQ(m.header.colormap->data()[3], 10);
  EXPECT_EQ(m.header.colormap->data()[4], 20);
  EXPECT_EQ(m.header.colormap->data()[5], 30);
  EXPECT_EQ(m.rows, r.rows);

  // A short last row: zero tail and warning 3.
  SunSpec cut = odd;
  cut.type = 1;
  cut.length = 6;
  cut.data = {1, 2, 3, 0, 4, 5};
  status.clear();
  EXPECT_EQ(read_sun(sun_bytes(cut)).rows, (Rows{{1, 2, 3}, {4, 5, 0}}));
  EXPECT_TRUE(reported(RstCode::end_of_input, "RstReadSunrasRaw::read()"));
}

TEST_F(BmpSunras, SunRefusedHeaders) {
  struct Case {
    std::string name;
    uint32_t depth, type, map_type, map_length;
    int32_t code;
  } cases[] = {
      {"depth 16", 16, 1, 0, 0, RstCode::tiff_header_convert},
      {"10-byte map", 8, 1, 1, 10, RstCode::bad_tile_strip},
      {"type 4", 8, 4, 0, 0, RstCode::unsupported_variant},
      {"3,000,000-byte map", 8, 1, 1, 3000000, RstCode::bad_tile_strip},
      {"map on 24 bits", 24, 1, 1, 6, RstCode::bad_tile_strip},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SunSpec s;
    s.depth = c.depth;
    s.type = c.type;
    s.map_type = c.map_type;
    s.map_length = c.map_length;
    s.data.assign(16, 0);
    status.clear();
    EXPECT_FALSE(read_sun(sun_bytes(s)).made);
    EXPECT_TRUE(reported(c.code, "RstReadSunras::private_header()"));
  }
}

TEST_F(BmpSunras, Detection) {
  BmpSpec b;
  b.data.assign(8, 0);
  b.palette.assign(256, 0);
  std::vector<uint8_t> bmp = bmp_bytes(b);
  b.file_header = false;
  std::vector<uint8_t> dib = bmp_bytes(b);
  SunSpec s;
  s.type = 2;
  s.length = 8;
  s.data = {1, 2, 3, 0, 0x80, 2, 5, 0};
  std::vector<uint8_t> sun = sun_bytes(s);
  struct Case {
    std::string name;
    const std::vector<uint8_t>* bytes;
    int32_t code, dpi, form, enable;
  } cases[] = {
      {"bmp", &bmp, RstImageFormat::windows_bitmap, 96, RstDataForm::raw, RstFormatEnables::bmp},
      {"sun", &sun, RstImageFormat::sun_raster, 0, RstDataForm::byte_encode, RstFormatEnables::sun_raster},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteArrayInputStorage in(c.bytes->data(), int32_t(c.bytes->size()));
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format.code, c.code);
    EXPECT_EQ(info->x_resolution, c.dpi);
    EXPECT_EQ(info->data_form, c.form);
    EXPECT_EQ(in.tell(), 0);
    EXPECT_FALSE(std::unique_ptr<RstImageInfo>(RstImageInfo::create(&in, 2)));
    RstOwner<RstRead> reader(RstReadRaster::create(&in, 1));
    ASSERT_TRUE(reader);
    EXPECT_EQ(read_lines(reader.get()).size(), 2u);
    set_enable(c.enable, 0);
    EXPECT_FALSE(std::unique_ptr<RstImageInfo>(RstImageInfo::create(&in, 1)));
    set_enable(c.enable, 1);
  }
  ByteArrayInputStorage in(dib.data(), int32_t(dib.size()));
  EXPECT_FALSE(std::unique_ptr<RstImageInfo>(RstImageInfo::create(&in, 1)));
}

// Every fixture cut at each of its first 64 bytes and at sixteenths: a clear
// status or rows, never a crash.
TEST_F(BmpSunras, CutFiles) {
  std::vector<std::vector<uint8_t>> files;
  BmpSpec b;
  b.data.assign(16, 7);
  b.palette.assign(256, 0x123456);
  files.push_back(bmp_bytes(b));
  b.compression = 1;
  b.data = {4, 1, 0, 0, 4, 2, 0, 1};
  files.push_back(bmp_bytes(b));
  b.compression = 0;
  b.bits = 16;
  b.palette.clear();
  b.data.assign(16, 0x55);
  files.push_back(bmp_bytes(b));
  SunSpec s;
  s.length = 8;
  s.data.assign(8, 9);
  files.push_back(sun_bytes(s));
  s.type = 2;
  s.data = {0x80, 5, 1, 2};
  files.push_back(sun_bytes(s));
  for (const auto& file : files) {
    std::vector<size_t> cuts;
    for (size_t n = 0; n < 64 && n < file.size(); ++n) cuts.push_back(n);
    for (size_t k = 1; k < 16; ++k) cuts.push_back(file.size() * k / 16);
    for (size_t n : cuts) {
      std::vector<uint8_t> part(file.begin(), file.begin() + long(n));
      ByteArrayInputStorage in(part.data(), int32_t(part.size()));
      std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
      in.rewind();
      RstOwner<RstRead> reader(RstReadRaster::create(&in, 1));
      if (reader) {
        EXPECT_LE(read_lines(reader.get()).size(), 2u);
      }
    }
  }
}

}  // namespace
