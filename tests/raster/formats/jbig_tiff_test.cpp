// JBIG pages in TIFF: Compression 9 (T.85) and 10 (T.43) written through the
// TIFF writer, listed by tiffinfo, each strip decoded by jbigkit, and every
// page read back through our reader; the enable bytes and the strip shape
// rule of JBIG strips.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <sstream>

#include "page_support.h"
#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/bit_reverse.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/lines_test_nodes.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "raster/formats/rst_write_jbig.h"
#include "raster/formats/rst_write_tiff.h"
#include "tiff_write_support.h"

namespace {

using lines_test::LineSource;
using Bytes = std::vector<uint8_t>;

const char* const kStripInvalid = "RstReadAndDecodeCodeTiles::next_link() -  header of tile or strip is invalid.";

Bytes bytes_of(MemoryOutputStorage& out) {
  Bytes b(size_t(out.size()));
  MemoryInputStorage in(out.blocks());
  in.read(b.data(), int32_t(b.size()));
  return b;
}

// One page through RstWriteTIFF::create; the file and the writer's status.
Bytes one_page(const RstHeader& h, const Rows& rows, const RstWriteTIFFOption& option, uint32_t order,
               int32_t* result) {
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, order);
  RstRead* source = new LineSource(h, rows, nullptr);
  RstWrite* writer = RstWriteTIFF::create(source, manager, &option);
  *result = 0;
  if (writer) {
    while (writer->write() != 0) {
    }
    *result = writer->status();
    writer->end();
  } else {
    source->end();
  }
  manager->close();
  return bytes_of(out);
}

Rows read_page(const Bytes& file) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(RstReadRaster::create(&in, 1));
  if (!node) return {};
  return read_lines(node.get());
}

// The raw strips of page 1 as libtiff hands them out.
std::vector<Bytes> raw_strips(const std::string& path) {
  std::vector<Bytes> strips;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return strips;
  for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
    Bytes b(size_t(TIFFRawStripSize(tif, s)));
    if (TIFFReadRawStrip(tif, s, b.data(), tmsize_t(b.size())) < 0) b.clear();
    strips.push_back(b);
  }
  TIFFClose(tif);
  return strips;
}

// The samples of a PBM or PGM that jbgtopbm wrote (after its header).
Bytes pnm_samples(const Bytes& pnm, size_t size) {
  return pnm.size() >= size ? Bytes(pnm.end() - long(size), pnm.end()) : Bytes();
}

Bytes joined(const Rows& rows, size_t from, size_t count) {
  Bytes b;
  for (size_t y = from; y < from + count && y < rows.size(); ++y) b.insert(b.end(), rows[y].begin(), rows[y].end());
  return b;
}

// The n-th ITU chart as packed rows (1 black).
Rows chart_rows(int n, uint32_t& width) {
  std::string dir = temp_dir();
  bool made = run("jbgtopbm /usr/share/jbigkit-testdata/ccitt" + std::to_string(n) + ".jbg " + dir + "/c.pbm");
  Bytes pbm = made ? file_bytes(dir + "/c.pbm") : Bytes();
  run("rm -rf " + dir);
  std::istringstream head(std::string(pbm.begin(), pbm.begin() + long(std::min<size_t>(pbm.size(), 32))));
  std::string magic;
  uint32_t height = 0;
  head >> magic >> width >> height;
  size_t stride = (width + 7) / 8;
  if (magic != "P4" || pbm.size() < stride * height) return {};
  Rows rows;
  for (size_t at = pbm.size() - stride * height; at < pbm.size(); at += stride)
    rows.emplace_back(pbm.begin() + long(at), pbm.begin() + long(at + stride));
  return rows;
}

class JbigTiff : public PageTest {};

