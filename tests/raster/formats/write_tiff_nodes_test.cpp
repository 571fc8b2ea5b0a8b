// The TIFF writer nodes: a page of lines coded or written as they are, coded
// bytes copied, the refusals that leave the file untouched, and the files
// read back by our reader and checked by libtiff's tools.
#include "raster/formats/rst_write_tiff_nodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "page_support.h"
#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/bit_reverse.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/rst_write_code.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/lines_test_nodes.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "raster/formats/rst_write_tiff.h"
#include "tiff_write_support.h"

namespace {

using lines_test::LineSource;
using Bytes = std::vector<uint8_t>;
using Strips = std::vector<Bytes>;

// A page of packed 1-bit rows, 1 black.
LineSource* bilevel_source(const Rows& rows, uint32_t width) {
  RstHeader h = image_header(int32_t(width), int32_t(rows.size()), 1, 1, RstColorType::s_gray_reverse());
  return new LineSource(h, rows, nullptr);
}

// Coded bytes in chunks of up to 1024, marked as a code source.
class CodeChunks : public LineSource, public RstCodeSource {
 public:
  using LineSource::LineSource;
};

LineSource* code_source(const Bytes& code, uint32_t width, uint32_t height, int32_t form) {
  RstHeader h = image_header(int32_t(width), int32_t(height), 1, 1, RstColorType::s_gray_reverse(), form);
  std::vector<Bytes> chunks;
  for (size_t at = 0; at < code.size(); at += 1024)
    chunks.emplace_back(code.begin() + long(at), code.begin() + long(std::min(code.size(), at + 1024)));
  return new CodeChunks(h, chunks, nullptr, 1024);
}

Bytes bytes_of(MemoryOutputStorage& out) {
  Bytes b(size_t(out.size()));
  MemoryInputStorage in(out.blocks());
  in.read(b.data(), int32_t(b.size()));
  return b;
}

// Writes the page to the end; the writer's status.
int32_t drive(RstWrite* writer) {
  while (writer->write() != 0) {
  }
  int32_t s = writer->status();
  writer->end();
  return s;
}

// The strips of page 1 as stored.
Strips stored_strips(const Bytes& file) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstReadTIFFFXHeader h;
  h.read_page(&in, 1, false, 0);
  Strips strips;
  for (size_t i = 0; i < h.strip_offsets.size() && i < h.strip_byte_counts.size(); ++i)
    strips.emplace_back(file.begin() + h.strip_offsets[i], file.begin() + h.strip_offsets[i] + h.strip_byte_counts[i]);
  return strips;
}

Rows read_page(const Bytes& file, uint32_t page = 1) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(RstReadRaster::create(&in, page));
  if (!node) return {};
  return read_lines(node.get());
}

// The n-th ITU chart as packed rows (1 black), none when jbgtopbm fails.
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

class WriteTiffNodes : public PageTest {};

// One page through RstWriteTIFF::create into memory; the file, empty on refusal.
Bytes one_page(RstRead* source, const RstWriteTIFFOption* option, uint32_t order = 0x4949, int32_t* result = nullptr) {
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, order);
  RstWrite* writer = RstWriteTIFF::create(source, manager, option);
  int32_t s = writer ? drive(writer) : 0;
  if (!writer) source->end();
  if (result) *result = s;
  manager->close();
  return bytes_of(out);
}