TEST_F(JbigTiff, Compression9PagesRoundTrip) {
  uint32_t chart_width = 0;
  Rows chart2 = chart_rows(2, chart_width), chart7 = chart_rows(7, chart_width);
  Rows random = bilevel_rows(1001, 150, 9);
  ASSERT_FALSE(chart2.empty());
  ASSERT_FALSE(chart7.empty());
  const uint32_t II = 0x4949, MM = 0x4D4D;
  RstEncodeJBIGT85Option tpbon(32, 0, 0x08);
  struct Case {
    const char* name;
    const Rows* rows;
    uint32_t width;
    uint32_t rows_per_strip;
    uint32_t fill_order;
    uint32_t order;
    const RstEncodeJBIGT85Option* option;
  } cases[] = {
      {"random, strips of 64", &random, 1001, 64, 1, II, nullptr},
      {"random, one strip, fill 2, MM", &random, 1001, 0, 2, MM, &tpbon},
      {"random, strips of 64, fill 2, L0 32 TPBON", &random, 1001, 64, 2, II, &tpbon},
      {"chart 2, one strip", &chart2, chart_width, 0, 1, MM, nullptr},
      {"chart 7, strips of 64, TPBON", &chart7, chart_width, 64, 1, II, &tpbon},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rows& rows = *c.rows;
    RstWriteTIFFOption option(200, 200, RstDataForm::jbig, c.rows_per_strip, c.option);
    option.fill_order = c.fill_order;
    int32_t result = 0;
    Bytes file = one_page(image_header(int32_t(c.width), int32_t(rows.size()), 1, 1, RstColorType::s_gray_reverse()),
                          rows, option, c.order, &result);
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(status.errors().empty()) << status.errors()[0].where;
    EXPECT_EQ(read_page(file), rows);
    std::string dir = temp_dir();
    write_bytes(dir + "/p.tif", file);
    EXPECT_TRUE(run("tiffinfo " + dir + "/p.tif >/dev/null 2>" + dir + "/err.txt && test ! -s " + dir + "/err.txt"));
    std::vector<Bytes> strips = raw_strips(dir + "/p.tif");
    uint32_t per = c.rows_per_strip ? c.rows_per_strip : uint32_t(rows.size());
    ASSERT_EQ(strips.size(), (rows.size() + per - 1) / per);
    for (size_t s = 0; s < strips.size(); ++s) {
      Bytes code = strips[s];
      if (c.fill_order == 2)
        for (auto& b : code) b = kBitReverseTable[b];
      write_bytes(dir + "/s.jbg", code);
      ASSERT_TRUE(run("jbgtopbm " + dir + "/s.jbg " + dir + "/s.pbm")) << s;
      Bytes want = joined(rows, s * per, per);
      EXPECT_EQ(pnm_samples(file_bytes(dir + "/s.pbm"), want.size()), want) << s;
    }
    run("rm -rf " + dir);
  }
}

// Samples converted as the writer converts 8-bit gray: to L*.
Rows as_lstar(const RstHeader& h, const Rows& rows) {
  RstRead* source = new LineSource(h, rows, nullptr);
  RstRead* node = RstTransformColorTo::create(source, RstColorType::default_lstar());
  if (!node) {
    source->end();
    return {};
  }
  Rows out = read_lines(node);
  node->end();
  return out;
}

TEST_F(JbigTiff, Compression10PagesRoundTrip) {
  RstCountedPtr<RstColormap> map(new RstColormap(8, 3, 256));
  for (int i = 0; i < 768; ++i) map->data()[i] = uint8_t(i * 3);
  RstHeader palette = image_header(61, 40, 8, 1, RstColorType::itu_lab());
  palette.colormap = map;
  struct Case {
    const char* name;
    RstHeader header;
    uint32_t options;
    uint32_t order;
    const char* jbgtopbm;  // the BIE decoded by jbgtopbm with these flags; none: not compared
  } cases[] = {
      {"gray through L*", image_header(61, 40, 8, 1, RstColorType::s_gray()), 0, 0x4949, ""},
      {"gray through L*, whole image", image_header(61, 40, 8, 1, RstColorType::s_gray()), 1, 0x4D4D, ""},
      {"24-bit Lab", image_header(61, 40, 8, 3, RstColorType::itu_lab()), 0, 0x4949, nullptr},
      {"24-bit Lab, whole image", image_header(61, 40, 8, 3, RstColorType::itu_lab()), 1, 0x4D4D, nullptr},
      {"3-bit RGB", image_header(61, 40, 1, 3, RstColorType::s_rgb()), 0, 0x4949, "-b"},
      {"3-bit RGB, whole image", image_header(61, 40, 1, 3, RstColorType::s_rgb()), 1, 0x4949, "-b"},
      {"4-bit CMYK", image_header(61, 40, 1, 4, RstColorType::s_cmyk()), 0, 0x4D4D, nullptr},
      {"8-bit Lab palette", palette, 0, 0x4949, nullptr},
      {"8-bit Lab palette, whole image", palette, 1, 0x4949, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rows rows = byte_rows(uint32_t(c.header.width * c.header.samples_per_pixel), 40, 1, 11);
    int64_t bits = int64_t{c.header.width} * c.header.bits_per_sample * c.header.samples_per_pixel;
    for (auto& r : rows) {
      r.resize(size_t((bits + 7) / 8));
      if (bits % 8) r.back() &= uint8_t(0xFF00 >> (bits % 8));
    }
    RstEncodeJBIGT43Option jbig(16, 0, 200, c.options);
    RstWriteTIFFOption option(200, 200, RstDataForm::jbig_color, 0, &jbig);
    int32_t result = 0;
    Bytes file = one_page(c.header, rows, option, c.order, &result);
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(status.errors().empty()) << status.errors()[0].where;
    Rows written = c.header.color_type == RstColorType::s_gray() ? as_lstar(c.header, rows) : rows;
    // The page reader widens 1-bit samples to bytes of 0 and 255.
    Rows delivered = written;
    if (c.header.bits_per_sample == 1)
      for (auto& r : delivered) {
        Bytes wide;
        for (int64_t i = 0; i < bits; ++i) wide.push_back((r[size_t(i / 8)] >> (7 - i % 8)) & 1 ? 0xFF : 0x00);
        r = wide;
      }
    EXPECT_TRUE(read_page(file) == delivered);
    std::string dir = temp_dir();
    write_bytes(dir + "/p.tif", file);
    EXPECT_TRUE(run("tiffinfo " + dir + "/p.tif >/dev/null 2>" + dir + "/err.txt && test ! -s " + dir + "/err.txt"));
    std::vector<Bytes> strips = raw_strips(dir + "/p.tif");
    ASSERT_EQ(strips.size(), 1u);
    if (c.jbgtopbm) {
      // The BIE: from the BIH (after the head's end segment) to before 0xFF 0xA9.
      const Bytes end = {0xFF, 0xE1, 0x00, 0x08, 'G', '3', 'F', 'A', 'X', 0xFF};
      auto at = std::search(strips[0].begin(), strips[0].end(), end.begin(), end.end());
      ASSERT_NE(at, strips[0].end());
      write_bytes(dir + "/s.jbg", Bytes(at + long(end.size()), strips[0].end() - 2));
      ASSERT_TRUE(run(std::string("jbgtopbm ") + c.jbgtopbm + " " + dir + "/s.jbg " + dir + "/s.pgm"));
      Bytes want;
      for (const auto& r : written) {
        if (c.header.bits_per_sample == 8) {
          want.insert(want.end(), r.begin(), r.end());
          continue;
        }
        for (int32_t x = 0; x < c.header.width; ++x) {
          int v = 0;
          for (int k = 0; k < 3; ++k) v = v << 1 | ((r[size_t(3 * x + k) / 8] >> (7 - (3 * x + k) % 8)) & 1);
          want.push_back(uint8_t(v));
        }
      }
      EXPECT_EQ(pnm_samples(file_bytes(dir + "/s.pgm"), want.size()), want);
    }
    run("rm -rf " + dir);
  }
}

TEST_F(JbigTiff, EnableBytesRefuseJbigPagesSilently) {
  Rows rows = bilevel_rows(64, 20, 3);
  int32_t result = 0;
  RstWriteTIFFOption t85(200, 200, RstDataForm::jbig, 0, nullptr);
  Bytes file9 = one_page(image_header(64, 20, 1, 1, RstColorType::s_gray_reverse()), rows, t85, 0x4949, &result);
  Rows gray = byte_rows(16, 20, 1, 4);
  RstWriteTIFFOption t43(200, 200, RstDataForm::jbig_color, 0, nullptr);
  Bytes file10 = one_page(image_header(16, 20, 8, 1, RstColorType::s_gray()), gray, t43, 0x4949, &result);
  ASSERT_EQ(read_page(file9), rows);
  ASSERT_EQ(read_page(file10).size(), 20u);
  set_enable(RstFormatEnables::tiff_jbig, 0);
  EXPECT_TRUE(read_page(file9).empty());
  EXPECT_EQ(read_page(file10).size(), 20u);
  set_enable(RstFormatEnables::tiff_jbig, 1);
  set_enable(RstFormatEnables::tiff_jbig_color, 0);
  EXPECT_EQ(read_page(file9), rows);
  EXPECT_TRUE(read_page(file10).empty());
  // No reader takes the page; nothing is said of its strips.
  for (const auto& e : status.errors()) EXPECT_EQ(e.where, "RstReadRaster::create()");
}

TEST_F(JbigTiff, T85StripShapeRule) {
  Rows rows = bilevel_rows(80, 30, 5);
  int32_t result = 0;
  RstWriteTIFFOption option(200, 200, RstDataForm::jbig, 0, nullptr);
  Bytes file = one_page(image_header(80, 30, 1, 1, RstColorType::s_gray_reverse()), rows, option, 0x4949, &result);
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstReadTIFFFXHeader h;
  ASSERT_GT(h.read_page(&in, 1, false, 0), 0u);
  size_t bih = h.strip_offsets[0];
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[bih + at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
  };
  // Another height in the BIH: the strip is used for its rows.
  put32(8, 40);
  EXPECT_TRUE(read_page(file) == rows);
  EXPECT_TRUE(status.errors().empty());
  EXPECT_TRUE(status.errors().empty());
  // Another width: refused.
  put32(8, 30);
  put32(4, 88);
  EXPECT_TRUE(read_page(file).empty());
  EXPECT_TRUE(reported(-3, kStripInvalid));
}

TEST_F(JbigTiff, CodeWritersRefuseCodeAndClosedOutputs) {
  RstHeader bilevel = image_header(16, 4, 1, 1, RstColorType::s_gray_reverse());
  RstHeader gray = image_header(16, 4, 8, 1, RstColorType::s_gray());
  for (bool t43 : {false, true}) {
    const char* where = t43 ? "RstWriteJBIGT43::create()" : "RstWriteJBIGT85::create()";
    auto make = [&](RstRead* source, OutputStorage* out) {
      return t43 ? RstWriteJBIGT43::create(source, out, nullptr, false)
                 : RstWriteJBIGT85::create(source, out, nullptr, false);
    };
    // Code is refused before the output is looked at.
    Bytes code(64, 0);
    ByteArrayInputStorage in(code.data(), int32_t(code.size()));
    RstHeader coded = t43 ? gray : bilevel;
    coded.data_form = t43 ? RstDataForm::jbig_color : RstDataForm::jbig;
    RstRead* reader = RstReadCode::create(&in, coded, false);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(make(reader, nullptr), nullptr);
    EXPECT_TRUE(reported(-5, where));
    reader->end();
    // A closed output: no push writer is made, nothing is written.
    MemoryOutputStorage closed;
    closed.close();
    RstRead* source = new LineSource(t43 ? gray : bilevel, bilevel_rows(16, 4, 1), nullptr);
    EXPECT_EQ(make(source, &closed), nullptr);
    EXPECT_TRUE(reported(-2, where));
    EXPECT_FALSE(reported(-2, t43 ? "RstPushWriteT43::create()" : "RstPushWriteT85:create()"));
    EXPECT_EQ(make(nullptr, &closed), nullptr);
    source->end();
  }
}

}  // namespace