TEST_F(WriteTiffNodes, LinesCodedOrWrittenAsTheyAre) {
  Rows random = bilevel_rows(1001, 150, 3);
  uint32_t chart_width = 0;
  Rows chart1 = chart_rows(1, chart_width), chart5 = chart_rows(5, chart_width);
  ASSERT_FALSE(chart1.empty());
  ASSERT_FALSE(chart5.empty());
  const uint32_t II = 0x4949, MM = 0x4D4D;
  struct Case {
    const char* name;
    const Rows* rows;
    uint32_t width;
    int32_t encode_type;
    uint32_t rows_per_strip;
    uint32_t fill_order;
    uint32_t order;
    bool fill_bits;
    uint32_t compression;
  } cases[] = {
      {"none", &random, 1001, -1, 0, 1, II, false, 1},
      {"MH", &random, 1001, 1, 64, 1, MM, false, 3},
      {"MR", &random, 1001, 2, 1, 1, II, false, 3},
      {"MMR", &random, 1001, 3, 64, 1, II, false, 4},
      {"MMR fill 2", &random, 1001, 3, 64, 2, MM, false, 4},
      {"PackBits", &random, 1001, 10, 64, 1, II, false, 32773},
      {"MH by hand", &random, 1001, -2, 0, 2, II, false, 2},
      {"chart 1 MMR", &chart1, chart_width, 3, 0, 1, MM, false, 4},
      {"chart 1 MH with fill bits, fill 2", &chart1, chart_width, 1, 64, 2, II, true, 3},
      {"chart 1 none", &chart1, chart_width, -1, 0, 1, MM, false, 1},
      {"chart 5 MR with fill bits", &chart5, chart_width, 2, 64, 1, MM, true, 3},
      {"chart 5 PackBits", &chart5, chart_width, 10, 0, 1, MM, false, 32773},
      {"chart 5 MH by hand", &chart5, chart_width, -2, 64, 1, II, false, 2},
  };
  for (const Case& c : cases) {
    const Rows& rows = *c.rows;
    SCOPED_TRACE(c.name);
    std::unique_ptr<RstWriteTIFFOption> option;
    if (c.encode_type >= 0) {
      option = std::make_unique<RstWriteTIFFOption>(200, 200, c.encode_type, c.rows_per_strip, nullptr);
    } else if (c.encode_type == -2) {
      option = std::make_unique<RstWriteTIFFOption>(200, 200, 0, c.rows_per_strip, nullptr);
      option->set_compression(2);
    }
    if (option) option->fill_order = c.fill_order;
    if (c.fill_bits) option->t4_options |= 4;
    int32_t result = 0;
    Bytes file = one_page(bilevel_source(rows, c.width), option.get(), c.order, &result);
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(status.errors().empty()) << status.errors()[0].where;
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadTIFFFXHeader h;
    ASSERT_GT(h.read_page(&in, 1, false, 0), 0u);
    EXPECT_EQ(h.compression.value(), c.compression);
    EXPECT_EQ(h.image_length, rows.size());
    EXPECT_EQ(h.t4_options & 4, c.fill_bits ? 4u : 0u);
    EXPECT_EQ(read_page(file), rows);
    // libtiff's tools agree.
    std::string dir = temp_dir();
    write_bytes(dir + "/p.tif", file);
    std::string fill = c.fill_order == 2 ? " -respectfillorder" : "";
    EXPECT_TRUE(run("cd " + dir +
                    " && tiffinfo -D p.tif >/dev/null 2>err.txt && test ! -s err.txt && "
                    "test $(identify p.tif 2>/dev/null | wc -l) = 1 && tiffcp p.tif c.tif 2>>err.txt && tifftopnm" +
                    fill + " p.tif > p.pbm 2>/dev/null"));
    Bytes pbm = file_bytes(dir + "/p.pbm");
    Bytes want = lines_test::Bytes();
    for (const auto& r : rows) want.insert(want.end(), r.begin(), r.end());
    ASSERT_GE(pbm.size(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), pbm.end() - long(want.size())));
    run("rm -rf " + dir);
  }
}

// Gray, RGB and palette lines written as they are, in both byte orders.
TEST_F(WriteTiffNodes, ColourLinesRoundTrip) {
  RstColormap* map = new RstColormap(8, 3, 256);
  for (int i = 0; i < 768; ++i) map->data()[i] = uint8_t(i * 5);
  RstHeader palette = image_header(33, 17, 8, 1, RstColorType::s_rgb());
  palette.colormap.reset(map);
  struct Case {
    const char* name;
    RstHeader header;
    uint32_t samples;
    const char* kind;
  } cases[] = {
      {"gray 8", image_header(45, 21, 8, 1, RstColorType::s_gray()), 1, "P5"},
      {"gray 16", image_header(45, 21, 16, 1, RstColorType::s_gray()), 2, "P5"},
      {"rgb", image_header(31, 12, 8, 3, RstColorType::s_rgb()), 3, "P6"},
      {"palette", palette, 1, "P6"},
  };
  for (uint32_t order : {0x4949u, 0x4D4Du})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (order == 0x4949 ? " II" : " MM"));
      Rows rows = byte_rows(uint32_t(c.header.width), uint32_t(c.header.height), c.samples);
      RstWriteTIFFOption option(150, 150, 0, 5, nullptr);
      Bytes file = one_page(new LineSource(c.header, rows, nullptr), &option, order);
      ASSERT_TRUE(status.errors().empty());
      Bytes want;
      for (const auto& r : rows) want.insert(want.end(), r.begin(), r.end());
      if (c.header.bits_per_sample == 16) {
        // The library's samples are host-order words; the file holds them in
        // its own byte order and tifftopnm writes them most significant byte first.
        Bytes little, big;
        for (size_t i = 0; i + 1 < want.size(); i += 2) {
          uint16_t v;
          std::memcpy(&v, &want[i], 2);
          little.insert(little.end(), {uint8_t(v), uint8_t(v >> 8)});
          big.insert(big.end(), {uint8_t(v >> 8), uint8_t(v)});
        }
        Bytes stored;
        for (const Bytes& strip : stored_strips(file)) stored.insert(stored.end(), strip.begin(), strip.end());
        EXPECT_EQ(stored, order == 0x4D4D ? big : little);
        want = big;
      }
      EXPECT_EQ(read_page(file), rows);
      std::string dir = temp_dir();
      write_bytes(dir + "/p.tif", file);
      // Without -byrow tifftopnm keeps only 8 bits of a 16-bit sample.
      std::string whole = c.header.bits_per_sample == 16 ? " -byrow" : "";
      EXPECT_TRUE(run("cd " + dir +
                      " && tiffinfo -D p.tif >/dev/null 2>err.txt && test ! -s err.txt && "
                      "test $(identify p.tif 2>/dev/null | wc -l) = 1 && tiffcp p.tif c.tif && tifftopnm" +
                      whole + " p.tif > p.pnm 2>/dev/null"));
      Bytes pnm = file_bytes(dir + "/p.pnm");
      EXPECT_EQ(std::string(pnm.begin(), pnm.begin() + 2), c.kind);
      if (c.header.colormap) {
        Bytes looked;
        for (uint8_t v : want) looked.insert(looked.end(), map->data() + 3 * v, map->data() + 3 * v + 3);
        want = looked;
      }
      ASSERT_GE(pnm.size(), want.size());
      EXPECT_TRUE(std::equal(want.begin(), want.end(), pnm.end() - long(want.size())));
      run("rm -rf " + dir);
    }
}

// The MR strip as RstEncodeMR codes the page with k.
Bytes mr_strip(const Rows& rows, uint32_t width, int32_t k) {
  MemoryOutputStorage out;
  RstMROption option(1, 0, 0, 0, k);
  RstRead* encoder = RstEncodeMR::create(bilevel_source(rows, width), &option);
  RstWrite* writer = RstWriteCode::create(encoder, &out, false);
  drive(writer);
  return bytes_of(out);
}

TEST_F(WriteTiffNodes, KFollowsTheVerticalResolution) {
  Rows rows = bilevel_rows(400, 60, 4);
  struct Case {
    uint32_t unit, y;
    int32_t k;
  } cases[] = {{3, 39, 2}, {3, 40, 4}, {2, 100, 2}, {2, 101, 4}, {1, 50, 4}};
  ASSERT_NE(mr_strip(rows, 400, 2), mr_strip(rows, 400, 4));
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.unit << " " << c.y);
    RstWriteTIFFOption option(c.y, c.y, 2, 0, nullptr);
    option.resolution_unit = c.unit;
    Strips strips = stored_strips(one_page(bilevel_source(rows, 400), &option));
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0], mr_strip(rows, 400, c.k));
  }
}

TEST_F(WriteTiffNodes, NewSubfileTypeByExpectedPagesAndFirstPageAtEight) {
  Rows rows = bilevel_rows(64, 8);
  for (uint32_t expected : {1u, 0u}) {
    MemoryOutputStorage out;
    RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, expected, 0x4949);
    RstWriteTIFFOption option(200, 200, 0, 0, nullptr);
    option.new_subfile_type = 3;
    EXPECT_EQ(drive(RstWriteTIFF::create(bilevel_source(rows, 64), manager, &option)), 1);
    manager->close();
    Bytes file = bytes_of(out);
    EXPECT_EQ(file[4], 8);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadTIFFFXHeader h;
    ASSERT_GT(h.read_page(&in, 1, false, 0), 0u);
    EXPECT_EQ(h.new_subfile_type, expected == 1 ? 1u : 2u);
  }
  // A mask page goes to the profile M writer, which takes colour pages only.
  RstMMROption mask(1, 0);
  RstWriteTIFFMRCOption mrc(1, 300, 300, 0, &mask, nullptr, nullptr, 1, 1);
  EXPECT_TRUE(one_page(bilevel_source(rows, 64), &mrc).empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstWriteTIFFMRC::create()."}}));
}

// The job road: coded strips of chart pages copied through a code reader into
// one big-endian file, which libtiff finds equal to the source pages.
TEST_F(WriteTiffNodes, CodedStripsOfChartPagesAreCopied) {
  std::string dir = temp_dir();
  ASSERT_TRUE(run("cd " + dir +
                  " && jbgtopbm /usr/share/jbigkit-testdata/ccitt1.jbg c1.pbm && "
                  "ppm2tiff -c none -R 200x200 c1.pbm c1.tif && tiffcp -c g4 -r 64 c1.tif g4.tif && "
                  "tiffcp -c g3:2d:fill -r 64 c1.tif g3.tif && tiffcp g4.tif g3.tif source.tif"));
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 2, 0x4D4D);
  for (const char* name : {"g4.tif", "g3.tif"}) {
    SCOPED_TRACE(name);
    Bytes file = file_bytes(dir + "/" + name);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadTIFFFXHeader page;
    ASSERT_GT(page.read_page(&in, 1, false, 0), 0u);
    Bytes code;
    for (const Bytes& strip : stored_strips(file)) code.insert(code.end(), strip.begin(), strip.end());
    RstHeader h = image_header(int32_t(page.image_width), int32_t(page.image_length), 1, 1,
                               RstColorType::s_gray_reverse(), page.encode_type());
    ByteArrayInputStorage strips(code.data(), int32_t(code.size()));
    RstRead* source = RstReadCode::create(&strips, h, false);
    ASSERT_TRUE(source);
    RstWriteTIFFOption option(200, 200, 0, 64, nullptr);
    option.strip_byte_counts = page.strip_byte_counts;
    option.t4_options = page.t4_options;
    EXPECT_EQ(drive(RstWriteTIFF::create(source, manager, &option)), 1);
  }
  manager->close();
  ASSERT_TRUE(status.errors().empty());
  write_bytes(dir + "/copy.tif", bytes_of(out));
  EXPECT_TRUE(run("cd " + dir + " && tiffcmp source.tif copy.tif"));
  EXPECT_TRUE(run("cd " + dir + " && tiffinfo -D copy.tif >/dev/null 2>err.txt && test ! -s err.txt"));
  run("rm -rf " + dir);
}

TEST_F(WriteTiffNodes, FillOrderTwoReversesEveryCodedByte) {
  Rows rows = bilevel_rows(300, 40, 5);
  RstWriteTIFFOption msb(200, 200, 3, 0, nullptr);
  RstWriteTIFFOption lsb(200, 200, 3, 0, nullptr);
  lsb.fill_order = 2;
  Strips a = stored_strips(one_page(bilevel_source(rows, 300), &msb));
  Strips b = stored_strips(one_page(bilevel_source(rows, 300), &lsb));
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  ASSERT_EQ(a[0].size(), b[0].size());
  for (size_t i = 0; i < a[0].size(); ++i) EXPECT_EQ(b[0][i], kBitReverseTable[a[0][i]]) << i;
}

TEST_F(WriteTiffNodes, CodedPagesAreCopied) {
  Rows rows = bilevel_rows(512, 100, 2);
  std::vector<Bytes> g4 = coded_strips(512, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 100, rows);
  ASSERT_EQ(g4.size(), 1u);
  RstWriteTIFFOption fresh(200, 200, 0, 0, nullptr);
  Bytes file = one_page(code_source(g4[0], 512, 100, RstDataForm::mmr), &fresh);
  ASSERT_TRUE(status.errors().empty());
  Strips stored = stored_strips(file);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0], g4[0]);
  EXPECT_EQ(read_page(file), rows);
}

TEST_F(WriteTiffNodes, RefusalsWriteNothing) {
  Rows rows = bilevel_rows(64, 10);
  RstWriteTIFFOption g4(200, 200, 3, 0, nullptr);
  RstWriteTIFFOption lzw(200, 200, 0, 0, nullptr);
  lzw.set_compression(5);
  RstWriteTIFFOption tiled(200, 200, 0, 0, nullptr);
  tiled.tile_width = 32;
  RstWriteTIFFOption jpeg(200, 200, 4, 0, nullptr);
  RstWriteTIFFOption jbig(200, 200, 6, 0, nullptr);
  RstWriteTIFFOption jbig_color(200, 200, 7, 0, nullptr);
  EXPECT_EQ(jbig.compression.value(), 9u);
  EXPECT_EQ(jbig_color.compression.value(), 10u);
  struct Case {
    const char* name;
    RstRead* source;
    const RstWriteTIFFOption* option;
    RstReport report;
  } cases[] = {
      {"height 0", bilevel_source({}, 64), &g4, {-3, "RstEncodeAndWriteTIFF::create()"}},
      {"raw height 0", bilevel_source({}, 64), nullptr, {-3, "RstWriteTIFFRaw::create()"}},
      {"LZW", bilevel_source(rows, 64), &lzw, {-50, "RstEncodeAndWriteTIFF::create_encoder()"}},
      {"8 bits under JBIG",
       new LineSource(image_header(8, 8, 8, 1, RstColorType::s_gray()), Rows(8, Bytes(8, 1)), nullptr),
       &jbig,
       {-3, "RstEncodeAndWriteTIFF::create()"}},
      {"12-bit Lab under JBIG colour",
       new LineSource(image_header(8, 8, 12, 3, RstColorType::itu_lab()), Rows(8, Bytes(36, 1)), nullptr),
       &jbig_color,
       {-3, "RstEncodeAndWriteTIFF::create()"}},
      {"tiled", bilevel_source(rows, 64), &tiled, {-50, "RstWriteTIFF::valid_option() - tiling is not supported."}},
      {"8 bits under G4",
       new LineSource(image_header(8, 8, 8, 1, RstColorType::s_gray()), Rows(8, Bytes(8, 1)), nullptr),
       &g4,
       {-3, "RstEncodeAndWriteTIFF::create()"}},
      {"code without option",
       code_source(Bytes(10, 0), 64, 10, RstDataForm::mmr),
       nullptr,
       {-2, "RstWriteTIFFCode::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = one_page(c.source, c.option);
    EXPECT_TRUE(file.empty());
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors()[0], c.report);
    status.clear();
  }
  // Run lines under JPEG.
  RstHeader runs = image_header(64, 10, 1, 1, RstColorType::s_gray_reverse(), RstDataForm::rle);
  Bytes file = one_page(new LineSource(runs, {}, nullptr, 1024), &jpeg);
  EXPECT_TRUE(file.empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstWriteTIFF::create() - link's encode type is invalid."}}));
  status.clear();
}

// Gray run lines (white 1) are inverted as run lines and relabelled before
// the CCITT codings, which code black 1: the page reads back as the rows.
TEST_F(WriteTiffNodes, GrayRunLinesAreInvertedBeforeCoding) {
  Rows rows = bilevel_rows(64, 10);
  Rows gray_rows = rows;
  for (auto& r : gray_rows)
    for (uint8_t& b : r) b = uint8_t(~b);
  RstHeader h = image_header(64, 10, 1, 1, RstColorType::s_gray());
  for (uint32_t compression : {2u, 3u, 4u}) {
    SCOPED_TRACE(compression);
    RstWriteTIFFOption ccitt(200, 200, 0, 0, nullptr);
    ccitt.set_compression(compression);
    Bytes file = one_page(RstEncodeRLE::create(new LineSource(h, gray_rows, nullptr)), &ccitt);
    EXPECT_TRUE(status.errors().empty());
    EXPECT_EQ(read_page(file), rows);
    status.clear();
  }
}

// Each create refuses a closed output; the raw writer refuses coded data.
TEST_F(WriteTiffNodes, CreatesRefuseClosedOutputsAndCodedDataAsLines) {
  Rows rows = bilevel_rows(64, 8);
  RstWriteTIFFOption g4(200, 200, 3, 0, nullptr);
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949);
  RstRead* coded = code_source(Bytes(10, 0), 64, 8, RstDataForm::mmr);
  EXPECT_EQ(RstWriteTIFFRaw::create(coded, manager, nullptr), nullptr);
  coded->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstWriteTIFFRaw::create()"}}));
  status.clear();
  out.close();
  struct Case {
    const char* where;
    RstWrite* (*create)(RstRead*, RstWriteTIFFMultiPageManager*, const RstWriteTIFFOption*);
    bool coded;
  } cases[] = {
      {"RstWriteTIFF::create()", &RstWriteTIFF::create, false},
      {"RstWriteTIFFRaw::create()",
       [](RstRead* s, RstWriteTIFFMultiPageManager* m, const RstWriteTIFFOption*) -> RstWrite* {
         return RstWriteTIFFRaw::create(s, m, nullptr);
       },
       false},
      {"RstEncodeAndWriteTIFF::create()",
       [](RstRead* s, RstWriteTIFFMultiPageManager* m, const RstWriteTIFFOption* o) -> RstWrite* {
         return RstEncodeAndWriteTIFF::create(s, m, o);
       },
       false},
      {"RstWriteTIFFCode::create()",
       [](RstRead* s, RstWriteTIFFMultiPageManager* m, const RstWriteTIFFOption* o) -> RstWrite* {
         return RstWriteTIFFCode::create(s, m, o);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    RstRead* source = c.coded ? code_source(Bytes(10, 0), 64, 8, RstDataForm::mmr) : bilevel_source(rows, 64);
    EXPECT_EQ(c.create(source, manager, &g4), nullptr);
    source->end();
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, c.where}}));
    status.clear();
  }
  manager->close();
}

// The public entry writes the same page and refuses the same way.
TEST_F(WriteTiffNodes, PublicEntryForwards) {
  Rows rows = bilevel_rows(120, 30, 6);
  RstWriteTIFFOption g4(200, 200, 3, 16, nullptr);
  Bytes want = one_page(bilevel_source(rows, 120), &g4);
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949);
  EXPECT_EQ(drive(rst_write_tiff_create(bilevel_source(rows, 120), manager, &g4)), 1);
  manager->close();
  EXPECT_EQ(bytes_of(out), want);
  RstRead* source = bilevel_source(rows, 120);
  EXPECT_EQ(rst_write_tiff_create(source, nullptr, &g4), nullptr);
  source->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstWriteTIFF::create()"}}));
}

TEST_F(WriteTiffNodes, GrayBilevelIsWrittenWhiteIsZero) {
  Rows rows = bilevel_rows(64, 20);
  Rows gray_rows = rows;
  for (auto& r : gray_rows)
    for (uint8_t& b : r) b = uint8_t(~b);
  RstHeader h = image_header(64, 20, 1, 1, RstColorType::s_gray());
  RstWriteTIFFOption g3(200, 200, 1, 0, nullptr);
  Bytes file = one_page(new LineSource(h, gray_rows, nullptr), &g3);
  ASSERT_TRUE(status.errors().empty());
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstReadTIFFFXHeader read;
  ASSERT_GT(read.read_page(&in, 1, false, 0), 0u);
  EXPECT_EQ(read.photometric_interpretation, 0u);
  EXPECT_EQ(read_page(file), rows);
  // Without the colour creators the inversion is missing: refused.
  rst_format_creators().reverse_gray = nullptr;
  EXPECT_TRUE(one_page(new LineSource(h, gray_rows, nullptr), &g3).empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstEncodeAndWriteTIFF::create()"}}));
  rst_register_color_creators();
}

TEST_F(WriteTiffNodes, ThreePagesThroughOneManager) {
  Rows a = bilevel_rows(200, 70, 1), b = bilevel_rows(99, 33, 2);
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, 0x4D4D);
  RstWriteTIFFOption g4(200, 200, 3, 16, nullptr), mh(200, 200, 1, 0, nullptr);
  EXPECT_EQ(drive(RstWriteTIFF::create(bilevel_source(a, 200), manager, &g4)), 1);
  EXPECT_EQ(drive(RstWriteTIFF::create(bilevel_source(b, 99), manager, nullptr)), 1);
  EXPECT_EQ(drive(RstWriteTIFF::create(bilevel_source(a, 200), manager, &mh)), 1);
  manager->close();
  Bytes file = bytes_of(out);
  EXPECT_EQ(read_page(file, 1), a);
  EXPECT_EQ(read_page(file, 2), b);
  EXPECT_EQ(read_page(file, 3), a);
  std::string dir = temp_dir();
  write_bytes(dir + "/m.tif", file);
  EXPECT_TRUE(run("cd " + dir +
                  " && test $(identify m.tif 2>/dev/null | wc -l) = 3 && tiffinfo -D m.tif >/dev/null 2>err.txt && "
                  "test ! -s err.txt"));
  run("rm -rf " + dir);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(WriteTiffNodes, EndingMidStripAndTheDefaultObserver) {
  Rows rows = bilevel_rows(128, 100);
  RstWriteTIFFOption g4(200, 200, 3, 30, nullptr);
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949);
  RstWrite* writer = RstWriteTIFF::create(bilevel_source(rows, 128), manager, &g4);
  ASSERT_TRUE(writer);
  for (int i = 0; i < 40; ++i) writer->write();  // into the second strip
  writer->end();                                 // its chain, window and source go too (ASan)
  EXPECT_EQ(manager->pages_written, 1u);
  manager->close();
  // The default observer ends a failing write by RstStatus; nothing leaks.
  RstObserver* recorder = RstStatusContext::instance()->set_observer(nullptr);
  RstObserver* thrower = RstObserver::create();
  RstStatusContext::instance()->set_observer(thrower);
  MemoryOutputStorage memory;
  FailingStorage failing(&memory, 300);
  RstWriteTIFFMultiPageManager* m = RstWriteTIFFMultiPageManager::create(&failing, 1, 0x4949);
  RstRead* source = bilevel_source(rows, 128);
  RstWrite* w = nullptr;
  try {
    w = RstWriteTIFF::create(source, m, &g4);
    while (w && w->write() != 0) {
    }
    ADD_FAILURE() << "no status thrown";
  } catch (const RstStatus& s) {
    EXPECT_EQ(s.code(), -11);
  }
  if (w) w->end();
  else source->end();
  RstStatusContext::instance()->set_observer(recorder);
  delete thrower;
  delete m;
}

TEST_F(WriteTiffNodes, AFailingOutputNeverGivesSuccess) {
  Rows rows = bilevel_rows(128, 40);
  RstWriteTIFFOption g4(200, 200, 3, 8, nullptr);
  MemoryOutputStorage whole;
  {
    RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&whole, 1, 0x4949);
    ASSERT_EQ(drive(RstWriteTIFF::create(bilevel_source(rows, 128), manager, &g4)), 1);
    manager->close();
  }
  for (int32_t n = 0; n < whole.size(); n += 7) {
    SCOPED_TRACE(n);
    MemoryOutputStorage memory;
    FailingStorage failing(&memory, n);
    RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&failing, 1, 0x4949);
    RstRead* source = bilevel_source(rows, 128);
    RstWrite* writer = RstWriteTIFF::create(source, manager, &g4);
    if (writer) EXPECT_LT(drive(writer), 1);
    else source->end();
    manager->close();
    EXPECT_FALSE(status.errors().empty());
    status.clear();
  }
}

}  // namespace
